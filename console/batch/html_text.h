#pragma once
#include <cstdint>
#include <string>

// Text from a file or a run for an HTML page, as element text or a quoted
// attribute value: markup characters become references, and bytes that are
// not UTF-8, or control characters, become U+FFFD, so that a file's name
// can neither add markup nor make the page invalid.
std::string htmlEscaped(const std::string& text);

// Counts and times as a page shows them, the same on every system.
std::string decimalTenths(double value);      // "12.3"; 0 for what is no number
std::string minutesSeconds(int64_t seconds);  // "1:05"
// "1 finding", "3 findings": thing is the word for one.
std::string counted(int64_t count, const std::string& thing);
