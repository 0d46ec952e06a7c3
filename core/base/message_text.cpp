#include "base/message_text.h"

std::string messageText(const char* pattern, const std::vector<MessageField>& fields) {
    std::string text;
    auto next = fields.begin();
    for (const char* p = pattern; *p != 0; ++p) {
        const bool conversion = p[0] == '%' && (p[1] == 's' || p[1] == 'd');
        if (conversion && next != fields.end()) {
            text += next->value();
            ++next;
            ++p;
        } else {
            text += *p;
        }
    }
    return text;
}

std::string countText(int64_t count, const CountWords& words) {
    return std::to_string(count) + ' ' + (count == 1 ? words.one : words.many);
}

namespace {
constexpr size_t EchoedLength = 40;
constexpr const char* CutMark = "...";
constexpr size_t CutMarkLength = 3;

bool isPrintableAscii(unsigned char c) {
    return c >= 0x20 && c <= 0x7E;
}

std::string shownByte(unsigned char c) {
    if (isPrintableAscii(c)) return std::string(1, static_cast<char>(c));
    const char* const digits = "0123456789ABCDEF";
    return std::string{'\\', 'x', digits[c >> 4], digits[c & 0x0F]};
}
}  // namespace

std::string printableText(const std::string& text) {
    std::string shown;
    for (const char c : text) shown += shownByte(static_cast<unsigned char>(c));
    return shown;
}

std::string echoedText(const std::string& text) {
    std::string shown;
    size_t kept = 0;  // the length of shown that stays when the text is cut
    for (const char c : text) {
        shown += shownByte(static_cast<unsigned char>(c));
        if (shown.size() > EchoedLength) return shown.substr(0, kept) + CutMark;
        if (shown.size() <= EchoedLength - CutMarkLength) kept = shown.size();
    }
    return shown;
}
