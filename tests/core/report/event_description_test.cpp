#include <gtest/gtest.h>

#include <string>

#include "report/midi_channel_event.h"
#include "report/midi_meta_event.h"
#include "test_support.h"

namespace {
struct Description {
    std::string kind;
    std::string detail;
    int32_t hasDetail;
};

Description describeChannel(const Bytes& bytes) {
    MIDIChannelEvent event;
    event.describe(bytes.data(), static_cast<int32_t>(bytes.size()));
    EXPECT_EQ(event.hasNumber, 0);
    return {event.kindText, event.detailText, event.hasDetail};
}

// Fresh describers are large; one is reused as the report does.
MIDIMetaEvent& describeMeta(const Bytes& bytes) {
    static MIDIMetaEvent event;
    event.clear();
    event.describe(bytes.data(), static_cast<int32_t>(bytes.size()));
    return event;
}

// detail nullptr: no detail shown; number below 0: no number shown.
void expectMeta(const Bytes& bytes, const char* kind, const char* detail, int32_t number = -1) {
    const MIDIMetaEvent& event = describeMeta(bytes);
    SCOPED_TRACE(hexText(bytes));
    EXPECT_EQ(event.length, static_cast<int32_t>(bytes.size()));
    EXPECT_STREQ(event.kindText, kind);
    EXPECT_EQ(event.hasDetail, detail != nullptr ? 1 : 0);
    if (detail != nullptr) {
        EXPECT_STREQ(event.detailText, detail);
    }
    EXPECT_EQ(event.hasNumber, number >= 0 ? 1 : 0);
    if (number >= 0) {
        EXPECT_EQ(event.number, number);
    }
}

Bytes textMeta(uint8_t type, const Bytes& lengthBytes, size_t count, uint8_t fill) {
    return concat({{0xFF, type}, lengthBytes, Bytes(count, fill)});
}
}  // namespace

TEST(ChannelDescription, NoteMessages) {
    auto d = describeChannel({0x90, 0x3C, 0x00});
    EXPECT_EQ(d.kind, "OFF");
    EXPECT_EQ(d.detail, "Ch:0 Note:O5C(3C) Vel:0");
    EXPECT_EQ(d.hasDetail, 1);
    d = describeChannel({0x99, 0x26, 0x64});
    EXPECT_EQ(d.kind, "ON ");
    EXPECT_EQ(d.detail, "Ch:9 Note:Acoustic Snare(26) Vel:100");
    EXPECT_EQ(describeChannel({0x99, 0x14, 0x64}).detail, "Ch:9 Note:??\?(14) Vel:100");
    d = describeChannel({0x80, 0x3D, 0x40});
    EXPECT_EQ(d.kind, "OFF");
    EXPECT_EQ(d.detail, "Ch:0 Note:O5C#(3D) Vel:64");
    EXPECT_EQ(describeChannel({0x8F, 0xFF, 0xC8}).detail, "Ch:15 Note:O10G(FF) Vel:200");
}

TEST(ChannelDescription, ControlAndProgramChanges) {
    auto d = describeChannel({0xB0, 0x07, 0x64});
    EXPECT_EQ(d.kind, "ContChg.");
    EXPECT_EQ(d.detail, "Ch:0 Channel Volume  <= 100");
    EXPECT_EQ(describeChannel({0xB3, 0x0A, 0x00}).detail, "Ch:3 ??? <= 0");
    d = describeChannel({0xC1, 0x30});
    EXPECT_EQ(d.kind, "ProgChg.");
    EXPECT_EQ(d.detail, "Ch:1 Instrument:48.String Ensemble 1");
    EXPECT_EQ(describeChannel({0xC2, 0x80}).detail, "Ch:2 Instrument:128.???");
}

TEST(ChannelDescription, UnsupportedAndUnknownMessagesDumpTheirBytes) {
    auto d = describeChannel({0xE0, 0x00, 0x40});
    EXPECT_EQ(d.kind, "No yet support");
    EXPECT_EQ(d.detail, "E0 00 40 ");
    EXPECT_EQ(describeChannel({0xA5, 0x3C, 0x10}).kind, "No yet support");
    EXPECT_EQ(describeChannel({0xD5, 0x10}).detail, "D5 10 ");
    d = describeChannel({0xF1, 0x22});
    EXPECT_EQ(d.kind, "Error/Unknown");
    EXPECT_EQ(d.detail, "F1 22 ");
    EXPECT_EQ(d.hasDetail, 1);
}

TEST(ChannelDescription, ShortOrOverlongInputIsNeverOverrun) {
    auto d = describeChannel({0x90, 0x3C});  // velocity missing
    EXPECT_EQ(d.kind, "Error/Unknown");
    EXPECT_EQ(d.detail, "90 3C ");
    d = describeChannel({0x90, 0x3C, 0x40, 0x00});  // longer than any channel message
    EXPECT_EQ(d.kind, "ON ");
    d = describeChannel(Bytes(40, 0xF8));
    EXPECT_EQ(d.kind, "Error/Unknown");
    EXPECT_EQ(d.detail, "");
    EXPECT_EQ(describeChannel({}).kind, "Error/Unknown");
}

