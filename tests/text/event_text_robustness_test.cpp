#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "event_text_export.h"
#include "event_text_fixture.h"
#include "midi_generator.h"

namespace {
// Deterministic pieces of event text and of noise, glued at random.
class TextShaker {
public:
    explicit TextShaker(uint32_t seed) : state(seed * 2654435761u + 1) {}

    std::string text() {
        std::string out = "-H:MIDI-EventFile\r\n";
        const int pieces = below(120);
        for (int k = 0; k < pieces; ++k) out += piece();
        return out;
    }

private:
    uint32_t next() {
        state = state * 1103515245u + 12345u;
        return state >> 8;
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }

    std::string piece() {
        static const char* const tokens[] = {
            "+F:",          "+N:",  "+D:", "-T:",        "-TE",           "      0:",  "9999999:",
            "12345678901:", "90 ",  "99 ", "8F ",        "O9B# ",         "o0Cb ",     "asn ",
            "zz",           "!",    "!0",  "!-1",        "! 99999999999", "FF 2F 00 ", "\r",
            "\n",           "\r\n", "# ",  "-2147483648"};
        const int kind = below(40);
        if (kind == 0) return std::string(static_cast<size_t>(below(3000)), "7F0 \t"[below(4)]);
        if (kind == 1) return std::string(1, static_cast<char>(below(256)));
        return tokens[below(static_cast<int>(sizeof tokens / sizeof tokens[0]))];
    }

    uint32_t state;
};
}  // namespace

TEST(EventTextRobustness, ImportOfShakenTextsEndsCleanly) {
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        int status = -1;
        const Bytes file = importedFile(TextShaker(seed).text(), &status);
        ASSERT_TRUE(status == 0 || status == 1) << "seed " << seed;
        ASSERT_GE(file.size(), 8u) << "seed " << seed;
        EXPECT_EQ(Bytes(file.begin(), file.begin() + 4), Bytes({'M', 'T', 'h', 'd'})) << "seed " << seed;
    }
}

TEST(EventTextRobustness, ExportOfCutFilesEndsCleanly) {
    const Bytes whole = generateMidiFile(3);
    for (size_t cut = 14; cut < whole.size(); cut += 97) {
        const std::string text =
            exportedText(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)));
        EXPECT_EQ(text.compare(0, 19, "-H:MIDI-EventFile\r\n"), 0) << "cut at " << cut;
    }
}
