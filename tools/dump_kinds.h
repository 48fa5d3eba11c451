// Index file kinds as gallimaw-dump names them.
#pragma once
#include <string>

enum { KindUnknown = -1, KindCache = 0, KindCookies = 1, KindHistory = 2, KindCount = 3 };

// "Cache", "Cookies", "History", or "" for KindUnknown.
const char *KindName(int kind);
// The kind a name ("cache", "Cookies", ...) stands for, or KindUnknown.
int KindNamed(const std::string &name);
// The kind that an index file's folder names (Content.IE5, Cookies,
// History.IE5 or History), or KindUnknown.
int KindOfPath(const std::string &path);
