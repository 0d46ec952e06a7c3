#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "convert/hex_digits.h"

// Builds a NUL-terminated text in a caller's fixed buffer. What does not fit is
// cut off, as snprintf cuts, so no append can run past the buffer. The report
// writes about fifteen bytes of text per source byte: these few hand-written
// conversions replace the general formatter on every per-event path.
class TextAppender {
public:
    // size is the whole buffer, NUL included; a size below 1 takes nothing.
    TextAppender(char* buffer, int32_t size)
        : start(size > 0 ? buffer : nullptr), cursor(start), last(size > 0 ? buffer + size - 1 : nullptr) {
        if (cursor != nullptr) *cursor = 0;
    }

    int32_t size() const { return static_cast<int32_t>(cursor - start); }

    TextAppender& text(const char* s) { return text(s, std::strlen(s)); }

    // The first n characters of s (a text of known length: no NUL among them).
    TextAppender& text(const char* s, size_t n) {
        const auto taken =
            static_cast<int32_t>(n < static_cast<size_t>(room()) ? n : static_cast<size_t>(room()));
        copyShort(cursor, s, static_cast<size_t>(taken));
        return advance(taken);
    }

    TextAppender& character(char c) {
        if (cursor == last) return *this;
        *cursor = c;
        return advance(1);
    }

    // "%d"
    TextAppender& decimal(int32_t value) { return decimalRightAligned(value, 0); }

    // "%*d": at least width columns, blanks in front. The digits are written
    // in place, from the right, two at a time: texts built byte by byte in a
    // scratch array and then copied as whole words stall the processor's
    // store-to-load forwarding.
    TextAppender& decimalRightAligned(int32_t value, int width) {
        const uint32_t magnitude =
            value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
        const int columns = decimalDigitCount(magnitude) + (value < 0 ? 1 : 0);
        const int total = width > columns ? width : columns;
        if (room() < total) return advance(decimalCut(cursor, room(), value, width));
        blanks(total - columns);
        char* const digits = writeDigitsBefore(cursor + total, magnitude);
        if (value < 0) digits[-1] = '-';
        return advance(total);
    }

    // "%02X" of the low eight bits.
    TextAppender& hexByte(uint32_t value) {
        if (room() < 2) return character(UpperHexDigits[(value >> 4) & 0x0F]);
        cursor[0] = UpperHexDigits[(value >> 4) & 0x0F];
        cursor[1] = UpperHexDigits[value & 0x0F];
        return advance(2);
    }

    // "%08x" of all 32 bits, two digits at a time.
    TextAppender& hexWord(uint32_t value) {
        constexpr int Digits = 8;
        if (room() < Digits) return advance(hexWordCut(cursor, room(), value));
        for (int i = Digits - 2; i >= 0; i -= 2, value >>= 8)
            std::memcpy(cursor + i, LowerHexPairs.text + 2 * (value & 0xFF), 2);
        return advance(Digits);
    }

private:
    static constexpr char DigitPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    static constexpr char EightBlanks[] = "        ";

    char* start;   // null when the buffer takes nothing
    char* cursor;  // where the NUL is, and the next character goes
    char* last;    // the buffer's last place: it can only hold the NUL

    int32_t room() const { return static_cast<int32_t>(last - cursor); }

    // Takes n characters written at the cursor (n <= room) and ends the text after them.
    TextAppender& advance(int32_t n) {
        if (cursor == nullptr) return *this;
        cursor += n;
        *cursor = 0;
        return *this;
    }

    // n blanks at the cursor, which has room for them. Up to eight go in one
    // store; those past the n land after the text's end, inside the room.
    void blanks(int n) {
        if (n <= 0) return;
        if (n <= 8 && room() >= 8) {
            std::memcpy(cursor, EightBlanks, 8);
        } else {
            std::memset(cursor, ' ', static_cast<size_t>(n));
        }
    }

    // Copies n bytes and returns the end of the copy. Most texts here are a few
    // to a few dozen characters: whole words and two overlapping ends take
    // fewer (and better predicted) branches than a loop over characters or the
    // start of a block copy.
    static char* copyShort(char* to, const char* from, size_t n) {
        if (n >= 8) {
            for (size_t done = 0; done + 8 < n; done += 8) copyBytes<8>(to + done, from + done);
            copyBytes<8>(to + n - 8, from + n - 8);
        } else if (n >= 4) {
            copyBytes<4>(to, from);
            copyBytes<4>(to + n - 4, from + n - 4);
        } else if (n >= 2) {
            copyBytes<2>(to, from);
            copyBytes<2>(to + n - 2, from + n - 2);
        } else if (n == 1) {
            *to = *from;
        }
        return to + n;
    }

    template <size_t N>
    static void copyBytes(char* to, const char* from) {
        std::memcpy(to, from, N);
    }

    // Writes the decimal digits of magnitude so that they end just before end;
    // returns where they start.
    static char* writeDigitsBefore(char* end, uint32_t magnitude) {
        char* digit = end;
        for (; magnitude >= 100; magnitude /= 100) {
            digit -= 2;
            std::memcpy(digit, DigitPairs + 2 * (magnitude % 100), 2);
        }
        if (magnitude >= 10) {
            digit -= 2;
            std::memcpy(digit, DigitPairs + 2 * magnitude, 2);
        } else {
            *--digit = static_cast<char>('0' + magnitude);
        }
        return digit;
    }

    // Compared, not divided: most numbers here have one to three digits.
    static int decimalDigitCount(uint32_t magnitude) {
        int digits = 1;
        for (uint32_t bound = 10; magnitude >= bound && digits < 10; bound *= 10) ++digits;
        return digits;
    }

    // The rare forms that do not fit whole: formatted aside, then cut to the
    // room left; they give the count written. Static, so that no appender's
    // address leaves the function that builds a text, and the compiler can
    // keep it in registers.
    static int32_t decimalCut(char* to, int32_t room, int32_t value, int width);
    static int32_t copyCut(char* to, int32_t room, const char* text);
    static int32_t hexWordCut(char* to, int32_t room, uint32_t value);
};
