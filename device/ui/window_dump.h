// The screen as JSON: every top-level window with its children, and what
// list views, HTML views and message boxes hold.
#pragma once
#include <string>

std::string DumpScreen();
