#include "batch_result.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

// A record is fields parted by tabs, after a mark that names the layout.
// Texts escape the backslash, the tab and the line ends, so a record is one
// line whatever the names and messages hold; a list is its count, then its
// items.
namespace {
constexpr const char* RecordMark = "quavelbatch-result-1";
// The last field: a record cut short anywhere, even inside its last number,
// is known by its want of it.
constexpr const char* RecordEnd = "end";
constexpr char Separator = '\t';

class RecordWriter {
public:
    explicit RecordWriter(std::string& record) : text(record) { text = RecordMark; }

    void add(const std::string& value) {
        text += Separator;
        for (const char c : value) {
            switch (c) {
                case '\\':
                    text += "\\\\";
                    break;
                case '\t':
                    text += "\\t";
                    break;
                case '\n':
                    text += "\\n";
                    break;
                case '\r':
                    text += "\\r";
                    break;
                default:
                    text += c;
            }
        }
    }
    void add(int64_t value) { add(std::to_string(value)); }
    void add(bool value) { add(std::string(value ? "1" : "0")); }
    void add(double value) {
        char digits[40];
        std::snprintf(digits, sizeof digits, "%.17g", value);
        add(std::string(digits));
    }

private:
    std::string& text;
};

class RecordReader {
public:
    explicit RecordReader(const std::string& record) : text(record) {}

    bool mark(const char* expected) {
        std::string value;
        return field(value) && value == expected;
    }
    bool read(std::string& value) { return escapedField(value); }
    bool read(bool& value) {
        int64_t number = 0;
        if (!read(number, 0, 1)) return false;
        value = number == 1;
        return true;
    }
    bool read(int32_t& value) {
        int64_t number = 0;
        if (!read(number, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()))
            return false;
        value = static_cast<int32_t>(number);
        return true;
    }
    bool read(int64_t& value) {
        return read(value, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
    }
    bool read(double& value) {
        std::string digits;
        if (!field(digits) || digits.empty()) return false;
        char* end = nullptr;
        errno = 0;
        value = std::strtod(digits.c_str(), &end);
        return *end == 0 && errno == 0 && std::isfinite(value);
    }
    // A list's count: every item takes at least one field, so a count past
    // the fields left is a broken record, not a reason to reserve memory.
    bool readCount(size_t& count) {
        int64_t number = 0;
        if (!read(number, 0, static_cast<int64_t>(fieldsLeft()))) return false;
        count = static_cast<size_t>(number);
        return true;
    }
    bool atEnd() const { return position > text.size(); }

private:
    const std::string& text;
    size_t position = 0;

    size_t fieldsLeft() const {
        size_t count = 0;
        for (size_t k = position; k < text.size(); ++k)
            if (text[k] == Separator) ++count;
        return position <= text.size() ? count + 1 : 0;
    }
    bool field(std::string& value) {
        if (position > text.size()) return false;
        size_t end = text.find(Separator, position);
        if (end == std::string::npos) end = text.size();
        value = text.substr(position, end - position);
        position = end + 1;
        return true;
    }
    bool read(int64_t& value, int64_t lowest, int64_t highest) {
        std::string digits;
        if (!field(digits) || digits.empty()) return false;
        char* end = nullptr;
        errno = 0;
        const long long number = std::strtoll(digits.c_str(), &end, 10);
        if (*end != 0 || errno != 0 || number < lowest || number > highest) return false;
        value = number;
        return true;
    }
    bool escapedField(std::string& value) {
        std::string raw;
        if (!field(raw)) return false;
        value.clear();
        for (size_t k = 0; k < raw.size(); ++k) {
            if (raw[k] != '\\') {
                value += raw[k];
                continue;
            }
            if (++k == raw.size()) return false;
            switch (raw[k]) {
                case '\\':
                    value += '\\';
                    break;
                case 't':
                    value += '\t';
                    break;
                case 'n':
                    value += '\n';
                    break;
                case 'r':
                    value += '\r';
                    break;
                default:
                    return false;
            }
        }
        return true;
    }
};

void writeProfile(RecordWriter& out, const BatchProfileResult& profile) {
    out.add(profile.name);
    out.add(profile.fits);
    out.add(int64_t{profile.findings});
    out.add(profile.firstPlace);
    out.add(int64_t{profile.voiceLimit});
    out.add(static_cast<int64_t>(profile.findingLines.size()));
    for (const std::string& line : profile.findingLines) out.add(line);
    out.add(static_cast<int64_t>(profile.findingSeconds.size()));
    for (const double seconds : profile.findingSeconds) out.add(seconds);
}

template <class Item, class ReadItem>
bool readList(RecordReader& in, std::vector<Item>& items, ReadItem readItem) {
    size_t count = 0;
    if (!in.readCount(count)) return false;
    items.assign(count, Item{});
    for (Item& item : items)
        if (!readItem(item)) return false;
    return true;
}

template <class Item>
bool readPlainList(RecordReader& in, std::vector<Item>& items) {
    return readList(in, items, [&in](Item& item) { return in.read(item); });
}

bool readProfile(RecordReader& in, BatchProfileResult& profile) {
    return in.read(profile.name) && in.read(profile.fits) && in.read(profile.findings) &&
           in.read(profile.firstPlace) && in.read(profile.voiceLimit) &&
           readPlainList(in, profile.findingLines) && readPlainList(in, profile.findingSeconds);
}

bool readPoint(RecordReader& in, VoicePoint& point) {
    return in.read(point.seconds) && in.read(point.voices) && in.read(point.notes);
}
}  // namespace

std::string encodeBatchResult(const BatchResult& result) {
    std::string record;
    RecordWriter out(record);
    out.add(result.file);
    out.add(result.converted);
    out.add(result.message);
    out.add(result.bytes);
    out.add(int64_t{result.format});
    out.add(int64_t{result.tracks});
    out.add(int64_t{result.voices});
    out.add(int64_t{result.notes});
    out.add(static_cast<int64_t>(result.profiles.size()));
    for (const BatchProfileResult& profile : result.profiles) writeProfile(out, profile);
    out.add(static_cast<int64_t>(result.timeline.size()));
    for (const VoicePoint& point : result.timeline) {
        out.add(point.seconds);
        out.add(int64_t{point.voices});
        out.add(int64_t{point.notes});
    }
    out.add(static_cast<int64_t>(result.barSeconds.size()));
    for (const double seconds : result.barSeconds) out.add(seconds);
    out.add(result.lengthSeconds);
    out.add(std::string(RecordEnd));
    return record;
}

bool decodeBatchResult(const std::string& text, BatchResult& result) {
    RecordReader in(text);
    BatchResult read;
    const bool whole =
        in.mark(RecordMark) && in.read(read.file) && in.read(read.converted) && in.read(read.message) &&
        in.read(read.bytes) && in.read(read.format) && in.read(read.tracks) && in.read(read.voices) &&
        in.read(read.notes) &&
        readList(in, read.profiles,
                 [&in](BatchProfileResult& profile) { return readProfile(in, profile); }) &&
        readList(in, read.timeline, [&in](VoicePoint& point) { return readPoint(in, point); }) &&
        readPlainList(in, read.barSeconds) && in.read(read.lengthSeconds) && in.mark(RecordEnd) && in.atEnd();
    if (whole) result = std::move(read);
    return whole;
}
