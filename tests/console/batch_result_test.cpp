#include "batch_result.h"

#include <gtest/gtest.h>

#include "batch_worker.h"

namespace {
BatchResult awkwardResult() {
    BatchResult result;
    result.file = "tunes/a\tb\\n\nc\r.mid";
    result.converted = true;
    result.message = "";
    result.bytes = 123456789012;
    result.format = 1;
    result.tracks = 14;
    result.voices = 53;
    result.notes = 16;
    BatchProfileResult profile;
    profile.name = "gm-lite";
    profile.findings = 2;
    profile.firstPlace = "1:02.345 (bar 17 beat 3, track 13 tick 61656)";
    profile.voiceLimit = 16;
    profile.findingLines = {"-> Handset check [gm-lite]: one\tline", ""};
    profile.findingSeconds = {62.345, -1};
    result.profiles = {profile, BatchProfileResult{}};
    result.profiles[1].name = "voices-64";
    result.profiles[1].fits = true;
    result.timeline = {{0.5, 3, 2}, {1.0 / 3.0, 40, 16}};
    result.barSeconds = {0, 2, 4.000000001};
    result.lengthSeconds = 98.765;
    return result;
}

void expectSame(const BatchResult& a, const BatchResult& b) {
    EXPECT_EQ(a.file, b.file);
    EXPECT_EQ(a.converted, b.converted);
    EXPECT_EQ(a.message, b.message);
    EXPECT_EQ(a.bytes, b.bytes);
    EXPECT_EQ(a.format, b.format);
    EXPECT_EQ(a.tracks, b.tracks);
    EXPECT_EQ(a.voices, b.voices);
    EXPECT_EQ(a.notes, b.notes);
    ASSERT_EQ(a.profiles.size(), b.profiles.size());
    for (size_t k = 0; k < a.profiles.size(); ++k) {
        EXPECT_EQ(a.profiles[k].name, b.profiles[k].name);
        EXPECT_EQ(a.profiles[k].fits, b.profiles[k].fits);
        EXPECT_EQ(a.profiles[k].findings, b.profiles[k].findings);
        EXPECT_EQ(a.profiles[k].firstPlace, b.profiles[k].firstPlace);
        EXPECT_EQ(a.profiles[k].voiceLimit, b.profiles[k].voiceLimit);
        EXPECT_EQ(a.profiles[k].findingLines, b.profiles[k].findingLines);
        EXPECT_EQ(a.profiles[k].findingSeconds, b.profiles[k].findingSeconds);
    }
    ASSERT_EQ(a.timeline.size(), b.timeline.size());
    for (size_t k = 0; k < a.timeline.size(); ++k) {
        EXPECT_EQ(a.timeline[k].seconds, b.timeline[k].seconds);
        EXPECT_EQ(a.timeline[k].voices, b.timeline[k].voices);
        EXPECT_EQ(a.timeline[k].notes, b.timeline[k].notes);
    }
    EXPECT_EQ(a.barSeconds, b.barSeconds);
    EXPECT_EQ(a.lengthSeconds, b.lengthSeconds);
}
}  // namespace

TEST(BatchResultRecord, EveryFieldComesBackExactlyFromOneLine) {
    const BatchResult sent = awkwardResult();
    const std::string record = encodeBatchResult(sent);
    EXPECT_EQ(record.find_first_of("\r\n"), std::string::npos);
    BatchResult back;
    ASSERT_TRUE(decodeBatchResult(record, back));
    expectSame(sent, back);

    BatchResult failed;
    failed.file = "x.mid";
    failed.message = "this is not midi";
    ASSERT_TRUE(decodeBatchResult(encodeBatchResult(failed), back));
    expectSame(failed, back);
}

TEST(BatchResultRecord, AnythingButAWholeRecordIsRefusedAndLeavesTheResult) {
    const std::string record = encodeBatchResult(awkwardResult());
    BatchResult kept;
    kept.file = "kept";
    for (size_t cut = 0; cut < record.size(); ++cut)
        ASSERT_FALSE(decodeBatchResult(record.substr(0, cut), kept)) << cut;
    EXPECT_EQ(kept.file, "kept");
    EXPECT_FALSE(decodeBatchResult(record + "\textra", kept));
    EXPECT_FALSE(decodeBatchResult("Cannot open source file", kept));
    EXPECT_FALSE(decodeBatchResult("", kept));
    // A count far past the fields there are asks for no memory.
    const std::string empty = encodeBatchResult(BatchResult{});
    ASSERT_EQ(empty, "quavelbatch-result-1\t\t0\t\t0\t0\t0\t0\t0\t0\t0\t0\t0\tend");
    std::string huge = empty;
    huge.replace(huge.size() - 11, 1, "99999999999");
    EXPECT_FALSE(decodeBatchResult(huge, kept));
    EXPECT_EQ(kept.file, "kept");
}

TEST(FindingPlaces, TheTimeAfterAtAndItsBracketsAreThePlace) {
    std::string place;
    double seconds = 0;
    ASSERT_TRUE(
        placeInFinding("-> Handset check [v]: 22 voices at once (9 notes) at 1:17.250 (bar 39 beat 3, "
                       "track 1 tick 73920), over 1 voice; ch0 10",
                       place, seconds));
    EXPECT_EQ(place, "1:17.250 (bar 39 beat 3, track 1 tick 73920)");
    EXPECT_DOUBLE_EQ(seconds, 77.25);
    ASSERT_TRUE(placeInFinding("-> Handset check [p]: notes shorter than 5 ms: 3, first at 12:00.001", place,
                               seconds));
    EXPECT_EQ(place, "12:00.001");
    EXPECT_DOUBLE_EQ(seconds, 720.001);
    EXPECT_FALSE(placeInFinding("-> Handset check [p]: 70000 bytes, over 65536", place, seconds));
    EXPECT_FALSE(placeInFinding("-> Handset check [at 1:2.3]: no MIP message at 1:00.00", place, seconds));
}
