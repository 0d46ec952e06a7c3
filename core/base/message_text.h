#pragma once
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

// One value for a message pattern: a text for %s, a whole number for %d.
// The check's and the profiles' messages are built from their patterns as
// written, so each pattern's text stands in one place.
class MessageField {
public:
    MessageField(const char* value) : text(value) {}
    MessageField(std::string value) : text(std::move(value)) {}
    template <class Number, std::enable_if_t<std::is_integral_v<Number>, int> = 0>
    MessageField(Number value) : text(std::to_string(value)) {}

    const std::string& value() const { return text; }

private:
    std::string text;
};

// The pattern with each %s and %d replaced by the next field; a conversion
// past the last field stays as written.
std::string messageText(const char* pattern, const std::vector<MessageField>& fields);

// The word a count goes with, in the singular and the plural.
struct CountWords {
    const char* one;
    const char* many;
};

// "1 note", "0 notes", "2 notes": every line that counts says it this way.
std::string countText(int64_t count, const CountWords& words);

// Text from outside the program, as a message shows it: each byte outside
// printable ASCII as \xHH, so no byte of it reaches a terminal as a control.
std::string printableText(const std::string& text);

// As printableText, in at most 40 printed characters: a longer text is cut
// before the piece that would pass 37 and ends in "...". An escape counts as
// its four characters and is never cut.
std::string echoedText(const std::string& text);
