#include "slim/held_controllers.h"

#include <algorithm>

#include "smf/midi_format.h"

namespace {
// Messages that act each time they come, whatever value they carry.
bool alwaysActs(uint8_t number) {
    return number == ControllerDataEntry || number == ControllerDataEntryFine ||
           (number >= ControllerDataIncrement && number <= ControllerRegisteredParameterMsb) ||
           number >= FirstChannelModeController;
}

bool isBankSelect(uint8_t number) {
    return number == ControllerBankSelect || number == ControllerBankSelectLow;
}
}  // namespace

bool HeldControllers::isRedundant(const uint8_t* message) const {
    const int channel = statusChannel(message[0]);
    const uint8_t data = message[1] & 0x7F;
    if (statusType(message[0]) == StatusProgramChange)
        return program[channel] == data && !bankSelected[channel];
    if (statusType(message[0]) != StatusControlChange) return false;
    return isRedundantControl(channel, data, message[2] & 0x7F);
}

// A most significant value also sets its twin to 0 on the receiver: it is
// left out only while the twin holds nothing that it would reset.
bool HeldControllers::isRedundantControl(int channel, uint8_t number, uint8_t value) const {
    if (alwaysActs(number) || controller[channel][number] != value) return false;
    return number > ControllerLastMostSignificant ||
           controller[channel][number + ControllerTwinDistance] == Unknown;
}

void HeldControllers::apply(const uint8_t* message) {
    const int channel = statusChannel(message[0]);
    if (statusType(message[0]) == StatusProgramChange) {
        program[channel] = message[1] & 0x7F;
        bankSelected[channel] = false;
    } else if (statusType(message[0]) == StatusControlChange) {
        applyControl(channel, message[1] & 0x7F, message[2] & 0x7F);
    }
}

void HeldControllers::applyControl(int channel, uint8_t number, uint8_t value) {
    if (number == ControllerResetAll) {
        forgetChannel(channel);
        return;
    }
    controller[channel][number] = value;
    if (number <= ControllerLastMostSignificant)
        controller[channel][number + ControllerTwinDistance] = Unknown;
    if (isBankSelect(number)) bankSelected[channel] = true;
}

void HeldControllers::forgetChannel(int channel) {
    std::fill(controller[channel], controller[channel] + ControllerCount, Unknown);
    program[channel] = Unknown;
    bankSelected[channel] = false;
}

void HeldControllers::forgetAll() {
    for (int channel = 0; channel < ChannelCount; ++channel) forgetChannel(channel);
}
