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
TEST_F(FileNames, LinksReachTheFileTheyPointTo) {
    std::filesystem::create_symlink("tune.mid", "names/link.mid");
    std::filesystem::create_hard_link("names/tune.mid", "names/hard.mid");
    std::filesystem::create_directory_symlink("sub", "names/folder-link");
    EXPECT_TRUE(namesSameFile("names/link.mid", "names/tune.mid"));
    EXPECT_TRUE(namesSameFile("names/hard.mid", "names/tune.mid"));
    EXPECT_TRUE(namesSameFile("names/folder-link/new.mid", "names/sub/new.mid"));
    EXPECT_FALSE(namesSameFile("names/link.mid", "names/other.mid"));
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
