#include "fit/profile_reader.h"

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <vector>

#include "base/message_text.h"
#include "fit/profile_rules.h"
#include "fit/profile_text.h"
#include "smf/small_file.h"

namespace {
const char* const UnknownKey = "Profile [%s] line %d: unknown key [%s]";
const char* const BadValue = "Profile [%s] line %d: bad value for [%s]";
const char* const CannotOpen = "Cannot open profile [%s]";
const char* const TooLarge = "Profile [%s]: larger than 65536 bytes";

// No profile comes near this: a larger file is no profile, and is never read whole.
constexpr size_t MaxProfileBytes = 65536;

// Windows editors may put it first.
const std::string ByteOrderMark = "\xEF\xBB\xBF";

// No key or value comes near this: a longer line is cut here and refused,
// so a file that is no profile never fills the memory.
constexpr size_t MaxLineLength = 1024;

// One line of the profile, its comment and line end already cut off, into
// profile; a failure refuses the profile.
Result takeLine(const std::string& line, bool cut, int number, HandsetProfile& profile) {
    const std::string text = trimmed(line);
    if (text.empty()) return Result::success();
    const size_t equals = text.find('=');
    const std::string key = trimmed(text.substr(0, equals));
    const ProfileRule* rule = profileRule(key);
    if (rule == nullptr)
        return Result::failure(messageText(UnknownKey, {profile.name, number, echoedText(key)}));
    const bool fits =
        equals != std::string::npos && !cut && rule->take(trimmed(text.substr(equals + 1)), profile);
    if (!fits) return Result::failure(messageText(BadValue, {profile.name, number, key}));
    std::vector<std::string>& keys = profile.givenKeys;
    if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
    return Result::success();
}

// The next line without its end and comment; false at the end of the text.
// cut tells that the line was longer than MaxLineLength.
bool nextLine(std::istream& text, std::string& line, bool& cut) {
    line.clear();
    cut = false;
    bool comment = false;
    int c = text.get();
    if (c == std::char_traits<char>::eof()) return false;
    for (; c != std::char_traits<char>::eof() && c != '\n'; c = text.get()) {
        comment = comment || c == '#';
        if (comment) continue;
        if (line.size() < MaxLineLength)
            line += static_cast<char>(c);
        else
            cut = true;
    }
    return true;
}

Result refusedAs(const char* pattern, const std::string& name) {
    return Result::failure(messageText(pattern, {name}));
}
}  // namespace

Result parseHandsetProfile(std::istream& text, const std::string& name, HandsetProfile& profile) {
    profile = HandsetProfile();
    profile.name = name;
    std::string line;
    bool cut = false;
    for (int number = 1; nextLine(text, line, cut); ++number) {
        if (number == 1 && line.compare(0, ByteOrderMark.size(), ByteOrderMark) == 0)
            line.erase(0, ByteOrderMark.size());
        const Result taken = takeLine(line, cut, number, profile);
        if (taken.failed()) return taken;
    }
    return Result::success();
}

Result readHandsetProfile(const ProfileLocation& where, HandsetProfile& profile) {
    std::string text;
    switch (readSmallFile(where.path, MaxProfileBytes, text)) {
        case SmallFileRead::Read: {
            std::istringstream stream(text);
            return parseHandsetProfile(stream, where.name, profile);
        }
        case SmallFileRead::TooLarge:
            return refusedAs(TooLarge, where.name);
        case SmallFileRead::NotOpened:
            break;
    }
    return refusedAs(CannotOpen, where.name);
}

Result loadHandsetProfile(const std::string& name, const std::string& installedFolder,
                          HandsetProfile& profile) {
    return readHandsetProfile(locateHandsetProfile(name, installedFolder), profile);
}

std::string profileSettingsText(const HandsetProfile& profile) {
    std::string text;
    for (const std::string& key : profile.givenKeys)
        text += (text.empty() ? "" : " ") + key + "=" + profileRule(key)->show(profile);
    return text;
}
