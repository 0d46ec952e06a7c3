// The report's fast paths into VFILE: text of known length, lines built in
// place, and appends that grow the buffer geometrically.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "vfile.h"

namespace {
std::string reportText(VFILE& file) {
    file.truncate();
    return std::string(reinterpret_cast<char*>(file.data), static_cast<size_t>(file.size));
}

// The same line by printLine and by lineSpace and endLine.
void expectBothLineFormsWrite(const std::string& line, const std::string& written) {
    VFILE printed;
    ASSERT_EQ(printed.create("printed.txt", 0), 1);
    printed.printLine(line.data(), static_cast<int32_t>(line.size()));
    EXPECT_EQ(reportText(printed), written);

    VFILE built;
    ASSERT_EQ(built.create("built.txt", 0), 1);
    char* space = built.lineSpace();
    ASSERT_NE(space, nullptr);
    const size_t taken = line.size() < 4095 ? line.size() : 4095;
    std::memcpy(space, line.data(), taken);
    built.endLine(static_cast<int32_t>(line.size()));
    EXPECT_EQ(reportText(built), written);
    EXPECT_EQ(built.isModified, 1);
}
}  // namespace

TEST(VFILE, PrintTextOfAKnownLengthIsPrint) {
    VFILE file;
    ASSERT_EQ(file.create("known.txt", 0), 1);
    const std::string text = "a\nb\r\n\nc";
    file.printText(text.data(), static_cast<int32_t>(text.size()));
    file.print("%s", text.c_str());
    EXPECT_EQ(reportText(file), "a\r\nb\r\n\r\nca\r\nb\r\n\r\nc");
}

TEST(VFILE, LinesEndWithCrLfAndTheirLfsAreExpanded) {
    expectBothLineFormsWrite("", "\r\n");
    expectBothLineFormsWrite("plain line ", "plain line \r\n");
    expectBothLineFormsWrite("\na\r\nb\n", "\r\na\r\nb\r\n\r\n");
    // A CR at the end of the text does not take the line end's LF as its own.
    expectBothLineFormsWrite("text\r", "text\r\r\n");
    expectBothLineFormsWrite(std::string(3000, '\n'), [] {
        std::string expanded;
        for (int i = 0; i < 3000; ++i) expanded += "\r\n";
        return expanded + "\r\n";
    }());
    expectBothLineFormsWrite(std::string(5000, 'x'), std::string(4095, 'x') + "\r\n");
}

TEST(VFILE, AppendGrowsTheBufferAndWrites) {
    VFILE file;
    ASSERT_EQ(file.create("append.txt", 2), 1);
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(file.append("0123456789", 10), 10);
    EXPECT_EQ(file.size, 10000);
    EXPECT_GE(file.capacity, 10000);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(file.data) + 9990, 10), "0123456789");
    VFILE empty;
    EXPECT_EQ(empty.append("x", 1), 0);
    EXPECT_EQ(empty.lineSpace(), nullptr);
}

TEST(VFILE, PlainLinesAreTakenAsTheyAre) {
    VFILE file;
    ASSERT_EQ(file.create("plain.txt", 0), 1);
    char* space = file.lineSpace();
    ASSERT_NE(space, nullptr);
    std::memcpy(space, "00000000(      0):Norm:ON :Ch:0 ", 32);
    file.endPlainLine(32);
    EXPECT_EQ(reportText(file), "00000000(      0):Norm:ON :Ch:0 \r\n");
}

TEST(VFILE, EndLineWithoutLineSpaceWritesNothing) {
    VFILE file;
    ASSERT_EQ(file.create("unreserved.txt", 0), 1);
    file.endLine(10);
    file.endPlainLine(10);
    EXPECT_EQ(file.size, 0);
    EXPECT_EQ(file.isModified, 0);
}
