// The console's second core: the handset file made while the report is
// written is the one the run would make, and it is really made early.
#include "early_conversion.h"

#include <gtest/gtest.h>

#include "fatal_error_recorder.h"
#include "midi_generator.h"
#include "report/analysis_report.h"
#include "test_support.h"

namespace {
class EarlyConversionTest : public ::testing::Test {
protected:
    void SetUp() override {
        job.options.detectLevel = 2;
        fatalErrors.clear();
    }

    // Starts early, then analyses and rounds the length as the run does.
    ConvertedFile* runBeside(EarlyConversion& early) {
        early.start(job);
        int32_t longest = 0;
        EXPECT_TRUE(analyseFile(pass, job.options, "in.mid", "", longest).ok());
        job.options.analysedLength = longest;
        early.wait();
        job.options.roundTuneLength(pass.header.division);
        return early.madeFor(job.options.analysedLength, job.options.tuneLength);
    }

    Job job;
    FilePass pass{inputFile, trackReader};
};
}  // namespace

TEST_F(EarlyConversionTest, MakesTheFileTheRunWouldMake) {
    ASSERT_TRUE(loadSource(generateMidiFile(7)));
    job.spMidi.enabled = 1;
    EarlyConversion early;
    const ConvertedFile* made = runBeside(early);
    ASSERT_NE(made, nullptr) << "nothing was made on the second core";
    ConvertedFile madeLater;
    ASSERT_EQ(makeConvertedFile(pass, job, job.options.tuneLength, madeLater).message(), nullptr);
    EXPECT_EQ(made->bytes, madeLater.bytes);
    EXPECT_FALSE(made->mips.empty());
}

TEST_F(EarlyConversionTest, AChosenLengthIsTheOneUsed) {
    ASSERT_TRUE(loadSource(generateMidiFile(8)));
    job.options.tuneLength = 1920;
    EarlyConversion early;
    ASSERT_NE(runBeside(early), nullptr);
    EXPECT_EQ(early.madeFor(job.options.analysedLength, 3840), nullptr) << "another length is another file";
}

TEST_F(EarlyConversionTest, ARefusedHeaderMakesNothing) {
    ASSERT_TRUE(loadSource({'M', 'T', 'h', 'd', 0, 0, 0, 7, 0, 1, 0, 1, 0, 96}));
    EarlyConversion early;
    early.start(job);
    early.wait();
    EXPECT_EQ(early.madeFor(0, 0), nullptr);
}
