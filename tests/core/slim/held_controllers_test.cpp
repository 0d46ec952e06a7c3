// What a channel already holds, on the time line a handset plays: a control
// or program change that sets it again changes nothing.
#include "slim/held_controllers.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {
Bytes control(int channel, int number, int value) {
    return {static_cast<uint8_t>(0xB0 | channel), static_cast<uint8_t>(number), static_cast<uint8_t>(value)};
}
Bytes program(int channel, int number) {
    return {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(number)};
}

// Whether each message, applied in turn, was redundant when it came.
std::vector<bool> judge(const std::vector<Bytes>& messages) {
    HeldControllers held;
    std::vector<bool> redundant;
    for (const Bytes& message : messages) {
        redundant.push_back(held.isRedundant(message.data()));
        held.apply(message.data());
    }
    return redundant;
}
}  // namespace

TEST(HeldControllers, NothingIsHeldAtTheStart) {
    HeldControllers held;
    for (int number : {0, 7, 10, 64, 127 - 8}) EXPECT_FALSE(held.isRedundant(control(0, number, 0).data()));
    EXPECT_FALSE(held.isRedundant(program(0, 0).data()));
}

TEST(HeldControllers, TheSameValueAgainIsRedundantAnotherIsNot) {
    EXPECT_EQ(judge({control(0, 7, 100), control(0, 7, 100), control(0, 7, 90), control(0, 7, 100)}),
              (std::vector<bool>{false, true, false, false}));
}

TEST(HeldControllers, EachChannelAndControllerHoldsItsOwnValue) {
    EXPECT_EQ(judge({control(0, 7, 100), control(1, 7, 100), control(0, 11, 100), control(1, 7, 100)}),
              (std::vector<bool>{false, false, false, true}));
}

TEST(HeldControllers, OtherChannelMessagesChangeNothingHeld) {
    EXPECT_EQ(
        judge({control(0, 7, 100), {0x90, 0x3C, 0x64}, {0xE0, 0x00, 0x40}, {0xD0, 0x10}, control(0, 7, 100)}),
        (std::vector<bool>{false, false, false, false, true}));
}

TEST(HeldControllers, ResetAllControllersForgetsItsChannelOnly) {
    EXPECT_EQ(judge({control(0, 7, 100), program(0, 5), control(1, 7, 100), control(0, 121, 0),
                     control(0, 7, 100), program(0, 5), control(1, 7, 100)}),
              (std::vector<bool>{false, false, false, false, false, false, true}));
}

TEST(HeldControllers, ForgetAllForgetsEveryChannel) {
    HeldControllers held;
    held.apply(control(3, 10, 64).data());
    held.apply(program(9, 1).data());
    held.forgetAll();
    EXPECT_FALSE(held.isRedundant(control(3, 10, 64).data()));
    EXPECT_FALSE(held.isRedundant(program(9, 1).data()));
}

TEST(HeldControllers, AMostSignificantValueForgetsItsTwin) {
    // Bank select: 0 is the most significant half, 32 its twin.
    EXPECT_EQ(judge({control(0, 32, 3), control(0, 0, 1), control(0, 32, 3), control(0, 32, 3)}),
              (std::vector<bool>{false, false, false, true}));
}

TEST(HeldControllers, AMostSignificantValueAgainCountsWhileItsTwinHoldsAValue) {
    // The receiver resets the twin when the most significant half comes.
    EXPECT_EQ(judge({control(0, 1, 64), control(0, 33, 5), control(0, 1, 64), control(0, 1, 64)}),
              (std::vector<bool>{false, false, false, true}));
}

TEST(HeldControllers, DataEntryParameterSelectorsAndChannelModeMessagesAlwaysCount) {
    for (int number : {6, 38, 96, 97, 98, 99, 100, 101, 120, 122, 123, 124, 125, 126, 127})
        EXPECT_EQ(judge({control(0, number, 0), control(0, number, 0)}), (std::vector<bool>{false, false}))
            << number;
}

TEST(HeldControllers, TheSameProgramAgainIsRedundantUnlessABankWasSelected) {
    EXPECT_EQ(judge({program(0, 5), program(0, 5), program(0, 6), program(0, 5)}),
              (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ(judge({program(0, 5), control(0, 0, 0), program(0, 5), program(0, 5)}),
              (std::vector<bool>{false, false, false, true}));
    EXPECT_EQ(judge({program(0, 5), control(0, 32, 0), program(0, 5)}),
              (std::vector<bool>{false, false, false}));
}
