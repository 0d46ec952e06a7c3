#include "fit/profile_reader.h"

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <vector>

#include "base/message_text.h"
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

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string trimmed(const std::string& text) {
    size_t first = 0;
    size_t end = text.size();
    while (first < end && isBlank(text[first])) ++first;
    while (end > first && isBlank(text[end - 1])) --end;
    return text.substr(first, end - first);
}

// The words of a list value, parted by blanks or commas.
std::vector<std::string> listItems(const std::string& value) {
    std::vector<std::string> items;
    std::string item;
    for (const char c : value + ' ') {
        if (!isBlank(c) && c != ',') {
            item += c;
        } else if (!item.empty()) {
            items.push_back(item);
            item.clear();
        }
    }
    return items;
}

// Decimal digits only, no sign, within [lowest, highest].
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

// Each item a number of [0, highest], as one bit of the mask.
template <class Mask>
bool takeBits(const std::string& value, int highest, bool emptyFits, Mask& mask) {
    const std::vector<std::string> items = listItems(value);
    if (items.empty() && !emptyFits) return false;
    Mask bits = 0;
    for (const std::string& item : items) {
        int64_t number = 0;
        if (!wholeNumber(item, 0, highest, number)) return false;
        bits = static_cast<Mask>(bits | 1u << number);
    }
    mask = bits;
    return true;
}

bool takeFormats(const std::string& value, HandsetProfile& profile) {
    uint8_t formats = 0;
    if (!takeBits(value, 2, false, formats)) return false;
    profile.allowedFormats = formats;
    return true;
}

bool takeKeyRange(const std::string& value, HandsetProfile& profile) {
    const size_t dash = value.find('-');
    if (dash == std::string::npos) return false;
    int64_t lowest = 0;
    int64_t highest = 0;
    if (!wholeNumber(trimmed(value.substr(0, dash)), 0, KeyCount - 1, lowest) ||
        !wholeNumber(trimmed(value.substr(dash + 1)), lowest, KeyCount - 1, highest))
        return false;
    profile.keyRange = KeyRange{static_cast<int>(lowest), static_cast<int>(highest)};
    return true;
}

// The mip words, in MipUse order.
constexpr const char* MipWords[] = {"required", "allowed", "ignored"};

bool takeMip(const std::string& value, HandsetProfile& profile) {
    for (int use = 0; use < static_cast<int>(std::size(MipWords)); ++use) {
        if (value != MipWords[use]) continue;
        profile.mip = static_cast<MipUse>(use);
        return true;
    }
    return false;
}

bool takeUnsupported(const std::string& value, HandsetProfile& profile) {
    bool named[MessageKindCount] = {};
    for (const std::string& item : listItems(value)) {
        int kind = 0;
        while (kind < MessageKindCount && item != messageKindKey(static_cast<MessageKind>(kind))) ++kind;
        if (kind == MessageKindCount) return false;
        named[kind] = true;
    }
    std::copy(named, named + MessageKindCount, profile.unsupported);
    return true;
}

bool takeDrumChannels(const std::string& value, HandsetProfile& profile) {
    return takeBits(value, ChannelCount - 1, true, profile.drumChannels);
}

// A list value as the settings show it: its items parted by commas, so that
// the settings can be parted by blanks.
std::string listText(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ",") + item;
    return text;
}

std::string bitsText(uint32_t mask, int count) {
    std::vector<std::string> items;
    for (int bit = 0; bit < count; ++bit)
        if ((mask >> bit & 1u) != 0) items.push_back(std::to_string(bit));
    return listText(items);
}

std::string showFormats(const HandsetProfile& profile) {
    return bitsText(profile.allowedFormats.value_or(0), 3);
}

std::string showKeyRange(const HandsetProfile& profile) {
    const KeyRange range = profile.keyRange.value_or(KeyRange{0, KeyCount - 1});
    return std::to_string(range.lowest) + "-" + std::to_string(range.highest);
}

std::string showMip(const HandsetProfile& profile) {
    return MipWords[static_cast<int>(profile.mip)];
}

std::string showUnsupported(const HandsetProfile& profile) {
    std::vector<std::string> kinds;
    for (int kind = 0; kind < MessageKindCount; ++kind)
        if (profile.unsupported[kind]) kinds.push_back(messageKindKey(static_cast<MessageKind>(kind)));
    return listText(kinds);
}

std::string showDrumChannels(const HandsetProfile& profile) {
    return bitsText(profile.drumChannels, ChannelCount);
}

