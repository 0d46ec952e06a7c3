#include <gtest/gtest.h>

#include "smf/big_endian.h"
#include "smf/delta_time.h"
#include "test_support.h"

TEST(BigEndian, ReadsWordsTriplesAndLongsOfTheBytesSet) {
    BigEndian converter;
    const uint8_t six[] = {0, 0, 0, 6};
    converter.set(six, 4);
    EXPECT_EQ(converter.toLong(), 6u);
    EXPECT_EQ(converter.toWord(), 6u);
    const uint8_t division[] = {0x01, 0xE0};
    converter.set(division, 2);
    EXPECT_EQ(converter.toWord(), 480u);
    EXPECT_EQ(converter.toLong(), 0u);
    const uint8_t tempo[] = {0x07, 0xA1, 0x20};
    converter.set(tempo, 3);
    EXPECT_EQ(converter.toTriple(), 500000u);
    const uint8_t tag[] = {'M', 'T', 'r', 'k'};
    converter.set(tag, 4);
    EXPECT_STREQ(converter.text(), "MTrk");
    converter.set(tag, 0);
    converter.set(tag, 513);
    EXPECT_STREQ(converter.text(), "MTrk");
    const Bytes full(512, 'z');
    converter.set(full.data(), 512);
    EXPECT_EQ(converter.text()[512], 0);
}

TEST(VarLen, EncodesAtEachBoundary) {
    const std::pair<int32_t, Bytes> cases[] = {
        {0, {0x00}},
        {127, {0x7F}},
        {128, {0x81, 0x00}},
        {200, {0x81, 0x48}},
        {16383, {0xFF, 0x7F}},
        {16384, {0x81, 0x80, 0x00}},
        {0x1FFFFF, {0xFF, 0xFF, 0x7F}},
        {0x200000, {0x81, 0x80, 0x80, 0x00}},
        {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}},
        {-5, {0x7B}},
    };
    for (const auto& [value, expected] : cases) {
        uint8_t out[4];
        const int n = encodeVarLen(value, out);
        EXPECT_EQ(Bytes(out, out + n), expected) << value;
    }
}

TEST(VarLen, DecodeInvertsEncodeOverTheWholeRange) {
    DeltaTime decoder;
    for (int32_t v = 0; v <= 0x0FFFFFFF; v = v < 300 ? v + 1 : v * 3 + 7) {
        uint8_t out[4];
        const int n = encodeVarLen(v, out);
        ASSERT_EQ(decoder.decode(out, n), n);
        EXPECT_EQ(decoder.value, static_cast<uint32_t>(v));
        EXPECT_EQ(decoder.count, n);
    }
    const uint8_t three[] = {0x83, 0xFF, 0x7F};
    EXPECT_EQ(decoder.decode(three), 3);
    EXPECT_EQ(decoder.value, 65535u);
    const uint8_t four[] = {0x81, 0x80, 0x80, 0x80};
    EXPECT_EQ(decoder.decode(four), 4);
    EXPECT_EQ(decoder.value, 2097152u);
}

TEST(VarLen, BoundedDecodeRefusesAQuantityCutOff) {
    DeltaTime decoder;
    const uint8_t bytes[] = {0x81, 0x80, 0x00};
    EXPECT_EQ(decoder.decode(bytes, 2), 0);
    EXPECT_EQ(decoder.decode(bytes, 0), 0);
    EXPECT_EQ(decoder.decode(bytes, 3), 3);
}
