#include "drag_drop.h"

#include <gtest/gtest.h>

#include "gui_test_support.h"

namespace {
std::string firstEndingWith(const std::vector<std::string>& names, const char* pattern) {
    DragDrop dropped(makeDrop(names));
    const char* found = dropped.findEndingWith(pattern);
    return found != nullptr ? found : "<none>";
}
}  // namespace

TEST(DragDrop, FindsTheFirstNameInDropOrderWhateverTheCase) {
    EXPECT_EQ("C:\\b.MID", firstEndingWith({"C:\\a.txt", "C:\\b.MID", "C:\\c.mid"}, "mid"));
    EXPECT_EQ("C:\\x.Mid", firstEndingWith({"C:\\x.Mid"}, "MID"));
    EXPECT_EQ("<none>", firstEndingWith({"C:\\a.txt", "C:\\b.midi"}, "mid"));
    EXPECT_EQ("<none>", firstEndingWith({}, "mid"));
}

TEST(DragDrop, ExactNameMatchesShorterNameAndEmptyPatternDoNot) {
    EXPECT_EQ("mid", firstEndingWith({"mid"}, "mid"));
    EXPECT_EQ("<none>", firstEndingWith({"id"}, "mid"));
    EXPECT_EQ("<none>", firstEndingWith({"a.mid"}, ""));
    EXPECT_EQ("<none>", firstEndingWith({"a.mid"}, nullptr));
}

TEST(DragDrop, StarMatchesEveryNameAtLeastAsLongAsThePattern) {
    EXPECT_EQ("C:\\any.thing", firstEndingWith({"C:\\any.thing"}, "*"));
    EXPECT_EQ("C:\\b.wav", firstEndingWith({"C:\\b.wav"}, "*.mid"));
    EXPECT_EQ("<none>", firstEndingWith({"ab"}, "*.mid"));
}

TEST(DragDrop, FoldsOnlyTheCodes97To127) {
    // '{' (123) is compared as '[' (91); '@' (64) is not folded to '`' (96).
    EXPECT_EQ("a{", firstEndingWith({"a{"}, "["));
    EXPECT_EQ("<none>", firstEndingWith({"a`"}, "@"));
}

TEST(DragDrop, OnlyTheFirst256NamesAreKept) {
    std::vector<std::string> names;
    for (int i = 0; i < DropNameCapacity; ++i) names.push_back("C:\\file" + std::to_string(i) + ".txt");
    names.push_back("C:\\late.mid");
    DragDrop dropped(makeDrop(names));
    EXPECT_EQ(DropNameCapacity, dropped.count);
    EXPECT_EQ(nullptr, dropped.findEndingWith("mid"));
    EXPECT_STREQ("C:\\file255.txt", dropped.findEndingWith("255.txt"));
}

TEST(DragDrop, WindowTakesTheMatchingNameAndReleasesTheDrop) {
    AppWindow made;
    HDROP drop = makeDrop({"C:\\one.txt", "C:\\two.mid"});
    EXPECT_EQ("C:\\two.mid", made.app->droppedFileEndingWith(drop, "mid"));
    EXPECT_EQ(static_cast<UINT>(GMEM_INVALID_HANDLE), GlobalFlags(drop));
    HDROP unmatched = makeDrop({"C:\\one.txt"});
    EXPECT_EQ("", made.app->droppedFileEndingWith(unmatched, "mid"));
    EXPECT_EQ(static_cast<UINT>(GMEM_INVALID_HANDLE), GlobalFlags(unmatched));
}
