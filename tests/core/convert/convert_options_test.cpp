#include "convert/convert_options.h"

#include <gtest/gtest.h>

#include <vector>

#include "convert/hex_digits.h"
#include "job/process_records.h"
#include "smf/smf_header.h"

TEST(HexDigits, ValuesAndRefusals) {
    EXPECT_EQ(hexDigitValue('7'), 7);
    EXPECT_EQ(hexDigitValue('b'), 11);
    EXPECT_EQ(hexDigitValue('F'), 15);
    EXPECT_EQ(hexDigitValue('G'), 0);
    EXPECT_EQ(hexDigitValue(':'), 0);
    EXPECT_EQ(hexDigitValue(0x100 + '7'), 7);  // a character taken as unsigned
    EXPECT_EQ(hexByteValue('7', 'F'), 127);
    EXPECT_EQ(hexByteValue('f', '0'), 240);
    EXPECT_EQ(hexByteValue('Z', 'Z'), 0);
    EXPECT_EQ(areHexDigits('a', '9'), 1);
    EXPECT_EQ(areHexDigits('a', 'g'), 0);
    EXPECT_EQ(isHexDigit(-1), 0);
}

TEST(SignedByte, ReadsTheLowEightBits) {
    EXPECT_EQ(signedByte(0x40), 64);
    EXPECT_EQ(signedByte(0xC0), -64);
    EXPECT_EQ(signedByte(0x80), -128);
    EXPECT_EQ(signedByte(0x1FF), -1);
    EXPECT_EQ(signedByte(hexByteValue('f', '0')), -16);
}

TEST(VelocityOffset, KeepsANoteOnANoteOn) {
    const struct {
        uint8_t velocity;
        int32_t offset;
        uint8_t expected;
    } cases[] = {{100, 0x40, 127}, {10, 0xF0, 1}, {64, 0xC0, 1}, {0, 0x40, 0}, {0x85, 0x01, 6}};
    for (const auto& c : cases) {
        uint8_t message[] = {0x90, 0x3C, c.velocity};
        applyVelocityOffset(message, c.offset);
        EXPECT_EQ(message[2], c.expected) << int(c.velocity) << "+" << c.offset;
    }
}

TEST(TuneLength, RoundsUpToWholeQuarterNotesUnlessAlreadySet) {
    SmfHeader.division = 480;
    const std::pair<int32_t, int32_t> cases[] = {{7000, 7200}, {7200, 7200}, {0, 0}, {1, 480}};
    for (const auto& [analysed, expected] : cases) {
        ConvertOptions.tuneLength = 0;
        ConvertOptions.analysedLength = analysed;
        roundTuneLength();
        EXPECT_EQ(ConvertOptions.tuneLength, expected);
    }
    ConvertOptions.tuneLength = 9000;
    roundTuneLength();
    EXPECT_EQ(ConvertOptions.tuneLength, 9000);

    SmfHeader.division = 0;
    ConvertOptions.tuneLength = 0;
    ConvertOptions.analysedLength = 7001;
    roundTuneLength();
    EXPECT_EQ(ConvertOptions.tuneLength, 7001);
}

TEST(TuneLength, ALengthNearTheLargestTimeStaysTheLargestTime) {
    // A note time stops at the largest 32-bit value; no whole quarter note lies above it.
    EXPECT_EQ(roundedTuneLength(0, INT32_MAX, 480), INT32_MAX);
    EXPECT_EQ(roundedTuneLength(0, INT32_MAX - 5, 480), INT32_MAX);
    EXPECT_EQ(roundedTuneLength(0, INT32_MAX - 1, 1), INT32_MAX - 1);
}

TEST(ConvertOptionsReset, ClearsChannelsAndLengthsButKeepsTheSwitches) {
    ConvertOptions.detectLevel = 2;
    ConvertOptions.noTimeDetect = 1;
    ConvertOptions.velocityOffset[3] = 5;
    ConvertOptions.octaveShift[15] = -1;
    ConvertOptions.tuneLength = 10;
    resetConvertOptions();
    EXPECT_EQ(ConvertOptions.velocityOffset[3], 0);
    EXPECT_EQ(ConvertOptions.octaveShift[15], 0);
    EXPECT_EQ(ConvertOptions.tuneLength, 0);
    EXPECT_EQ(ConvertOptions.detectLevel, 2);
    EXPECT_EQ(ConvertOptions.noTimeDetect, 1);
    ConvertOptions.detectLevel = 1;
    ConvertOptions.noTimeDetect = 0;
}

namespace {
// Every per-channel field and both lengths set to values of their own.
ConvertOptionsRecord filledOptions() {
    ConvertOptionsRecord options;
    for (int ch = 0; ch < ChannelCount; ++ch) {
        options.velocityOffset[ch] = 1;
        options.instrumentOverride[ch] = 2;
        options.channelUsed[ch] = 3;
        options.firstProgram[ch] = 4;
        options.octaveShift[ch] = 5;
    }
    options.analysedLength = 6;
    options.tuneLength = 7;
    options.detectLevel = 2;
    options.noTimeDetect = 1;
    return options;
}

// The sums of velocityOffset, instrumentOverride, channelUsed, firstProgram,
// octaveShift, then the four single fields.
std::vector<int32_t> fieldSums(const ConvertOptionsRecord& options) {
    std::vector<int32_t> sums(5, 0);
    for (int ch = 0; ch < ChannelCount; ++ch) {
        sums[0] += options.velocityOffset[ch];
        sums[1] += options.instrumentOverride[ch];
        sums[2] += options.channelUsed[ch];
        sums[3] += options.firstProgram[ch];
        sums[4] += options.octaveShift[ch];
    }
    sums.insert(sums.end(),
                {options.analysedLength, options.tuneLength, options.detectLevel, options.noTimeDetect});
    return sums;
}
}  // namespace

TEST(ConvertOptionsRecord, EachClearingTouchesOnlyItsFields) {
    ConvertOptionsRecord options = filledOptions();
    options.clearChannelChoices();
    EXPECT_EQ(fieldSums(options), (std::vector<int32_t>{0, 0, 48, 64, 80, 6, 7, 2, 1}));
    options = filledOptions();
    options.clearChannelSettings();
    EXPECT_EQ(fieldSums(options), (std::vector<int32_t>{0, 0, 48, 64, 0, 6, 7, 2, 1}));
    options = filledOptions();
    options.clearAnalysisResults();
    EXPECT_EQ(fieldSums(options), (std::vector<int32_t>{16, 32, 0, 0, 0, 6, 7, 2, 1}));
    options = filledOptions();
    options.reset();
    EXPECT_EQ(fieldSums(options), (std::vector<int32_t>{0, 0, 0, 0, 0, 0, 0, 2, 1}));
}
