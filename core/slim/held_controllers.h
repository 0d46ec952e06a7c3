#pragma once
#include <cstdint>

#include "smf/midi_format.h"

// What each channel of a handset holds on the time line it plays: controller
// values and the program. A control or program change that sets what a
// channel already holds changes nothing and can be left out.
class HeldControllers {
public:
    HeldControllers() { forgetAll(); }

    // A control change (Bn) or program change (Cn) that changes nothing
    // here. Data entry, increment, decrement, the parameter number selectors
    // and the channel mode messages always count.
    bool isRedundant(const uint8_t* message) const;
    // Takes the message's effect: a channel message of any kind.
    void apply(const uint8_t* message);
    // What a GM system on resets: every channel.
    void forgetAll();

private:
    static constexpr int16_t Unknown = -1;
    static constexpr int ControllerCount = 128;

    int16_t controller[ChannelCount][ControllerCount];
    int16_t program[ChannelCount];
    // A bank select came after the channel's last program change: the next
    // one may load another instrument of the same number.
    bool bankSelected[ChannelCount];

    bool isRedundantControl(int channel, uint8_t number, uint8_t value) const;
    void applyControl(int channel, uint8_t number, uint8_t value);
    void forgetChannel(int channel);
};
