#include "job/finding_lines.h"

#include <cstdint>

#include "base/message_text.h"

namespace {
void addSpMidiLines(const ConvertedFile& made, std::vector<std::string>& lines) {
    for (const SpMidiEntry& entry : made.mips)
        lines.push_back("-> SP-MIDI MIP of ch" + std::to_string(entry.channel) + " = " +
                        std::to_string(entry.mip));
}

// What slimming left otherwise than asked, in the line before the sizes. A
// file left as it was is "not merged" when only -0 asked to merge it.
std::string slimNoteLine(const SlimOutcome& slim) {
    const std::string notDone = slim.asked.slim ? "-> Not slimmed: " : "-> Not merged: ";
    switch (slim.note) {
        case SlimNote::FormatTwoKept:
            return "-> Format 2 kept: its tracks are separate sequences, not merged";
        case SlimNote::TrackWithoutEnd:
            return notDone + "a track has no End of Track, so a handset reads on past it";
        case SlimNote::NotRewritable:
            return notDone + "its tracks cannot be rewritten as a handset reads them";
        case SlimNote::SystemMessage:
            return notDone + "a track holds a system message, which a handset reads at another length";
        case SlimNote::PacketsKeepTracks:
            return "-> Tracks kept: its SysEx packets would play otherwise in one track";
        case SlimNote::None:
            break;
    }
    return "";
}

// The sizes, after the note; none when the file was left as it was for a
// reason the note gives.
std::string slimSizeLine(const SlimOutcome& slim) {
    const std::string after = countText(static_cast<int64_t>(slim.bytesAfter), {"byte", "bytes"});
    const std::string before = std::to_string(slim.bytesBefore);
    const std::string format = std::to_string(slim.format);
    if (slim.leftAsGiven()) return "";
    if (!slim.asked.slim)
        return slim.note == SlimNote::None ? "-> Format 0: " + after + " from " + before : "";
    if (slim.unchanged) return "-> Slimmed: nothing to leave out (" + after + ", format " + format + ")";
    return "-> Slimmed to " + after + " from " + before + " (format " + format + ")";
}

void addSlimLines(const SlimOutcome& slim, std::vector<std::string>& lines) {
    if (!slim.done) return;
    for (const std::string& line : {slimNoteLine(slim), slimSizeLine(slim)})
        if (!line.empty()) lines.push_back(line);
}

void addCheckLines(const ConvertedFile& made, std::vector<std::string>& lines) {
    lines.insert(lines.end(), made.fitLines.begin(), made.fitLines.end());
    for (const HandsetFit& fit : made.fits) {
        const std::vector<std::string> fitLines = fit.lines();
        lines.insert(lines.end(), fitLines.begin(), fitLines.end());
    }
}
}  // namespace

std::vector<std::string> findingLines(const ConvertedFile& made) {
    std::vector<std::string> lines;
    addSpMidiLines(made, lines);
    addSlimLines(made.slim, lines);
    addCheckLines(made, lines);
    return lines;
}

std::vector<std::string> profilesNotFitted(const ConvertedFile& made) {
    std::vector<std::string> names;
    for (const HandsetFit& fit : made.fits)
        if (!fit.fits()) names.push_back(fit.name);
    return names;
}
