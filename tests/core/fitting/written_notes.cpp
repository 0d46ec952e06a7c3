#include "written_notes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <tuple>

#include "fit/handset_fit.h"

namespace {
struct TimedMessage {
    int64_t tick;
    size_t track;
    uint8_t status;
    uint8_t key;
    uint8_t velocity;
};

uint32_t bigEndianAt(const Bytes& file, size_t at) {
    return uint32_t{file[at]} << 24 | uint32_t{file[at + 1]} << 16 | uint32_t{file[at + 2]} << 8 |
           file[at + 3];
}

int64_t variableLength(const Bytes& body, size_t& at) {
    int64_t value = 0;
    while (at < body.size()) {
        const uint8_t byte = body[at++];
        value = value << 7 | (byte & 0x7F);
        if ((byte & 0x80) == 0) break;
    }
    return value;
}

// The note messages of one track body; other events are stepped over.
void noteMessagesOf(const Bytes& body, size_t track, std::vector<TimedMessage>& messages) {
    int64_t tick = 0;
    uint8_t running = 0;
    for (size_t at = 0; at < body.size();) {
        tick += variableLength(body, at);
        if (at >= body.size()) break;
        if (body[at] == 0xFF) {
            at += 2;
            at += static_cast<size_t>(variableLength(body, at));
            continue;
        }
        if (body[at] == 0xF0 || body[at] == 0xF7) {
            ++at;
            at += static_cast<size_t>(variableLength(body, at));
            continue;
        }
        if ((body[at] & 0x80) != 0) running = body[at++];
        const int dataBytes = (running & 0xE0) == 0xC0 ? 1 : 2;
        if ((running & 0xE0) == 0x80 && at + 1 < body.size())
            messages.push_back({tick, track, running, body[at], body[at + 1]});
        at += static_cast<size_t>(dataBytes);
    }
}
}  // namespace

std::ostream& operator<<(std::ostream& out, const WrittenNote& note) {
    return out << "ch" << note.channel << " key " << note.key << " " << note.on << "-" << note.off;
}

std::vector<WrittenNote> notesOf(const Bytes& file) {
    std::vector<TimedMessage> messages;
    size_t track = 0;
    for (size_t at = 14; at + 8 <= file.size(); ++track) {
        const size_t length = bigEndianAt(file, at + 4);
        noteMessagesOf(
            Bytes(file.begin() + static_cast<std::ptrdiff_t>(at + 8),
                  file.begin() + static_cast<std::ptrdiff_t>(std::min(file.size(), at + 8 + length))),
            track, messages);
        at += 8 + length;
    }
    std::stable_sort(messages.begin(), messages.end(), [](const TimedMessage& a, const TimedMessage& b) {
        return std::tie(a.tick, a.track) < std::tie(b.tick, b.track);
    });
    std::vector<WrittenNote> notes;
    std::vector<size_t> sounding[16][128];
    for (const TimedMessage& m : messages) {
        std::vector<size_t>& open = sounding[m.status & 0x0F][m.key];
        if ((m.status & 0xF0) == 0x90 && m.velocity != 0) {
            open.push_back(notes.size());
            notes.push_back({m.status & 0x0F, m.key, m.tick, -1});
            continue;
        }
        for (const size_t note : open) notes[note].off = m.tick;
        open.clear();
    }
    std::sort(notes.begin(), notes.end(),
              [](const WrittenNote& a, const WrittenNote& b) { return a.tied() < b.tied(); });
    return notes;
}

FittedFile fitted(const Bytes& file, const HandsetProfile& profile, FitRule rule) {
    FittedFile result;
    FitTune tune;
    EXPECT_TRUE(tune.read(file.data(), file.size()));
    FitChanges changes(profile.name);
    rule(tune, profile, changes);
    result.changes = changes.lines();
    EXPECT_TRUE(tune.write(1, result.bytes));
    std::vector<HandsetFit> fits;
    EXPECT_TRUE(checkHandsetFits(result.bytes, {profile}, fits).ok());
    if (!fits.empty()) result.findings = fits.front().findings;
    return result;
}
