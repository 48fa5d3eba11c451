// Texts and times as gallimaw-dump writes them: ISO 8601 times, decimals,
// UTF-8 from the index file's Windows-1252, and escaping driven by a table
// of byte classes, one pass over each text.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

// Lines being written: bytes[0, size) are written, the rest up to capacity
// free. Writers reserve room first and then write through a pointer.
struct OutputBuffer {
    std::unique_ptr<char[]> bytes;
    size_t size = 0;
    size_t capacity = 0;
};
// Where to write at least `room` more bytes.
char *ReserveOutput(OutputBuffer *out, size_t room);
// Marks everything up to end (within the reserved room) written.
void CommitOutput(OutputBuffer *out, const char *end);
void AppendOutput(OutputBuffer *out, std::string_view bytes);

// Writes text to out and returns the end: short texts, most of a record's
// fields, are copied with a few overlapping moves rather than a call.
inline char *PutBytes(std::string_view text, char *out)
{
    const char *from = text.data();
    size_t n = text.size();
    uint64_t head, tail;
    if (n > 16) {
        std::memcpy(out, from, n);
    } else if (n >= 8) {
        std::memcpy(&head, from, 8);
        std::memcpy(&tail, from + n - 8, 8);
        std::memcpy(out, &head, 8);
        std::memcpy(out + n - 8, &tail, 8);
    } else if (n >= 4) {
        uint32_t first, last;
        std::memcpy(&first, from, 4);
        std::memcpy(&last, from + n - 4, 4);
        std::memcpy(out, &first, 4);
        std::memcpy(out + n - 4, &last, 4);
    } else {
        for (size_t i = 0; i < n; i++)
            out[i] = from[i];
    }
    return out + n;
}

// Writes fileTime as ISO 8601 ("2005-08-17T21:26:30.0000000Z", or without
// the fraction; without the Z for a local time) and returns its length; 0
// for a zero FILETIME or one the calendar conversion refuses. buffer
// holds kIsoTimeChars.
constexpr size_t kIsoTimeChars = 40;
size_t FormatIsoTime(uint64_t fileTime, bool fraction, bool utc, char *buffer);

// value in decimal, written to end at bufferEnd; kDecimalChars suffice.
constexpr size_t kDecimalChars = 24; // 2^64 has 20 digits
std::string_view Decimal(uint64_t value, char *bufferEnd);

void AppendUtf8(char16_t c, std::string *out);

// What AppendText does with each byte value; the rest of the struct lets
// it pass over sixteen plain bytes at a time. Texts hold no NUL, which
// fills the unused places of `escaped`.
enum ByteClass : uint8_t { CopyByte = 0, WidenByte = 1, EscapeByte = 2 };
constexpr size_t kMostEscapedBytes = 4;
typedef uint8_t TextBlock __attribute__((vector_size(16)));
struct ByteClasses {
    uint8_t of[256];
    TextBlock escaped[kMostEscapedBytes]; // each escaped byte in every lane
    bool escapeControls, widen;
};
// Writes the escaped form of byte, at most kMostBytesPerTextByte bytes.
typedef char *(*ByteEscape)(unsigned char byte, char *out);
constexpr size_t kMostBytesPerTextByte = 6;

// Classes that escape the bytes in `escaped` (at most kMostEscapedBytes,
// all below 0x80) and the control bytes below 0x20 when escapeControls is
// set; with widen, bytes from 0x80 on are
// Windows-1252 to be widened to UTF-8, otherwise they are copied.
ByteClasses MakeByteClasses(const char *escaped, bool escapeControls, bool widen);

// Writes text, copying, widening or escaping each byte as classes say, to
// out, which has room for kMostBytesPerTextByte bytes per byte of text;
// returns the end.
char *PutText(std::string_view text, const ByteClasses &classes, ByteEscape escape, char *out);
// The same, appended to a string.
void AppendText(std::string_view text, const ByteClasses &classes, ByteEscape escape, std::string *out);
// Whether text holds a byte that classes does not copy.
bool HoldsAny(std::string_view text, const ByteClasses &classes);
