#include "app_profile.h"

#include <gtest/gtest.h>

#include "gui_test_support.h"
#include "test_support.h"

namespace {
std::string windowsProfile() {
    char directory[MAX_PATH] = {};
    GetWindowsDirectoryA(directory, sizeof directory);
    return std::string(directory) + "\\" + ProfileFileName;
}

// A profile in the test's folder, removed before and after each test.
class AppProfileTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteFileA(file.c_str()); }
    void TearDown() override { DeleteFileA(file.c_str()); }
    void writeBoot(const char* value) { WritePrivateProfileStringA("COMMON", "BOOT", value, file.c_str()); }
    std::string contents() const { return readText(file); }

    const std::string file = currentDirectory() + "\\isolated_profile.ini";
};
}  // namespace

TEST_F(AppProfileTest, MissingValueIsWrittenTakenAndReadsAsFree) {
    EXPECT_EQ(1, AppProfile::readBootValue(file.c_str()));
    EXPECT_EQ("[COMMON]\r\nBOOT=0\r\n", contents());
    EXPECT_EQ(0, AppProfile::readBootValue(file.c_str()));
}

TEST_F(AppProfileTest, FreeLockIsClaimedAndReleasedByItsOwner) {
    {
        AppProfile profile(file.c_str());
        EXPECT_EQ(1, profile.enabled);
        EXPECT_EQ(1, profile.lockOwner);
        EXPECT_EQ("[COMMON]\r\nBOOT=0\r\n", contents());
    }
    EXPECT_EQ("[COMMON]\r\nBOOT=1\r\n", contents());
    AppProfile again(file.c_str());
    EXPECT_EQ(1, again.lockOwner);
}

TEST_F(AppProfileTest, TakenLockIsNeitherClaimedNorReleased) {
    writeBoot("0");
    {
        AppProfile profile(file.c_str());
        EXPECT_EQ(0, profile.lockOwner);
    }
    EXPECT_EQ(0, AppProfile::readBootValue(file.c_str()));
}

TEST_F(AppProfileTest, ValueThatIsNotANumberCountsAsTaken) {
    writeBoot("yes");
    AppProfile profile(file.c_str());
    EXPECT_EQ(0, profile.lockOwner);
}

TEST(AppProfileLocation, BareNameLivesInTheWindowsFolder) {
    const std::string path = windowsProfile();
    DeleteFileA(path.c_str());
    {
        AppProfile profile;
        EXPECT_STREQ("quavel.ini", profile.profileFile);
        EXPECT_EQ("[COMMON]\r\nBOOT=0\r\n", readText(path));
    }
    EXPECT_EQ("[COMMON]\r\nBOOT=1\r\n", readText(path));
    DeleteFileA(path.c_str());
}