TEST(MetaDescription, NumberedTypes) {
    expectMeta({0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}, "Tempo", "tempo=120", 500000);
    expectMeta({0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40}, "Tempo", "tempo=60", 1000000);
    expectMeta({0xFF, 0x51, 0x03, 0x00, 0x00, 0x00}, "Tempo", "tempo=0", 0);  // no division by 0
    expectMeta({0xFF, 0x00, 0x02, 0x00, 0x07}, "Seq No.", nullptr, 7);
    expectMeta({0xFF, 0x20, 0x01, 0xF5}, "Channel Prefix", nullptr, 245);
    expectMeta({0xFF, 0x21, 0x01, 0x02}, "Port", nullptr, 2);
}

TEST(MetaDescription, SignaturesAndEndOfTrack) {
    expectMeta({0xFF, 0x58, 0x04, 0x06, 0x03, 0x24, 0x08}, "Metronome",
               "6/8 36MIDIclk=1/4note. 1/32notex8=1/4note.");
    expectMeta({0xFF, 0x58, 0x04, 0xFC, 0xFF, 0x80, 0x20}, "Metronome",
               "-4/1 -128MIDIclk=1/4note. 1/32notex32=1/4note.");
    expectMeta({0xFF, 0x59, 0x02, 0xFE, 0x01}, "Tune", "G  minor");
    expectMeta({0xFF, 0x2F, 0x00}, "End of track", nullptr);
}

TEST(MetaDescription, WrongLengthsAreUnknown) {
    expectMeta({0xFF, 0x2F, 0x01, 0x00}, "Error/Unknown", "FF 2F 01 00 ");
    expectMeta({0xFF, 0x51, 0x02, 0x07, 0xA1}, "Error/Unknown", "FF 51 02 07 A1 ");
    expectMeta({0xFF, 0x00, 0x01, 0x07}, "Error/Unknown", "FF 00 01 07 ");
    expectMeta({0xFF, 0x59, 0x03, 0x00, 0x00, 0x00}, "Error/Unknown", "FF 59 03 00 00 00 ");
}

TEST(MetaDescription, TextTypesCopyTheirData) {
    expectMeta({0xFF, 0x03, 0x05, 'P', 'i', 'a', 'n', 'o'}, "Title", "Piano");
    expectMeta({0xFF, 0x01, 0x00}, "TEXT", "");
    expectMeta({0xFF, 0x06, 0x07, 'c', 'u', 'e', 0, 'x', 'y', 'z'}, "Marker", "cue");  // NUL ends it
    expectMeta({0xFF, 0x09, 0x01, 'a', 'b'}, "Device", "ab");  // length not compared with the count
    const char* kinds[] = {"TEXT",   "Copyright", "Title",   "Instruments", "Words",
                           "Marker", "Que Point", "Program", "Device"};
    for (uint8_t type = 1; type <= 9; ++type) expectMeta({0xFF, type, 0x01, 'x'}, kinds[type - 1], "x");
}

TEST(MetaDescription, LongTextsUseTheDecodedLengthAndAreCut) {
    auto& medium = describeMeta(textMeta(0x01, {0x81, 0x48}, 200, 'm'));
    EXPECT_EQ(std::string(medium.detailText), std::string(200, 'm'));
    auto& longText = describeMeta(textMeta(0x05, {0x83, 0x80, 0x00}, 49152, 'w'));
    EXPECT_EQ(std::string(longText.detailText), std::string(MIDIMetaEvent::DetailTextSize - 1, 'w'));
    auto& fourByteLength = describeMeta(textMeta(0x01, {0x80, 0x80, 0x88, 0x00}, 1024, 'f'));
    EXPECT_EQ(std::string(fourByteLength.detailText).size(), 1023u);
}

TEST(MetaDescription, UnsupportedAndUnknownTypesDumpShortEvents) {
    expectMeta({0xFF, 0x7F, 0x03, 0x00, 0x00, 0x41}, "No yet support", "FF 7F 03 00 00 41 ");
    expectMeta({0xFF, 0x54, 0x05, 1, 2, 3, 4, 5}, "No yet support", "FF 54 05 01 02 03 04 05 ");
    expectMeta({0xFF, 0x60, 0x00}, "Error/Unknown", "FF 60 00 ");
    auto& longest = describeMeta(textMeta(0x60, {0x81, 0x7B}, 251, 0xAB));  // 255 bytes in all
    EXPECT_EQ(std::string(longest.detailText).size(), 255u * 3);
    expectMeta(textMeta(0x60, {0x81, 0x7C}, 252, 0xAB), "Error/Unknown", "");
}

TEST(MetaDescription, CutOffEventsAreUnknownNotOverrun) {
    expectMeta({0xFF, 0x51, 0x03, 0x07}, "Error/Unknown", "FF 51 03 07 ");
    expectMeta({0xFF, 0x01, 0x81}, "Error/Unknown", "FF 01 81 ");
    expectMeta({0xFF, 0x58}, "Error/Unknown", "FF 58 ");
}

TEST(MetaDescription, NonMetaBytesChangeNothing) {
    auto& event = describeMeta({0xFF, 0x03, 0x01, 'A'});
    const Bytes notMeta = {0x90, 0x3C, 0x40};
    event.describe(notMeta.data(), 3);
    EXPECT_EQ(event.length, 0);
    EXPECT_STREQ(event.kindText, "Title");
    EXPECT_STREQ(event.detailText, "A");
    EXPECT_EQ(event.raw[0], 0xFF);
}
