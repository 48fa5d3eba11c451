// Index file kinds as gallimaw-dump and gallimaw-gen name them.
#pragma once
#include <string>

#include "format/index_kinds.h"

enum { KindUnknown = -1 };

// "Cache", "Cookies", "History", or "" for KindUnknown.
const char *KindName(int kind);
// The kind a name ("cache", "Cookies", ...) stands for, or KindUnknown.
int KindNamed(const std::string &name);
// The kind that an index file's folder names (Content.IE5, Cookies,
// History.IE5 or History), or KindUnknown.
int KindOfPath(const std::string &path);
