#include "smf/smf_header.h"

#include <gtest/gtest.h>

#include <string>

#include "job/process_records.h"
#include "pass/file_pass.h"
#include "smf/vfile.h"
#include "test_support.h"

namespace {
int check(Bytes header) {
    return checkSmfHeader(header.data());
}
std::string refusal(Bytes header) {
    const char* text = smfErrorText(check(std::move(header)));
    return text == nullptr ? "" : text;
}
}  // namespace

TEST(SmfHeader, AcceptsFormatsZeroToTwoWithTicksPerQuarter) {
    EXPECT_EQ(check(smfHeaderChunk(1, 2, 480)), 1);
    EXPECT_EQ(SmfHeader.format, 1);
    EXPECT_EQ(SmfHeader.trackCount, 2);
    EXPECT_EQ(SmfHeader.division, 480);
    EXPECT_EQ(check(smfHeaderChunk(2, 65535, 0)), 1);
    EXPECT_EQ(SmfHeader.trackCount, 65535);
    EXPECT_EQ(SmfHeader.division, 0);
}

TEST(SmfHeader, RefusesWithItsFourMessages) {
    Bytes notMidi = smfHeaderChunk(1, 1, 96);
    notMidi[0] = 'R';
    EXPECT_EQ(refusal(notMidi), "this is not midi");
    Bytes length7 = smfHeaderChunk(1, 1, 96);
    length7[7] = 7;
    EXPECT_EQ(refusal(length7), "head type no good");
    EXPECT_EQ(refusal(smfHeaderChunk(3, 1, 96)), "MIDI format no match");
    EXPECT_EQ(smfErrorText(1), nullptr);
    EXPECT_EQ(smfErrorText(-4), nullptr);
}

TEST(SmfHeader, TheCheckGivesTheRefusalsTextAsItsFailure) {
    Bytes notMidi = smfHeaderChunk(1, 1, 96);
    notMidi[0] = 'R';
    Bytes length7 = smfHeaderChunk(1, 1, 96);
    length7[7] = 7;
    const Bytes refused[] = {notMidi, length7, smfHeaderChunk(3, 1, 96), smfHeaderChunk(1, 5, 0xE250)};
    for (const Bytes& header : refused) {
        SmfHeaderRecord record;
        const Result checked = checkHeader(header.data(), record);
        ASSERT_TRUE(checked.failed());
        EXPECT_EQ(std::string(checked.message()), refusal(header));
    }
    SmfHeaderRecord record;
    EXPECT_TRUE(checkHeader(smfHeaderChunk(0, 3, 96).data(), record).ok());
    EXPECT_EQ(record.trackCount, 3);
}

TEST(SmfHeader, SmpteDivisionIsRefusedAfterFormatAndTracksAreTaken) {
    check(smfHeaderChunk(0, 1, 480));
    EXPECT_EQ(refusal(smfHeaderChunk(1, 5, 0xE250)), "no support type delta time");
    EXPECT_EQ(SmfHeader.format, 1);
    EXPECT_EQ(SmfHeader.trackCount, 5);
    EXPECT_EQ(SmfHeader.division, 480);
}

TEST(SmfHeader, AShortFileReadsItsMissingBytesAsZero) {
    FilePass pass = defaultFilePass();
    const uint8_t* header = pass.headerBytes;
    ASSERT_TRUE(loadSource(smfHeaderChunk(1, 2, 480)));
    beginFilePass(pass);
    ASSERT_EQ(checkSmfHeader(header), 1);

    ASSERT_TRUE(loadSource({'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1}));
    beginFilePass(pass);
    EXPECT_EQ(Bytes(header + 10, header + 14), Bytes({0, 0, 0, 0}));
    EXPECT_EQ(checkSmfHeader(header), 1);
    EXPECT_EQ(SmfHeader.trackCount, 0);

    ASSERT_TRUE(loadSource({'M', 'T'}));
    beginFilePass(pass);
    EXPECT_EQ(checkSmfHeader(header), 0);
}

// A file loaded aside is checked without touching the process's header or
// the file in use, whose reading goes on where it was.
TEST(SmfHeader, AFileLoadedAsideIsCheckedAndTheProcessesRecordsStay) {
    ASSERT_TRUE(loadSource(smfHeaderChunk(1, 4, 480)));
    ASSERT_EQ(check(smfHeaderChunk(1, 4, 480)), 1);
    inputFile.position = 9;
    VFILE aside;
    writeFile("aside.mid", smfHeaderChunk(2, 7, 96));
    ASSERT_EQ(aside.load("aside.mid"), 1);
    EXPECT_TRUE(checkHeaderOf(aside).ok());
    writeFile("aside.mid", {'R', 'I', 'F', 'F'});
    ASSERT_EQ(aside.load("aside.mid"), 1);
    const Result refused = checkHeaderOf(aside);
    ASSERT_TRUE(refused.failed());
    EXPECT_STREQ("this is not midi", refused.message());
    EXPECT_EQ(SmfHeader.format, 1);
    EXPECT_EQ(SmfHeader.trackCount, 4);
    EXPECT_EQ(inputFile.position, 9);
}
