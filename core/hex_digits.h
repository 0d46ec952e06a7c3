#pragma once

// Hexadecimal character helpers shared by the console options and the event
// text import.
int hexDigitValue(int c);
int hexByteValue(int high, int low);
int isHexDigit(int c);
int areHexDigits(int high, int low);
