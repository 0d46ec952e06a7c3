#pragma once
#include <cstdint>
#include <string>
#include <vector>

// How a profile's text is cut into keys, values and list items.

bool isProfileBlank(char c);
// The text without the blanks around it.
std::string trimmed(const std::string& text);
// The words of a list value, parted by blanks or commas.
std::vector<std::string> listItems(const std::string& value);
// Decimal digits only, no sign, within [lowest, highest].
bool wholeNumber(const std::string& text, int64_t lowest, int64_t highest, int64_t& number);
// A list value as the settings show it: its items parted by commas, so that
// the settings can be parted by blanks.
std::string listText(const std::vector<std::string>& items);
// The items parted by separator.
std::string joinedText(const std::vector<std::string>& items, const char* separator);
