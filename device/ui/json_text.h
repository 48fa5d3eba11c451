// Building the automation program's JSON output as UTF-8 text.
#pragma once
#include <windows.h>
#include <string>

// Appends TEXT as a JSON string literal, quotes included.
void AppendJsonString(std::string &out, const WCHAR *text);
void AppendJsonNumber(std::string &out, long long number);
// {"left":..,"top":..,"right":..,"bottom":..}
void AppendJsonRect(std::string &out, const RECT &rect);
