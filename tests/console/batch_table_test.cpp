#include "batch_table.h"

#include <gtest/gtest.h>

namespace {
BatchProfileResult profile(const std::string& name, int32_t findings, const std::string& place = "") {
    BatchProfileResult result;
    result.name = name;
    result.fits = findings == 0;
    result.findings = findings;
    result.firstPlace = place;
    return result;
}

BatchResult converted(const std::string& file, std::vector<BatchProfileResult> profiles) {
    BatchResult result;
    result.file = file;
    result.converted = true;
    result.bytes = 1;
    result.format = 0;
    result.tracks = 1;
    result.voices = 1;
    result.notes = 1;
    result.profiles = std::move(profiles);
    return result;
}

BatchResult failed(const std::string& file, const std::string& message) {
    BatchResult result;
    result.file = file;
    result.message = message;
    return result;
}
}  // namespace

TEST(BatchLines, CountsAreSingularForOneAndNamesArePrintable) {
    EXPECT_EQ(tuneLine(converted("a.mid", {profile("gm-lite", 1), profile("voices-64", 0)})),
              "a.mid: 1 byte, 1 voice (1 note), gm-lite: 1 finding, voices-64 fits");
    BatchResult big = converted("b\x1b.mid", {profile("p", 2)});
    big.bytes = 2;
    big.voices = 30;
    big.notes = 0;
    EXPECT_EQ(tuneLine(big), "b\\x1B.mid: 2 bytes, 30 voices (0 notes), p: 2 findings");
    EXPECT_EQ(tuneLine(failed("c.mid", "this is not midi")), "c.mid: this is not midi");
}

TEST(BatchLines, TheClosingLineCountsFitsPerProfileAndFailures) {
    const std::vector<BatchResult> results = {converted("a", {profile("p", 0), profile("q", 1)}),
                                              converted("b", {profile("p", 0), profile("q", 0)}),
                                              failed("c", "Cannot open source file")};
    EXPECT_EQ(closingLine(results, {"p", "q"}), "3 files; p fits 2, q fits 1; 1 failure");
    EXPECT_EQ(closingLine({converted("a", {})}, {}), "1 file; 0 failures");
}

TEST(BatchLines, AFailureWinsOverAMisfit) {
    EXPECT_EQ(batchStatus({converted("a", {profile("p", 0)})}), 0);
    EXPECT_EQ(batchStatus({converted("a", {profile("p", 3)}), converted("b", {profile("p", 0)})}), 3);
    EXPECT_EQ(batchStatus({converted("a", {profile("p", 3)}), failed("b", "x")}), 1);
    EXPECT_EQ(batchStatus({failed("b", "x"), converted("a", {profile("p", 3)})}), 1);
    EXPECT_EQ(batchStatus({}), 0);
}

TEST(BatchCsv, FieldsAreQuotedOnlyWhenTheyMustBe) {
    EXPECT_EQ(csvField("plain text"), "plain text");
    EXPECT_EQ(csvField("a,b"), "\"a,b\"");
    EXPECT_EQ(csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(csvField("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(csvField("cr\r"), "\"cr\r\"");
    EXPECT_EQ(csvField(""), "");
}

TEST(BatchCsv, ARowPerTuneAndProfileInOrderAndFailuresKeepTheirRows) {
    const std::vector<BatchResult> results = {
        converted("a,1.mid", {profile("p", 2, "0:01.000 (bar 1 beat 3, track 1 tick 240)"), profile("q", 0)}),
        failed("b.mid", "this is not midi")};
    EXPECT_EQ(csvTable(results, {"p", "q"}),
              "file,status,bytes,format,tracks,voices,notes,profile,fits,findings,first_place\r\n"
              "\"a,1.mid\",converted,1,0,1,1,1,p,no,2,\"0:01.000 (bar 1 beat 3, track 1 tick 240)\"\r\n"
              "\"a,1.mid\",converted,1,0,1,1,1,q,yes,0,\r\n"
              "b.mid,failed: this is not midi,,,,,,p,,,\r\n"
              "b.mid,failed: this is not midi,,,,,,q,,,\r\n");
    EXPECT_EQ(csvTable({converted("a", {}), failed("b", "x")}, {}),
              "file,status,bytes,format,tracks,voices,notes,profile,fits,findings,first_place\r\n"
              "a,converted,1,0,1,1,1,,,,\r\n"
              "b,failed: x,,,,,,,,,\r\n");
}
