#pragma once
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
