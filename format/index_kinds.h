// The three kinds of index file and where a device keeps each: the one
// table that the viewer, the device's programs, gallimaw-dump and the
// generator all read. Portable, so both build trees use it.
#pragma once

enum IndexFileKind { KindCache = 0, KindCookies = 1, KindHistory = 2, IndexFileKinds = 3 };

// A kind's folder is named by a shell-folder value under this key; without
// the value it is the fallback folder under the fallback root.
#define INDEX_SHELL_FOLDERS_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"
#define INDEX_FALLBACK_ROOT "\\Windows\\"
#define INDEX_FILE_NAME "\\index.dat"

// Each text twice, narrow (A) for the portable tools and wide for the
// Win32 calls, both from the one literal of index_kinds.cpp.
struct IndexKindNames {
    const char *shellFolderA; // the value's name, also the kind's own name
    const char *subPathA;     // below the value's folder: "" or "\\NAME"
    const char *fallbackFolderA;
    const wchar_t *shellFolder;
    const wchar_t *subPath;
    const wchar_t *fallbackFolder;
};

extern const IndexKindNames IndexKinds[IndexFileKinds];