// A key's reader and its value as read: take and show, or else a whole
// number of [lowest, highest] in field.
struct Key {
    const char* word;
    bool (*take)(const std::string& value, HandsetProfile& profile);
    std::string (*show)(const HandsetProfile& profile);
    std::optional<int32_t> HandsetProfile::*field;
    int32_t lowest;
    int32_t highest;

    bool read(const std::string& value, HandsetProfile& profile) const {
        if (take != nullptr) return take(value, profile);
        int64_t number = 0;
        if (!wholeNumber(value, lowest, highest, number)) return false;
        profile.*field = static_cast<int32_t>(number);
        return true;
    }

    std::string shown(const HandsetProfile& profile) const {
        return show != nullptr ? show(profile) : std::to_string((profile.*field).value_or(0));
    }
};

const Key Keys[] = {
    {"voices", nullptr, nullptr, &HandsetProfile::voices, 1, 65535},
    {"max-bytes", nullptr, nullptr, &HandsetProfile::maxBytes, 1, INT32_MAX},
    {"formats", takeFormats, showFormats, nullptr, 0, 0},
    {"min-note-ms", nullptr, nullptr, &HandsetProfile::minNoteMs, 1, 65535},
    {"key-range", takeKeyRange, showKeyRange, nullptr, 0, 0},
    {"max-tempo-changes", nullptr, nullptr, &HandsetProfile::maxTempoChanges, 0, INT32_MAX},
    {"mip", takeMip, showMip, nullptr, 0, 0},
    {"mip-first-max", nullptr, nullptr, &HandsetProfile::mipFirstMax, 0, 127},
    {"unsupported", takeUnsupported, showUnsupported, nullptr, 0, 0},
    {"drum-channels", takeDrumChannels, showDrumChannels, nullptr, 0, 0},
};

const Key* knownKey(const std::string& word) {
    for (const Key& known : Keys)
        if (word == known.word) return &known;
    return nullptr;
}

// One line of the profile, its comment and line end already cut off, into
// reading: its refusal stays empty when the line fits.
void takeLine(const std::string& line, bool cut, int number, ProfileReading& reading) {
    const std::string text = trimmed(line);
    if (text.empty()) return;
    const size_t equals = text.find('=');
    const std::string key = trimmed(text.substr(0, equals));
    const std::string& name = reading.profile.name;
    const Key* known = knownKey(key);
    if (known == nullptr) {
        reading.refusal = messageText(UnknownKey, {name, number, echoedText(key)});
        return;
    }
    const bool fits =
        equals != std::string::npos && !cut && known->read(trimmed(text.substr(equals + 1)), reading.profile);
    if (!fits) reading.refusal = messageText(BadValue, {name, number, key});
    if (std::find(reading.keys.begin(), reading.keys.end(), key) == reading.keys.end())
        reading.keys.push_back(key);
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

ProfileReading refusedAs(const char* pattern, const std::string& name) {
    ProfileReading reading;
    reading.refusal = messageText(pattern, {name});
    return reading;
}
}  // namespace

ProfileReading parseHandsetProfile(std::istream& text, const std::string& name) {
    ProfileReading reading;
    reading.profile.name = name;
    std::string line;
    bool cut = false;
    for (int number = 1; reading.ok() && nextLine(text, line, cut); ++number) {
        if (number == 1 && line.compare(0, ByteOrderMark.size(), ByteOrderMark) == 0)
            line.erase(0, ByteOrderMark.size());
        takeLine(line, cut, number, reading);
    }
    return reading;
}

ProfileReading readHandsetProfile(const ProfileLocation& where) {
    std::string text;
    switch (readSmallFile(where.path, MaxProfileBytes, text)) {
        case SmallFileRead::Read: {
            std::istringstream stream(text);
            return parseHandsetProfile(stream, where.name);
        }
        case SmallFileRead::TooLarge:
            return refusedAs(TooLarge, where.name);
        case SmallFileRead::NotOpened:
            break;
    }
    return refusedAs(CannotOpen, where.name);
}

ProfileReading loadHandsetProfile(const std::string& name, const std::string& installedFolder) {
    return readHandsetProfile(locateHandsetProfile(name, installedFolder));
}

std::string profileSettingsText(const ProfileReading& reading) {
    std::string text;
    for (const std::string& key : reading.keys)
        text += (text.empty() ? "" : " ") + key + "=" + knownKey(key)->shown(reading.profile);
    return text;
}
