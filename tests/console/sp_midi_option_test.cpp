#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "quavel_version.h"
#include "run_program.h"
#include "test_support.h"

namespace {
constexpr size_t FirstBodyOffset = 22;  // the header chunk and the first track's chunk header

const std::string settings = std::string("Quavel for Java Apps. Version ") + QuavelVersion + "\n" +
                             "MIDI file [in.mid] analisation done. Reported to [quavel.log].\n"
                             "Out file making as [out.mid] with TuneLength=[1920]\n"
                             "Dinamic Detection on Level=1\n";

// Channel 0 plays 0..480 and, after a second program change, again from 480
// in the source; channel 1 plays 480..960. The conversion moves the second
// note of channel 0 to 1200, so the two channels never sound together in the
// output although they do in the source.
Bytes retimedTune() {
    return smfFile(1, 480,
                   {{0x00, 0xFF, 0x2F, 0x00},
                    {0x00, 0xC0, 0x00, 0x00, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x80, 0x3C, 0x40, 0x00, 0xC0,
                     0x01, 0x00, 0x90, 0x3E, 0x64, 0x83, 0x60, 0x80, 0x3E, 0x40, 0x00, 0xFF, 0x2F, 0x00},
                    {0x83, 0x60, 0x91, 0x40, 0x64, 0x83, 0x60, 0x81, 0x40, 0x40, 0x00, 0xFF, 0x2F, 0x00}});
}

// The first output track's body, which the message leads.
Bytes firstTrackStart(const Bytes& file, size_t n) {
    if (file.size() < FirstBodyOffset + n) return {};
    return Bytes(file.begin() + FirstBodyOffset, file.begin() + static_cast<long>(FirstBodyOffset + n));
}

class SpMidiOption : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"in.mid", "out.mid", "plain.mid", "quavel.log"}) std::remove(name);
        writeFile("in.mid", retimedTune());
    }
    static ProgramRun quavel(const std::string& arguments) {
        return runProgram(QUAVEL_PROGRAM, "in.mid out.mid -T1920 " + arguments);
    }
    static Bytes plainOutput() {
        EXPECT_EQ(runProgram(QUAVEL_PROGRAM, "in.mid plain.mid -T1920").status, 0);
        return readFile("plain.mid");
    }
};
}  // namespace

TEST_F(SpMidiOption, MipsDescribeTheConvertedTune) {
    const ProgramRun run = quavel("-S");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, settings + "-> SP-MIDI MIP of ch0 = 1\n-> SP-MIDI MIP of ch1 = 2\n");
    const Bytes message = {0x00, 0xF0, 0x09, 0x7F, 0x7F, 0x0B, 0x01, 0x00, 0x01, 0x01, 0x02, 0xF7};
    const Bytes output = readFile("out.mid");
    EXPECT_EQ(firstTrackStart(output, message.size()), message);
    // Apart from the message and the first track's length, the output is the plain conversion.
    const Bytes plain = plainOutput();
    ASSERT_EQ(output.size(), plain.size() + message.size());
    EXPECT_EQ(Bytes(output.begin() + FirstBodyOffset + 12, output.end()),
              Bytes(plain.begin() + FirstBodyOffset, plain.end()));
}

TEST_F(SpMidiOption, ChannelDigitsSetThePriority) {
    ProgramRun run = quavel("-S1");
    EXPECT_EQ(run.output, settings + "-> SP-MIDI MIP of ch1 = 1\n-> SP-MIDI MIP of ch0 = 2\n");
    run = quavel("-s10");
    EXPECT_EQ(run.output, settings + "-> SP-MIDI MIP of ch1 = 1\n-> SP-MIDI MIP of ch0 = 2\n");
    EXPECT_EQ(firstTrackStart(readFile("out.mid"), 12),
              (Bytes{0x00, 0xF0, 0x09, 0x7F, 0x7F, 0x0B, 0x01, 0x01, 0x01, 0x00, 0x02, 0xF7}));
    // A later -S replaces an earlier one.
    run = quavel("-S1 -S");
    EXPECT_EQ(run.output, settings + "-> SP-MIDI MIP of ch0 = 1\n-> SP-MIDI MIP of ch1 = 2\n");
}

TEST_F(SpMidiOption, MisformedOptionsAreIgnored) {
    const Bytes plain = plainOutput();
    for (const char* option : {"-S1x", "-S11", "-SaA", "-S9:"}) {
        const ProgramRun run = quavel(option);
        EXPECT_EQ(run.status, 0) << option;
        EXPECT_EQ(run.output, settings) << option;
        EXPECT_EQ(readFile("out.mid"), plain) << option;
    }
    // An earlier well-formed one stays.
    EXPECT_EQ(quavel("-S -S11").output, settings + "-> SP-MIDI MIP of ch0 = 1\n-> SP-MIDI MIP of ch1 = 2\n");
}

TEST_F(SpMidiOption, ATuneWithoutNotesGetsNoMessageAndLosesItsOwn) {
    const Bytes mip = {0x00, 0xF0, 0x07, 0x7F, 0x7F, 0x0B, 0x01, 0x00, 0x05, 0xF7};
    writeFile("in.mid", smfFile(0, 480, {concat({mip, {0x00, 0xFF, 0x2F, 0x00}})}));
    ProgramRun run = quavel("-S");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output, settings);
    EXPECT_EQ(readFile("out.mid"), smfFile(0, 480, {{0x00, 0xFF, 0x2F, 0x00}}));
    // Without -S it stays.
    EXPECT_EQ(quavel("").status, 0);
    EXPECT_EQ(readFile("out.mid"), smfFile(0, 480, {concat({mip, {0x00, 0xFF, 0x2F, 0x00}})}));
}
