// The report's line writer: CR LF line ends, texts of known length, lines
// built in place, and a streamed output that hands on the lines unchanged.
#include "report/report_lines.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "report/streamed_text.h"
#include "smf/output_sink.h"

namespace {
// A line writer over memory; text() hands on what was written.
struct Lines {
    MemoryOutput memory;
    StreamedText stream{&memory};
    ReportLines report{stream};

    std::string text() {
        stream.flush();
        return std::string(memory.bytes.begin(), memory.bytes.end());
    }
};

// The same line by printLine and by lineSpace and endLine.
void expectBothLineFormsWrite(const std::string& line, const std::string& written) {
    Lines printed;
    printed.report.printLine(line.data(), static_cast<int32_t>(line.size()));
    EXPECT_EQ(printed.text(), written);

    Lines built;
    char* space = built.report.lineSpace();
    ASSERT_NE(space, nullptr);
    const size_t taken = line.size() < 4095 ? line.size() : 4095;
    std::memcpy(space, line.data(), taken);
    built.report.endLine(static_cast<int32_t>(line.size()));
    EXPECT_EQ(built.text(), written);
}
}  // namespace

TEST(ReportLines, PrintTextOfAKnownLengthIsPrint) {
    Lines lines;
    const std::string text = "a\nb\r\n\nc";
    lines.report.printText(text.data(), static_cast<int32_t>(text.size()));
    lines.report.print("%s", text.c_str());
    EXPECT_EQ(lines.text(), "a\r\nb\r\n\r\nca\r\nb\r\n\r\nc");
}

TEST(ReportLines, LinesEndWithCrLfAndTheirLfsAreExpanded) {
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

TEST(ReportLines, PrintWritesCrLfLineEnds) {
    Lines lines;
    lines.report.print("a\nb\n");
    lines.report.print("c\r\n");
    lines.report.print("%s=%d\n", "n", 7);
    EXPECT_EQ(lines.text(), "a\r\nb\r\nc\r\nn=7\r\n");
}

TEST(ReportLines, PrintCutsAVeryLongLine) {
    Lines lines;
    lines.report.print("%s", std::string(5000, 'x').c_str());
    for (int i = 0; i < 2000; ++i) lines.report.print("%04d\n", i);
    const std::string text = lines.text();
    EXPECT_EQ(text.size(), 4095u + 2000 * 6);
    EXPECT_EQ(text.substr(4095, 6), "0000\r\n");
}

TEST(ReportLines, AppendTakesBytesAsTheyAre) {
    Lines lines;
    for (int i = 0; i < 1000; ++i) lines.report.append("0\n23456789", 10);
    const std::string text = lines.text();
    EXPECT_EQ(text.size(), 10000u);
    EXPECT_EQ(text.substr(9990), "0\n23456789");
}

TEST(ReportLines, PlainLinesAreTakenAsTheyAre) {
    Lines lines;
    char* space = lines.report.lineSpace();
    ASSERT_NE(space, nullptr);
    std::memcpy(space, "00000000(      0):Norm:ON :Ch:0 ", 32);
    lines.report.endPlainLine(32);
    EXPECT_EQ(lines.text(), "00000000(      0):Norm:ON :Ch:0 \r\n");
}

TEST(ReportLines, EndLineWithoutLineSpaceWritesNothing) {
    Lines lines;
    lines.report.endLine(10);
    lines.report.endPlainLine(10);
    lines.report.lineSpace();
    lines.report.printText("x");
    lines.report.endLine(10);  // the space was taken by the text
    EXPECT_EQ(lines.text(), "x");
}

// Far more text than the buffer holds, in lines of every form and in pieces
// larger than the buffer: all of it comes out, in order.
TEST(ReportLines, StreamedTextHandsOnEverythingInOrder) {
    Lines lines;
    std::string expected;
    for (int i = 0; i < 40000; ++i) {
        char* space = lines.report.lineSpace();
        const int n = std::snprintf(space, 64, "line %d\nend", i);
        lines.report.endLine(n);
        expected += "line " + std::to_string(i) + "\r\nend\r\n";
    }
    const std::string big(StreamedText::Capacity + 7, 'b');
    lines.report.append(big.data(), static_cast<int32_t>(big.size()));
    lines.report.printLine("tail", 4);
    expected += big + "tail\r\n";
    EXPECT_EQ(lines.text(), expected);
}

namespace {
// Takes a few writes, then refuses.
class FailingSink : public OutputSink {
public:
    int writesLeft = 1;
    bool write(const void*, size_t) override { return writesLeft-- > 0; }
    bool rewrite(size_t, const void*, size_t) override { return false; }
};
}  // namespace

TEST(ReportLines, AFailedHandingOnIsRemembered) {
    FailingSink sink;
    StreamedText stream(&sink);
    std::memset(stream.room(StreamedText::Capacity), 'a', StreamedText::Capacity);
    stream.take(StreamedText::Capacity);
    stream.room(1)[0] = 'b';  // hands on the full buffer: the one write allowed
    stream.take(1);
    EXPECT_FALSE(stream.flush());
    stream.room(1);
    EXPECT_FALSE(stream.flush());
    StreamedText nowhere(nullptr);
    nowhere.append("dropped", 7);
    EXPECT_TRUE(nowhere.flush());
}
