#include "convert/sp_midi.h"

#include "convert/hex_digits.h"
#include "playing/mip_message.h"
#include "smf/midi_format.h"
#include "smf/mtrk.h"

bool parseSpMidiPriority(const char* digits, std::vector<int>& given) {
    std::vector<int> channels;
    bool named[ChannelCount] = {};
    for (const char* p = digits; *p != 0; ++p) {
        if (!isHexDigit(static_cast<unsigned char>(*p))) return false;
        const int channel = hexDigitValue(static_cast<unsigned char>(*p));
        if (named[channel]) return false;
        named[channel] = true;
        channels.push_back(channel);
    }
    given = channels;
    return true;
}

bool spMidiLeavesOut(const SpMidiSettings& settings, int32_t kind, const uint8_t* event, int32_t n) {
    return settings.enabled != 0 && kind == EVENT_SYSEX && isSpMidiMipMessage(event, n);
}
