// 8-bit index file text widened as Windows-1252.
#pragma once
#include <stdint.h>

// A byte that Windows-1252 leaves undefined keeps its own code point.
char16_t Widen1252(uint8_t byte);
