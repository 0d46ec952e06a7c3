#pragma once

// The one table of hexadecimal digits, and the helpers built on it that the
// report, the event text and the console options share.
inline constexpr char UpperHexDigits[] = "0123456789ABCDEF";

// "00" to "ff": the two lower-case digits of every byte value, from the same
// digits, for "%08x" two digits at a time.
struct HexPairTable {
    char text[512];
};
constexpr HexPairTable lowerHexPairTable() {
    HexPairTable table{};
    for (int value = 0; value < 256; ++value) {
        for (int half = 0; half < 2; ++half) {
            const char digit = UpperHexDigits[half == 0 ? value >> 4 : value & 0x0F];
            table.text[2 * value + half] = digit >= 'A' ? static_cast<char>(digit - 'A' + 'a') : digit;
        }
    }
    return table;
}
inline constexpr HexPairTable LowerHexPairs = lowerHexPairTable();

int hexDigitValue(int c);
int hexByteValue(int high, int low);
int isHexDigit(int c);
int areHexDigits(int high, int low);
