// Test helpers: decode an image into whole rows, and UTF-16 to UTF-8.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct DecodedRow {
    uint64_t offset = 0;
    uint32_t sortKey = 0;
    std::string columns[9];
    bool headersSet = false;
};

std::vector<DecodedRow> DecodeRows(const std::vector<uint8_t> &bytes);
std::string Utf8(const std::u16string &text);
