#include "text_commands.h"

#include <cstring>

#include "event_text_export.h"
#include "event_text_import.h"
#include "message_boxes.h"
#include "startup.h"

namespace {
constexpr int ShortNameLength = 20;
const char MidiExtension[] = ".mid";
}  // namespace

std::string midiNameFor(const char* textFile) {
    std::string name = textFile;
    const std::size_t directoryEnd = name.find_last_of("\\/:");
    if (directoryEnd != std::string::npos) name.erase(0, directoryEnd + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    // The dialog's preset name has a fixed size: the stem gives way, not the extension.
    const std::size_t longestStem = sizeof fileDialog.presetName - sizeof MidiExtension;
    if (name.size() > longestStem) name.resize(longestStem);
    return name + MidiExtension;
}

bool exportToText() {
    if (!fileDialog.chooseFile("Select event-TEXT file.", textPath, "TEXT", false)) return false;
    const std::string shortText = fileDialog.shortName(ShortNameLength);
    if (refusesToWriteOver(textPath, sourcePath)) return false;
    if (!exportEventText(textPath)) {
        showNotice("TEXT EventFile Cannot out");
        return false;
    }
    showNoticef("TEXT EventFile[%s] Out OK", shortText.c_str());
    return true;
}

bool importFromText() {
    if (!fileDialog.chooseFile("Select input text file", textPath, "TEXT", true)) return false;
    const std::string shortText = fileDialog.shortName(ShortNameLength);
    fileDialog.setPresetName(midiNameFor(textPath).c_str());
    const std::string title = shortText + "->Select MIDI file";
    if (!fileDialog.chooseFile(title.c_str(), textMidiPath, "MIDI", false)) return false;
    const std::string shortMidi = fileDialog.shortName(ShortNameLength);
    if (refusesToWriteOver(textMidiPath, textPath)) return false;
    if (!importEventText(textPath, textMidiPath)) {
        showNotice("cannot convert TEXT to MIDI.");
        return false;
    }
    showNoticef("TEXT[%s] to MIDI[%s] complete.", shortText.c_str(), shortMidi.c_str());
    return true;
}
