// One file has many spellings: names are compared by the file they reach,
// and names not yet on disk by their real folder and final name.
#include "smf/target_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "test_support.h"

namespace {
class FileNames : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::remove_all("names");
        std::filesystem::create_directories("names/sub");
        writeTextFile("names/tune.mid", "tune");
        writeTextFile("names/other.mid", "other");
    }
};
}  // namespace

TEST_F(FileNames, SpellingsOfOneExistingFileAreOneFile) {
    for (const char* spelling : {"names/tune.mid", "./names/tune.mid", "names/./tune.mid",
                                 "names/sub/../tune.mid", "names//tune.mid"})
        EXPECT_TRUE(namesSameFile("names/tune.mid", spelling)) << spelling;
    const std::string absolute = std::filesystem::absolute("names/tune.mid").string();
    EXPECT_TRUE(namesSameFile(absolute, "names/tune.mid"));
    EXPECT_FALSE(namesSameFile("names/tune.mid", "names/other.mid"));
    EXPECT_FALSE(namesSameFile("names/tune.mid", "names/absent.mid"));
    EXPECT_FALSE(namesSameFile("names/tune.mid", ""));
    EXPECT_FALSE(namesSameFile("", ""));
}

TEST_F(FileNames, NamesNotYetOnDiskCompareByRealFolderAndName) {
    EXPECT_TRUE(namesSameFile("names/new.mid", "names/new.mid"));
    EXPECT_TRUE(namesSameFile("names/new.mid", "./names/sub/../new.mid"));
    EXPECT_TRUE(namesSameFile("new.mid", "./new.mid"));
    EXPECT_FALSE(namesSameFile("names/new.mid", "names/sub/new.mid"));
    EXPECT_FALSE(namesSameFile("names/new.mid", "names/new.log"));
    EXPECT_FALSE(namesSameFile("no-such-folder/new.mid", "names/new.mid"));
}

#ifndef _WIN32
// A link reaches the file it points to; a dangling one is the name it points
// to, read from the link's own folder: writing to either makes one file. A
// loop of links reaches no other name.
TEST_F(FileNames, LinksAreTheNamesTheyLeadTo) {
    namespace fs = std::filesystem;
    fs::create_symlink("tune.mid", "names/link.mid");
    fs::create_hard_link("names/tune.mid", "names/hard.mid");
    fs::create_directory_symlink("sub", "names/folder-link");
    fs::create_symlink("sub/new.mid", "names/dangling.mid");
    fs::create_symlink("dangling.mid", "names/chain.mid");
    fs::create_symlink(fs::absolute("names/sub/far.mid"), "names/absolute.mid");
    fs::create_symlink("loop-b", "names/loop-a");
    fs::create_symlink("loop-a", "names/loop-b");
    const struct {
        const char* a;
        const char* b;
        bool same;
    } pairs[] = {
        {"names/link.mid", "names/tune.mid", true},
        {"names/hard.mid", "names/tune.mid", true},
        {"names/folder-link/new.mid", "names/sub/new.mid", true},
        {"names/link.mid", "names/other.mid", false},
        {"names/dangling.mid", "names/sub/new.mid", true},
        {"names/chain.mid", "./names/sub/../sub/new.mid", true},
        {"names/absolute.mid", "names/sub/far.mid", true},
        {"names/dangling.mid", "sub/new.mid", false},
        {"names/dangling.mid", "names/new.mid", false},
        {"names/dangling.mid", "names/sub/far.mid", false},
        {"names/loop-a", "./names/loop-a", true},
        {"names/loop-a", "names/tune.mid", false},
        {"names/loop-a", "names/new.mid", false},
    };
    for (const auto& pair : pairs) {
        EXPECT_EQ(namesSameFile(pair.a, pair.b), pair.same) << pair.a << " and " << pair.b;
        EXPECT_EQ(namesSameFile(pair.b, pair.a), pair.same) << pair.b << " and " << pair.a;
    }
}

TEST_F(FileNames, EachKindOfTargetIsToldApartWithoutOpeningIt) {
    std::filesystem::create_symlink("tune.mid", "names/link.mid");
    std::filesystem::create_symlink("gone.mid", "names/dangling.mid");
    ASSERT_EQ(mkfifo("names/fifo", 0600), 0);  // opening it to look would block
    EXPECT_EQ(probeTarget("names/absent.mid").kind, TargetKind::Absent);
    EXPECT_EQ(probeTarget("names/tune.mid").kind, TargetKind::Regular);
    EXPECT_EQ(probeTarget("names/tune.mid").path, "names/tune.mid");
    const TargetFile link = probeTarget("names/link.mid");
    EXPECT_EQ(link.kind, TargetKind::Regular);
    EXPECT_EQ(link.path, std::filesystem::canonical("names/tune.mid").string());
    EXPECT_EQ(probeTarget("names/dangling.mid").kind, TargetKind::Refused);
    EXPECT_EQ(probeTarget("names/sub").kind, TargetKind::Refused);
    EXPECT_EQ(probeTarget("names/fifo").kind, TargetKind::InPlace);
    EXPECT_EQ(probeTarget("/dev/null").kind, TargetKind::InPlace);
}
#endif
