#include "smf/vfile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "test_support.h"

TEST(VFILE, LoadReadsTheWholeFileAndReadStopsAtTheEnd) {
    VFILE file;
    writeFile("empty.bin", {});
    ASSERT_EQ(file.load("empty.bin"), 1);
    EXPECT_EQ(file.size, 0);
    uint8_t buffer[16];
    EXPECT_EQ(file.read(buffer, 10), 0);

    writeFile("six.bin", {1, 2, 3, 4, 5, 6});
    ASSERT_EQ(file.load("six.bin"), 1);
    EXPECT_EQ(file.read(buffer, 2), 2);
    EXPECT_EQ(file.read(buffer, 10), 4);
    EXPECT_EQ(buffer[0], 3);
    EXPECT_EQ(file.position, file.size);
}

TEST(VFILE, LoadAndCreateRefuseWhatTheyCannotHold) {
    VFILE file;
    EXPECT_EQ(file.load("no-such-file.mid"), 0);
    EXPECT_EQ(file.isLoaded, 0);
    uint8_t byte;
    EXPECT_EQ(file.read(&byte, 1), 0);

    const std::string longPath(256, 'a');
    writeFile("short.bin", {1});
    EXPECT_EQ(file.load(longPath.c_str()), 0);
    EXPECT_EQ(file.create(longPath.c_str(), 10), 0);
    EXPECT_EQ(file.create(std::string(255, 'b').c_str(), 10), 1);
    EXPECT_EQ(file.create("x", -1), 0);
}

TEST(VFILE, WriteGrowsExactlyAndResizeClampsThePosition) {
    VFILE file;
    writeFile("32.bin", Bytes(32, 0));
    ASSERT_EQ(file.load("32.bin"), 1);
    file.position = 30;
    const uint8_t six[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(file.write(six, 6), 6);
    EXPECT_EQ(file.size, 36);
    EXPECT_EQ(file.capacity, 36);
    EXPECT_EQ(file.isModified, 1);

    EXPECT_EQ(file.resize(10), 1);
    EXPECT_EQ(file.position, 10);
    EXPECT_EQ(file.capacity, 36);
    EXPECT_EQ(file.resize(-1), 0);
    EXPECT_EQ(file.isLoaded, 0);
}

TEST(VFILE, FlushSavesOnlyAfterAWrite) {
    std::remove("flushed.txt");
    VFILE file;
    ASSERT_EQ(file.create("flushed.txt", 0), 1);
    EXPECT_EQ(file.flush(), 0);
    EXPECT_FALSE(fileExists("flushed.txt"));
    file.write("hello\r\n", 7);
    EXPECT_EQ(file.flush(), 1);
    EXPECT_EQ(readText("flushed.txt"), "hello\r\n");
    EXPECT_EQ(file.flush(), 0);
    EXPECT_EQ(file.isLoaded, 1);
    EXPECT_EQ(file.saveAs(""), 0);
}

TEST(VFILE, AViewReadsAnotherFilesBytesAndNeverChangesThem) {
    VFILE owner;
    ASSERT_EQ(owner.create("owner.bin", 0), 1);
    ASSERT_EQ(owner.write("abcdef", 6), 6);
    VFILE view;
    ASSERT_EQ(view.view(owner), 1);
    char read[4] = {};
    EXPECT_EQ(view.read(read, 3), 3);
    EXPECT_EQ(std::string(read), "abc");
    EXPECT_EQ(owner.position, 6) << "each has its own position";
    EXPECT_EQ(view.write("x", 1), 0);
    EXPECT_EQ(view.resize(100), 0);
    EXPECT_EQ(view.append("x", 1), 0);
    view.truncate();
    EXPECT_EQ(view.size, 6);
    view.release();
    EXPECT_EQ(std::string(reinterpret_cast<char*>(owner.data), 6), "abcdef");
    VFILE empty;
    EXPECT_EQ(view.view(empty), 0);
}

TEST(VFILE, SwapExchangesTheBytesNamesAndPositions) {
    VFILE inUse;
    VFILE aside;
    writeFile("old.bin", {1, 2, 3});
    writeFile("new.bin", {9, 8});
    ASSERT_EQ(inUse.load("old.bin"), 1);
    ASSERT_EQ(aside.load("new.bin"), 1);
    inUse.position = 2;
    inUse.swap(aside);
    EXPECT_STREQ("new.bin", inUse.path);
    EXPECT_EQ(2, inUse.size);
    EXPECT_EQ(0, inUse.position);
    uint8_t byte = 0;
    ASSERT_EQ(1, inUse.read(&byte, 1));
    EXPECT_EQ(9, byte);
    EXPECT_STREQ("old.bin", aside.path);
    EXPECT_EQ(3, aside.size);
    EXPECT_EQ(2, aside.position);
    aside.release();
    EXPECT_EQ(1, inUse.isLoaded) << "freeing the other leaves this one whole";
    EXPECT_EQ(8, inUse.data[1]);
}
