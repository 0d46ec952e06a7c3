#include "html_text.h"

#include <cmath>

namespace {
const char* const replacementCharacter = "\xEF\xBF\xBD";

unsigned char byteAt(const std::string& text, size_t at) {
    return static_cast<unsigned char>(text[at]);
}

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length a lead byte announces, 0 for one that starts no sequence.
size_t announcedLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead < 0xC2 || lead > 0xF4) return 0;
    return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
}

// Overlong forms, surrogates and code points past U+10FFFF show in the
// second byte.
bool secondByteAllowed(unsigned char lead, unsigned char second) {
    if (lead == 0xE0) return second >= 0xA0;
    if (lead == 0xED) return second < 0xA0;
    if (lead == 0xF0) return second >= 0x90;
    if (lead == 0xF4) return second < 0x90;
    return true;
}

// The length of the valid UTF-8 sequence at text[at], 0 for none.
size_t sequenceLength(const std::string& text, size_t at) {
    const unsigned char lead = byteAt(text, at);
    const size_t length = announcedLength(lead);
    if (length <= 1) return length;
    if (at + length > text.size()) return 0;
    for (size_t i = 1; i < length; ++i)
        if (!isContinuation(byteAt(text, at + i))) return 0;
    return secondByteAllowed(lead, byteAt(text, at + 1)) ? length : 0;
}

void appendAscii(std::string& out, char c) {
    const auto code = static_cast<unsigned char>(c);
    switch (c) {
        case '&':
            out += "&amp;";
            return;
        case '<':
            out += "&lt;";
            return;
        case '>':
            out += "&gt;";
            return;
        case '"':
            out += "&quot;";
            return;
        case '\'':
            out += "&#39;";
            return;
        default:
            break;
    }
    const bool control = (code < 0x20 && c != '\t') || code == 0x7F;
    if (control)
        out += replacementCharacter;
    else
        out += c;
}
}  // namespace

std::string htmlEscaped(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    size_t at = 0;
    while (at < text.size()) {
        const size_t length = sequenceLength(text, at);
        if (length == 0) {
            out += replacementCharacter;
            ++at;
        } else if (length == 1) {
            appendAscii(out, text[at]);
            ++at;
        } else {
            out.append(text, at, length);
            at += length;
        }
    }
    return out;
}

std::string decimalTenths(double value) {
    // Beyond a year of seconds a value is no time a tune takes.
    if (!std::isfinite(value) || std::fabs(value) > 1e9) value = 0;
    const long long tenths = std::llround(value * 10);
    const long long magnitude = tenths < 0 ? -tenths : tenths;
    const std::string sign = tenths < 0 ? "-" : "";
    return sign + std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10);
}

std::string counted(int64_t count, const std::string& thing) {
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

std::string minutesSeconds(int64_t seconds) {
    const std::string sign = seconds < 0 ? "-" : "";
    const int64_t magnitude = seconds < 0 ? -seconds : seconds;
    const int64_t rest = magnitude % 60;
    return sign + std::to_string(magnitude / 60) + (rest < 10 ? ":0" : ":") + std::to_string(rest);
}
