#include "fit/profile_text.h"

bool isProfileBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string trimmed(const std::string& text) {
    size_t first = 0;
    size_t end = text.size();
    while (first < end && isProfileBlank(text[first])) ++first;
    while (end > first && isProfileBlank(text[end - 1])) --end;
    return text.substr(first, end - first);
}

std::vector<std::string> listItems(const std::string& value) {
    std::vector<std::string> items;
    std::string item;
    for (const char c : value + ' ') {
        if (!isProfileBlank(c) && c != ',') {
            item += c;
        } else if (!item.empty()) {
            items.push_back(item);
            item.clear();
        }
    }
    return items;
}

bool wholeNumber(const std::string& text, int64_t lowest, int64_t highest, int64_t& number) {
    if (text.empty()) return false;
    int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
        if (value > highest) return false;
    }
    if (value < lowest) return false;
    number = value;
    return true;
}

std::string listText(const std::vector<std::string>& items) {
    return joinedText(items, ",");
}

std::string joinedText(const std::vector<std::string>& items, const char* separator) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
    return text;
}
