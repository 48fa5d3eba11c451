#include "device/ui/json_text.h"
#include <stdio.h>

void AppendJsonString(std::string &out, const WCHAR *text)
{
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, NULL, 0, NULL, NULL);
    std::string utf8(bytes > 0 ? bytes : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], bytes, NULL, NULL);
    out += '"';
    for (const char *c = utf8.c_str(); *c; c++) {
        unsigned char byte = (unsigned char)*c;
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += *c;
        } else if (byte < 0x20) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += *c;
        }
    }
    out += '"';
}

void AppendJsonNumber(std::string &out, long long number)
{
    char digits[32];
    snprintf(digits, sizeof digits, "%lld", number);
    out += digits;
}

void AppendJsonRect(std::string &out, const RECT &rect)
{
    out += "{\"left\":";
    AppendJsonNumber(out, rect.left);
    out += ",\"top\":";
    AppendJsonNumber(out, rect.top);
    out += ",\"right\":";
    AppendJsonNumber(out, rect.right);
    out += ",\"bottom\":";
    AppendJsonNumber(out, rect.bottom);
    out += '}';
}
