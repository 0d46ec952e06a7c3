// The console's second core: the handset file made while the report is
// written is the one the run would make, and it is really made early.
#include "early_conversion.h"

#include <gtest/gtest.h>

#include "convert/convert_midi_file.h"
#include "convert/convert_options.h"
#include "convert/sp_midi.h"
#include "fatal_error_recorder.h"
#include "midi_generator.h"
#include "report/analysis_report.h"
#include "test_support.h"

namespace {
class EarlyConversionTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetConvertOptions();
        ConvertOptions.detectLevel = 2;
        SpMidi = SpMidiSettings();
        fatalErrors.clear();
    }
    void TearDown() override { SpMidi = SpMidiSettings(); }

    // Starts early, then analyses and rounds the length as the run does.
    ConvertedFile* runBeside(EarlyConversion& early) {
        early.start({});
        ConvertOptions.analysedLength = writeAnalysisReport("in.mid", "");
        early.wait();
        roundTuneLength();
        return early.madeFor(ConvertOptions.analysedLength, ConvertOptions.tuneLength);
    }
};
}  // namespace

TEST_F(EarlyConversionTest, MakesTheFileTheRunWouldMake) {
    ASSERT_TRUE(loadSource(generateMidiFile(7)));
    SpMidi.enabled = 1;
    EarlyConversion early;
    const ConvertedFile* made = runBeside(early);
    ASSERT_NE(made, nullptr) << "nothing was made on the second core";
    ASSERT_EQ(convertLoadedFile("out.mid", ConvertOptions.tuneLength).message(), nullptr);
    EXPECT_EQ(made->bytes, readFile("out.mid"));
    EXPECT_FALSE(made->mips.empty());
}

TEST_F(EarlyConversionTest, AChosenLengthIsTheOneUsed) {
    ASSERT_TRUE(loadSource(generateMidiFile(8)));
    ConvertOptions.tuneLength = 1920;
    EarlyConversion early;
    ASSERT_NE(runBeside(early), nullptr);
    EXPECT_EQ(early.madeFor(ConvertOptions.analysedLength, 3840), nullptr)
        << "another length is another file";
}

TEST_F(EarlyConversionTest, ARefusedHeaderMakesNothing) {
    ASSERT_TRUE(loadSource({'M', 'T', 'h', 'd', 0, 0, 0, 7, 0, 1, 0, 1, 0, 96}));
    EarlyConversion early;
    early.start({});
    early.wait();
    EXPECT_EQ(early.madeFor(0, 0), nullptr);
}
