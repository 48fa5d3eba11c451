#include "dump/dump_text.h"

#include <algorithm>
#include <cstring>

#include "format/filetime.h"
#include "format/text_1252.h"

namespace {

constexpr uint64_t kTicksPerSecond = 10000000;
constexpr uint64_t kSecondsPerDay = 86400;
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

char *PutTwoDigits(char *out, unsigned value)
{
    std::memcpy(out, kDigitPairs + 2 * value, 2);
    return out + 2;
}

// value in exactly digits decimal places, zero-filled.
char *PutDigits(char *out, unsigned value, int digits)
{
    for (int i = digits - 1; i >= 0; i--, value /= 10)
        out[i] = static_cast<char>('0' + value % 10);
    return out + digits;
}

} // namespace

char *ReserveOutput(OutputBuffer *out, size_t room)
{
    if (out->capacity - out->size < room) {
        size_t capacity = std::max(out->capacity * 2, out->size + room);
        std::unique_ptr<char[]> bytes(new char[capacity]);
        if (out->size)
            std::memcpy(bytes.get(), out->bytes.get(), out->size);
        out->bytes = std::move(bytes);
        out->capacity = capacity;
    }
    return out->bytes.get() + out->size;
}

void CommitOutput(OutputBuffer *out, const char *end)
{
    out->size = static_cast<size_t>(end - out->bytes.get());
}

void AppendOutput(OutputBuffer *out, std::string_view bytes)
{
    char *at = ReserveOutput(out, bytes.size());
    std::memcpy(at, bytes.data(), bytes.size());
    CommitOutput(out, at + bytes.size());
}

size_t FormatIsoTime(uint64_t fileTime, bool fraction, bool utc, char *buffer)
{
    if (!fileTime || fileTime > FILETIME_LARGEST)
        return 0;
    uint64_t seconds = fileTime / kTicksPerSecond;
    unsigned ofDay = static_cast<unsigned>(seconds % kSecondsPerDay);
    int year, month, day;
    DayToDate(static_cast<uint32_t>(seconds / kSecondsPerDay), &year, &month, &day);
    char *out = buffer;
    // ISO 8601 wants a sign on years of more than four digits.
    if (year > 9999) {
        *out++ = '+';
        out = PutDigits(out, static_cast<unsigned>(year), 5);
    } else {
        out = PutTwoDigits(out, static_cast<unsigned>(year / 100));
        out = PutTwoDigits(out, static_cast<unsigned>(year % 100));
    }
    *out++ = '-';
    out = PutTwoDigits(out, static_cast<unsigned>(month));
    *out++ = '-';
    out = PutTwoDigits(out, static_cast<unsigned>(day));
    *out++ = 'T';
    out = PutTwoDigits(out, ofDay / 3600);
    *out++ = ':';
    out = PutTwoDigits(out, ofDay / 60 % 60);
    *out++ = ':';
    out = PutTwoDigits(out, ofDay % 60);
    if (fraction) {
        unsigned ticks = static_cast<unsigned>(fileTime % kTicksPerSecond);
        *out++ = '.';
        out = PutTwoDigits(out, ticks / 100000);
        out = PutTwoDigits(out, ticks / 1000 % 100);
        out = PutTwoDigits(out, ticks / 10 % 100);
        *out++ = static_cast<char>('0' + ticks % 10);
    }
    if (utc)
        *out++ = 'Z';
    *out = 0;
    return static_cast<size_t>(out - buffer);
}

std::string_view Decimal(uint64_t value, char *bufferEnd)
{
    char *out = bufferEnd;
    while (value >= 100) {
        out -= 2;
        PutTwoDigits(out, static_cast<unsigned>(value % 100));
        value /= 100;
    }
    if (value >= 10) {
        out -= 2;
        PutTwoDigits(out, static_cast<unsigned>(value));
    } else {
        *--out = static_cast<char>('0' + value);
    }
    return std::string_view(out, static_cast<size_t>(bufferEnd - out));
}

