#include "fit/profile_reader.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <vector>

#include "base/message_text.h"
#include "smf/vfile.h"

namespace {
const char* const UnknownKey = "Profile [%s] line %d: unknown key [%s]";
const char* const BadValue = "Profile [%s] line %d: bad value for [%s]";
const char* const CannotOpen = "Cannot open profile [%s]";

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

bool takeMip(const std::string& value, HandsetProfile& profile) {
    const struct {
        const char* word;
        MipUse use;
    } uses[] = {{"required", MipUse::Required}, {"allowed", MipUse::Allowed}, {"ignored", MipUse::Ignored}};
    for (const auto& use : uses) {
        if (value != use.word) continue;
        profile.mip = use.use;
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

// A key's reader: take, or else a whole number of [lowest, highest] into field.
struct Key {
    const char* word;
    bool (*take)(const std::string& value, HandsetProfile& profile);
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
};

const Key Keys[] = {
    {"voices", nullptr, &HandsetProfile::voices, 1, 65535},
    {"max-bytes", nullptr, &HandsetProfile::maxBytes, 1, INT32_MAX},
    {"formats", takeFormats, nullptr, 0, 0},
    {"min-note-ms", nullptr, &HandsetProfile::minNoteMs, 1, 65535},
    {"key-range", takeKeyRange, nullptr, 0, 0},
    {"max-tempo-changes", nullptr, &HandsetProfile::maxTempoChanges, 0, INT32_MAX},
    {"mip", takeMip, nullptr, 0, 0},
    {"mip-first-max", nullptr, &HandsetProfile::mipFirstMax, 0, 127},
    {"unsupported", takeUnsupported, nullptr, 0, 0},
    {"drum-channels", takeDrumChannels, nullptr, 0, 0},
};

// One line of the profile, its comment and line end already cut off; an
// empty refusal when it fits.
std::string takeLine(const std::string& line, bool cut, int number, const std::string& name,
                     HandsetProfile& profile) {
    const std::string text = trimmed(line);
    if (text.empty()) return {};
    const size_t equals = text.find('=');
    const std::string key = trimmed(text.substr(0, equals));
    for (const Key& known : Keys) {
        if (key != known.word) continue;
        const bool fits =
            equals != std::string::npos && !cut && known.read(trimmed(text.substr(equals + 1)), profile);
        return fits ? std::string() : messageText(BadValue, {name, number, key});
    }
    return messageText(UnknownKey, {name, number, key});
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

bool isPath(const std::string& name) {
    return name.find_first_of("/\\") != std::string::npos;
}

bool canOpen(const std::string& path) {
    return std::ifstream(path, std::ios::binary).is_open();
}

// Where the profile that name stands for is; empty when there is none.
std::string profilePath(const std::string& name, const std::string& installedFolder) {
    if (name.empty() || name.size() > VFILE::MaxPathLength) return {};
    if (isPath(name)) return name;
    const std::string file = name + ".profile";
    if (canOpen(file)) return file;
    if (installedFolder.empty()) return {};
    return installedFolder + "/" + file;
}
}  // namespace

ProfileReading parseHandsetProfile(std::istream& text, const std::string& name) {
    ProfileReading reading;
    reading.profile.name = name;
    std::string line;
    bool cut = false;
    for (int number = 1; nextLine(text, line, cut); ++number) {
        reading.refusal = takeLine(line, cut, number, name, reading.profile);
        if (!reading.ok()) break;
    }
    return reading;
}

ProfileReading loadHandsetProfile(const std::string& name, const std::string& installedFolder) {
    const std::string path = profilePath(name, installedFolder);
    std::ifstream file;
    if (!path.empty()) file.open(path, std::ios::binary);
    ProfileReading reading;
    if (file.is_open()) reading = parseHandsetProfile(file, name);
    // A folder opens on some systems, but does not read.
    if (!file.is_open() || file.bad()) {
        reading = ProfileReading();
        reading.refusal = messageText(CannotOpen, {name});
    }
    return reading;
}
