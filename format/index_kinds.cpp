#include "format/index_kinds.h"

// A narrow literal after L"" joins it as a wide one, so each name is
// written once.
#define INDEX_KIND(shellFolder, subPath, fallbackFolder) \
    { shellFolder, subPath, fallbackFolder, L"" shellFolder, L"" subPath, L"" fallbackFolder }

const IndexKindNames IndexKinds[IndexFileKinds] = {
    INDEX_KIND("Cache", "\\Content.IE5", "Temporary Internet Files"),
    INDEX_KIND("Cookies", "", "Cookies"),
    INDEX_KIND("History", "\\History.IE5", "History"),
};