namespace {

// One UTF-16 unit below the surrogates written to out as UTF-8 (at most
// three bytes); returns the end.
char *PutUtf8(char16_t c, char *out)
{
    if (c < 0x80) {
        *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | c >> 6);
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<char>(0xE0 | c >> 12);
        *out++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

} // namespace

void AppendUtf8(char16_t c, std::string *out)
{
    char bytes[3];
    out->append(bytes, static_cast<size_t>(PutUtf8(c, bytes) - bytes));
}

namespace {

// Whether none of the sixteen bytes of block needs more than copying.
bool PlainBlock(TextBlock block, const ByteClasses &classes)
{
    TextBlock hits = {};
    if (classes.widen)
        hits |= block >= 0x80;
    if (classes.escapeControls)
        hits |= block < 0x20;
    for (const TextBlock &escaped : classes.escaped)
        hits |= block == escaped;
    uint64_t halves[2];
    std::memcpy(halves, &hits, sizeof halves);
    return !(halves[0] | halves[1]);
}

TextBlock LoadBlock(const char *bytes)
{
    TextBlock block;
    std::memcpy(&block, bytes, sizeof block);
    return block;
}

// A block of the 1 to 15 bytes at text: each lane holds one of them, some
// more than once, which changes no test of PlainBlock.
TextBlock LoadShortBlock(const char *text, size_t n)
{
    uint64_t halves[2];
    if (n >= 8) {
        std::memcpy(&halves[0], text, 8);
        std::memcpy(&halves[1], text + n - 8, 8);
    } else if (n >= 4) {
        uint32_t first, last;
        std::memcpy(&first, text, 4);
        std::memcpy(&last, text + n - 4, 4);
        halves[0] = halves[1] = first | uint64_t{last} << 32;
    } else {
        halves[0] = 0x0101010101010101ull * static_cast<uint8_t>(text[0]);
        halves[1] = 0x0101010101010101ull * static_cast<uint8_t>(text[n / 2]) >> 32
                    | 0x0101010101010101ull * static_cast<uint8_t>(text[n - 1]) << 32;
    }
    TextBlock block;
    std::memcpy(&block, halves, sizeof block);
    return block;
}

// The first offset from `from` on whose sixteen-byte block is not plain,
// or the text's end when every byte from `from` on is plain. The last bytes
// are tested as the text's last sixteen, or gathered when it is shorter.
size_t SkipPlainBlocks(std::string_view text, size_t from, const ByteClasses &classes)
{
    while (from + sizeof(TextBlock) <= text.size() && PlainBlock(LoadBlock(text.data() + from), classes))
        from += sizeof(TextBlock);
    if (from == text.size() || from + sizeof(TextBlock) <= text.size())
        return from;
    TextBlock last = text.size() >= sizeof last ? LoadBlock(text.data() + text.size() - sizeof last)
                                                : LoadShortBlock(text.data(), text.size());
    return PlainBlock(last, classes) ? text.size() : from;
}

} // namespace

ByteClasses MakeByteClasses(const char *escaped, bool escapeControls, bool widen)
{
    ByteClasses classes = {};
    classes.escapeControls = escapeControls;
    classes.widen = widen;
    for (int byte = 0; byte < 256; byte++) {
        if (escapeControls && byte < 0x20)
            classes.of[byte] = EscapeByte;
        else if (widen && byte >= 0x80)
            classes.of[byte] = WidenByte;
    }
    for (size_t i = 0; escaped[i] && i < kMostEscapedBytes; i++) {
        classes.of[static_cast<unsigned char>(escaped[i])] = EscapeByte;
        classes.escaped[i] = TextBlock{} + static_cast<uint8_t>(escaped[i]);
    }
    return classes;
}

char *PutText(std::string_view text, const ByteClasses &classes, ByteEscape escape, char *out)
{
    size_t run = 0;
    for (size_t i = SkipPlainBlocks(text, 0, classes); i < text.size();) {
        unsigned char byte = static_cast<unsigned char>(text[i]);
        uint8_t what = classes.of[byte];
        if (what == CopyByte) {
            i++;
            continue;
        }
        out = PutBytes(text.substr(run, i - run), out);
        run = ++i;
        out = what == WidenByte ? PutUtf8(Widen1252(byte), out) : escape(byte, out);
        i = SkipPlainBlocks(text, i, classes);
    }
    return PutBytes(text.substr(run), out);
}

void AppendText(std::string_view text, const ByteClasses &classes, ByteEscape escape, std::string *out)
{
    size_t at = out->size();
    out->resize(at + text.size() * kMostBytesPerTextByte);
    out->resize(static_cast<size_t>(PutText(text, classes, escape, &(*out)[at]) - out->data()));
}

bool HoldsAny(std::string_view text, const ByteClasses &classes)
{
    for (size_t i = SkipPlainBlocks(text, 0, classes); i < text.size(); i++)
        if (classes.of[static_cast<unsigned char>(text[i])] != CopyByte)
            return true;
    return false;
}
