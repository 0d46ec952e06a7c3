// An independent decoder (mido, run by the system's python3) reads the plain
// and the slimmed conversions of the corpus: the slimmed file's channel
// messages are the plain file's at the same ticks, less exactly the control
// and program changes that set what their channel already holds.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "handset_tunes.h"
#include "test_support.h"

namespace {
struct Pairs {
    std::string arguments;
    std::vector<std::string> names;

    // The plain file and each differing variant, written for the checker.
    void add(const std::string& name, const Bytes& source, int level,
             const std::vector<SlimSettings>& variants) {
        const Bytes plain = convertForHandset(source, level, SlimSettings()).bytes;
        const std::string stem = "pair" + std::to_string(names.size());
        writeFile(stem + ".mid", plain);
        for (size_t v = 0; v < variants.size(); ++v) {
            const Bytes slimmed = convertForHandset(source, level, variants[v]).bytes;
            if (slimmed == plain) continue;
            const std::string variant = stem + "v" + std::to_string(v) + ".mid";
            writeFile(variant, slimmed);
            arguments += std::string(variants[v].slim != 0 ? " slim " : " merge ") + stem + ".mid " + variant;
            names.push_back(name + " -D" + std::to_string(level) + " variant " + std::to_string(v));
        }
    }
};
}  // namespace

TEST(SlimIndependentCheck, SlimmedChannelMessagesAreThePlainOnesLessTheRedundantOnes) {
    const std::vector<SlimSettings> everyVariant = {slimSettings(true, false), slimSettings(false, true),
                                                    slimSettings(true, true)};
    Pairs pairs;
    pairs.add("controllers", controllersTune(), 1, everyVariant);
    std::vector<std::string> tunes = corpusTunePaths();
    const std::vector<std::string> regressions = regressionTunePaths();
    tunes.insert(tunes.end(), regressions.begin(), regressions.end());
    // -Z at the default level: the merged variants' channel messages are
    // checked by the synthesizer's renders.
    for (const std::string& path : tunes) pairs.add(path, readFile(path), 1, {slimSettings(true, false)});
    const CommandOutput checked =
        runCommand("/usr/bin/python3 " + testDataPath("../tools/slim_check.py") + pairs.arguments);
    ASSERT_EQ(checked.status, 0);
    ASSERT_EQ(checked.lines.size(), pairs.names.size());
    int leftOut = 0;
    int keptAlone = 0;
    for (size_t i = 0; i < checked.lines.size(); ++i) {
        int out = 0;
        int alone = 0;
        EXPECT_EQ(std::sscanf(checked.lines[i].c_str(), "ok %d %d", &out, &alone), 2)
            << pairs.names[i] << ": " << checked.lines[i];
        leftOut += out;
        keptAlone += alone;
    }
    // The controllers tune alone leaves out dozens and keeps some for the clock.
    EXPECT_GT(leftOut, 40);
    EXPECT_GT(keptAlone, 0);
}
#endif
