// The one table of meta and SysEx kinds that every pass asks.
#include "playing/midi_kinds.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {
SysExKind kindOf(const Bytes& event) {
    return sysExKind(event.data(), static_cast<int32_t>(event.size()));
}
int32_t metaType(const Bytes& event) {
    return metaTypeOf(event.data(), static_cast<int32_t>(event.size()));
}
bool universal(const Bytes& event) {
    return isUniversal(kindOf(event));
}
}  // namespace

TEST(MetaKinds, TextTypesAreOneToSevenAndTheMakersDataIsItsOwnKind) {
    for (uint8_t type = 0x01; type <= 0x07; ++type) EXPECT_EQ(metaKind(type), MetaKind::Text) << int(type);
    EXPECT_EQ(metaKind(0x7F), MetaKind::SequencerSpecific);
    for (uint8_t type : Bytes{0x00, 0x08, 0x09, 0x20, 0x21, 0x2F, 0x51, 0x54, 0x58, 0x59, 0x7E})
        EXPECT_EQ(metaKind(type), MetaKind::Other) << int(type);
}

TEST(MetaType, IsTheSecondByteOfAMetaEventOnly) {
    EXPECT_EQ(metaType({0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}), 0x51);
    // The type alone is enough, whatever the length says.
    EXPECT_EQ(metaType({0xFF, 0x2F}), 0x2F);
    EXPECT_EQ(metaType({0xFF, 0x00, 0x00}), 0x00);
    EXPECT_EQ(metaType({0xFF}), NotMeta);
    EXPECT_EQ(metaType({}), NotMeta);
    EXPECT_EQ(metaType({0xF0, 0x2F, 0x00}), NotMeta);
    EXPECT_EQ(metaType({0x90, 0x3C, 0x64}), NotMeta);
}

TEST(UniversalSysEx, IsTheFirstDataByte7EOr7F) {
    EXPECT_TRUE(universal({0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    EXPECT_TRUE(universal({0xF0, 0x05, 0x7F, 0x7F, 0x04, 0x01, 0xF7}));
    EXPECT_FALSE(universal({0xF0, 0x04, 0x43, 0x10, 0x4C, 0xF7}));
    EXPECT_FALSE(universal({0xF0, 0x05, 0x00, 0x01, 0x3A, 0x04, 0xF7}));  // a maker with a three-byte ID
    EXPECT_FALSE(universal({0xF0, 0x00}));
    EXPECT_FALSE(universal({0xF7, 0x02, 0x7E, 0xF7}));  // a packet is no message of its own
    // A length longer than the event holds reads what is there; a cut length reads nothing.
    EXPECT_TRUE(universal({0xF0, 0x7F, 0x7E}));
    EXPECT_FALSE(universal({0xF0, 0x81}));
    EXPECT_EQ(kindOf({0xF0, 0x81}), SysExKind::Makers);
    EXPECT_EQ(kindOf({0xF7, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}), SysExKind::Packet);
    EXPECT_EQ(kindOf({}), SysExKind::Packet);
}

TEST(UniversalSysEx, NamedMessagesForAnyDevice) {
    EXPECT_EQ(kindOf({0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}), SysExKind::GmSystemOn);
    EXPECT_EQ(kindOf({0xF0, 0x05, 0x7E, 0x10, 0x09, 0x03, 0xF7}), SysExKind::GmSystemOn);  // GM2
    EXPECT_EQ(kindOf({0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x02, 0xF7}), SysExKind::Universal);   // GM off
    EXPECT_EQ(kindOf({0xF0, 0x05, 0x7F, 0x7F, 0x09, 0x01, 0xF7}), SysExKind::Universal);
    EXPECT_EQ(kindOf({0xF0, 0x03, 0x7E, 0x7F, 0x09}), SysExKind::Universal);  // too short to name
    EXPECT_EQ(kindOf({0xF0, 0x07, 0x7F, 0x7F, 0x04, 0x01, 0x00, 0x7F, 0xF7}), SysExKind::MasterVolume);
    EXPECT_EQ(kindOf({0xF0, 0x07, 0x7F, 0x22, 0x0B, 0x01, 0x09, 0x04, 0xF7}), SysExKind::MipMessage);
    EXPECT_EQ(kindOf({0xF0, 0x07, 0x7E, 0x7F, 0x0B, 0x01, 0x09, 0x04, 0xF7}), SysExKind::Universal);
}
