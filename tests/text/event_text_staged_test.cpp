// The event text export and import replace their target only with a whole
// file: a failure at any stage leaves the earlier file and nothing beside it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "event_text_export.h"
#include "event_text_fixture.h"
#include "event_text_import.h"
#include "staged_failure.h"

namespace {
std::string freshFolder(const std::string& name) {
    std::filesystem::remove_all(name);
    std::filesystem::create_directories(name);
    return name;
}

class StagedEventText : public ::testing::Test {
protected:
    void TearDown() override { failStagedOutputAt(StagedStep::None); }
};
}  // namespace

TEST_F(StagedEventText, ExportFailsWholeAtEveryStage) {
    Bytes body;
    for (int k = 0; k < 40000; ++k) body = concat({body, {0x00, 0x90, 0x3C, 0x40}});
    ASSERT_TRUE(prepareSource(smfFile(0, 480, {body})));
    const std::string folder = freshFolder("export");
    const std::string target = folder + "/song.txt";
    // About 900 KB of text: several writes of the streamed buffer.
    expectEveryFailureLeavesTheTarget(folder, target, 2,
                                      [&] { return exportEventText(target.c_str()) == 1; });
    ASSERT_EQ(exportEventText(target.c_str()), 1);
    EXPECT_GT(readText(target).size(), 3u * 256 * 1024);
    EXPECT_EQ(filesIn(folder), std::set<std::string>{"song.txt"});
}

TEST_F(StagedEventText, ImportFailsWholeAtEveryStage) {
    const std::string folder = freshFolder("import");
    const std::string target = folder + "/song.mid";
    writeTextFile("two_tracks.txt",
                  crlfLines({"-H:MIDI-EventFile", "+F:00 01", "+N:00 02", "+D:01 E0", "-T:3", "      0:C0 01",
                             "-TE", "-T:3", "      0:C1 02", "-TE"}));
    // Writes: the chunk head, three header fields, two tracks.
    expectEveryFailureLeavesTheTarget(folder, target, 5,
                                      [&] { return importEventText("two_tracks.txt", target.c_str()) == 1; });
    ASSERT_EQ(importEventText("two_tracks.txt", target.c_str()), 1);
    EXPECT_EQ(readFile(target), concat({smfHeaderChunk(1, 2, 480), trackChunk({0x00, 0xC0, 0x01}),
                                        trackChunk({0x00, 0xC1, 0x02})}));
    EXPECT_EQ(filesIn(folder), std::set<std::string>{"song.mid"});
}
