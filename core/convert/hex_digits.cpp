#include "convert/hex_digits.h"

int hexDigitValue(int c) {
    c &= 0xFF;
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

int hexByteValue(int high, int low) {
    return (hexDigitValue(high) * 16 + hexDigitValue(low)) & 0xFF;
}

int isHexDigit(int c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f') ? 1 : 0;
}

int areHexDigits(int high, int low) {
    return isHexDigit(high) && isHexDigit(low) ? 1 : 0;
}
