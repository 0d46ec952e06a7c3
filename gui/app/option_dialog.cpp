#include "option_dialog.h"

#include <cstdio>
#include <cstring>

#include "convert/convert_options.h"
#include "job/process_records.h"
#include "report/vocabulary.h"
#include "resource.h"

namespace {
constexpr int VelocityEntries = 128;
// Entry 64 is the offset 0: the entries run from -64 to +63.
constexpr int VelocityZeroEntry = 64;
constexpr int ProgramCount = 128;
const char* const OctaveEntries[] = {"-1", "0", "+1"};
const char* const UnusedListEntry = "----";
const char* const UnusedOctaveEntry = "--";

HWND listOf(HWND dialog, int firstId, int channel) {
    return GetDlgItem(dialog, firstId + channel);
}

void addEntry(HWND list, const char* text) {
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

void selectEntry(HWND list, int entry) {
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
}

int selection(HWND list) {
    return static_cast<int>(SendMessageA(list, CB_GETCURSEL, 0, 0));
}

// Empties the list, fills it with entries, selects one and enables it or not.
template <typename AddEntries>
void setUpList(HWND list, AddEntries addEntries, int selected, bool enabled) {
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    addEntries(list);
    selectEntry(list, selected);
    EnableWindow(list, enabled ? TRUE : FALSE);
}

void addVelocityEntries(HWND list) {
    char text[8];
    for (int entry = 0; entry < VelocityEntries; ++entry) {
        const int offset = entry - VelocityZeroEntry;
        std::snprintf(text, sizeof text, offset > 0 ? "+%d" : "%d", offset);
        addEntry(list, text);
    }
}

void addInstrumentEntries(HWND list) {
    for (int program = 0; program < ProgramCount; ++program) addEntry(list, GM_INSTRUMENT_NAMES[program]);
}

void addOctaveEntries(HWND list) {
    for (const char* text : OctaveEntries) addEntry(list, text);
}

int velocityEntryFor(int32_t offset) {
    return offset == 0 ? VelocityZeroEntry : (offset + VelocityZeroEntry) & (VelocityEntries - 1);
}

// The override when there is one, else the first program; a channel with
// neither opens on the last entry.
int instrumentEntryFor(int channel) {
    const int32_t override = ConvertOptions.instrumentOverride[channel];
    const int32_t program = override != 0 ? override : ConvertOptions.firstProgram[channel];
    return (program - 1) & (ProgramCount - 1);
}

int octaveEntryFor(int32_t shift) {
    if (shift == 0) return 1;
    return shift == 1 ? 2 : 0;
}

void fillUsedChannel(HWND dialog, int channel) {
    setUpList(listOf(dialog, IDC_VELOCITY_LIST, channel), addVelocityEntries,
              velocityEntryFor(ConvertOptions.velocityOffset[channel]), true);
    setUpList(listOf(dialog, IDC_INSTRUMENT_LIST, channel), addInstrumentEntries, instrumentEntryFor(channel),
              true);
    // Notes of the percussion channel name drums: an octave shift does not apply to them.
    setUpList(listOf(dialog, IDC_OCTAVE_LIST, channel), addOctaveEntries,
              octaveEntryFor(ConvertOptions.octaveShift[channel]), channel != PercussionChannel);
}

void fillUnusedChannel(HWND dialog, int channel) {
    const auto addPlaceholder = [](HWND list) { addEntry(list, UnusedListEntry); };
    const auto addOctavePlaceholder = [](HWND list) { addEntry(list, UnusedOctaveEntry); };
    setUpList(listOf(dialog, IDC_VELOCITY_LIST, channel), addPlaceholder, 0, false);
    setUpList(listOf(dialog, IDC_INSTRUMENT_LIST, channel), addPlaceholder, 0, false);
    setUpList(listOf(dialog, IDC_OCTAVE_LIST, channel), addOctavePlaceholder, 0, false);
}

// A list without a selection (CB_ERR) leaves its option as it was.
void readUsedChannel(HWND dialog, int channel) {
    const int velocity = selection(listOf(dialog, IDC_VELOCITY_LIST, channel));
    if (velocity != CB_ERR) ConvertOptions.velocityOffset[channel] = (velocity - VelocityZeroEntry) & 0xFF;
    const int instrument = selection(listOf(dialog, IDC_INSTRUMENT_LIST, channel));
    const int32_t program = (instrument & (ProgramCount - 1)) + 1;
    // Choosing the channel's own first program keeps an override chosen earlier.
    if (instrument != CB_ERR && program != ConvertOptions.firstProgram[channel])
        ConvertOptions.instrumentOverride[channel] = program;
    const int octave = selection(listOf(dialog, IDC_OCTAVE_LIST, channel));
    if (octave != CB_ERR) ConvertOptions.octaveShift[channel] = octave - 1;
}

// What the conversion reads of the dialog's settings. Values are compared,
// not presses: DECIDE may store a value that was there already.
struct ChannelSettings {
    int32_t velocityOffset[ChannelCount];
    int32_t instrumentOverride[ChannelCount];
    int32_t octaveShift[ChannelCount];
};

ChannelSettings currentSettings() {
    ChannelSettings settings;
    std::memcpy(settings.velocityOffset, ConvertOptions.velocityOffset, sizeof settings.velocityOffset);
    std::memcpy(settings.instrumentOverride, ConvertOptions.instrumentOverride,
                sizeof settings.instrumentOverride);
    std::memcpy(settings.octaveShift, ConvertOptions.octaveShift, sizeof settings.octaveShift);
    return settings;
}

bool sameSettings(const ChannelSettings& a, const ChannelSettings& b) {
    return std::memcmp(a.velocityOffset, b.velocityOffset, sizeof a.velocityOffset) == 0 &&
           std::memcmp(a.instrumentOverride, b.instrumentOverride, sizeof a.instrumentOverride) == 0 &&
           std::memcmp(a.octaveShift, b.octaveShift, sizeof a.octaveShift) == 0;
}

void resetChannelOptions() {
    ConvertOptions.clearChannelSettings();
}

INT_PTR onDialogCommand(HWND dialog, WPARAM wParam) {
    switch (wParam) {
        // The keyboard's OK, sent when no default button answers Enter.
        case IDOK:
        case IDC_DECIDE:
            readOptionDialog(dialog);
            PostMessageA(dialog, WM_CLOSE, 0, 0);
            return TRUE;
        case IDC_RESET:
            resetChannelOptions();
            fillOptionDialog(dialog);
            return TRUE;
        case IDCANCEL:
            // Esc ends the dialog at once, as the close box does: nothing queued after it runs.
            SendMessageA(dialog, WM_CLOSE, 0, 0);
            return TRUE;
        default:
            return FALSE;
    }
}
}  // namespace

void fillOptionDialog(HWND dialog) {
    for (int channel = 0; channel < ChannelCount; ++channel) {
        if (ConvertOptions.channelUsed[channel] != 0)
            fillUsedChannel(dialog, channel);
        else
            fillUnusedChannel(dialog, channel);
    }
}

void readOptionDialog(HWND dialog) {
    for (int channel = 0; channel < ChannelCount; ++channel)
        if (ConvertOptions.channelUsed[channel] != 0) readUsedChannel(dialog, channel);
}

INT_PTR CALLBACK optionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            fillOptionDialog(dialog);
            return TRUE;
        case WM_COMMAND:
            return onDialogCommand(dialog, wParam);
        case WM_CLOSE:
            // Closing stores nothing: only DECIDE does.
            EndDialog(dialog, 0);
            return TRUE;
        default:
            return FALSE;
    }
}

bool runOptionDialog(HINSTANCE instance, HWND owner) {
    const ChannelSettings before = currentSettings();
    DialogBoxParamA(instance, OptionDialogName, owner, optionDialogProc, 0);
    return !sameSettings(before, currentSettings());
}
