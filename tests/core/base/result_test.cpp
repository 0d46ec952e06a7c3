// A failure made for its case owns its message; a fixed one only points at it.
#include "base/result.h"

#include <gtest/gtest.h>

#include <string>

TEST(Result, AMadeMessageOutlivesTheTextItCameFromAndTheFirstCopy) {
    Result kept = Result::success();
    {
        std::string text = "Profile [p] line 3: bad value for [voices]";
        const Result made = Result::failure(text);
        text.assign(text.size(), '?');
        kept = made;
    }
    EXPECT_TRUE(kept.failed());
    EXPECT_STREQ(kept.message(), "Profile [p] line 3: bad value for [voices]");
}

TEST(Result, AnEmptyMadeMessageIsStillAFailure) {
    EXPECT_TRUE(Result::failure(std::string()).failed());
    EXPECT_STREQ(Result::failure(std::string()).message(), "");
}

TEST(Result, AFixedMessageIsTheTextItselfAndSuccessHasNone) {
    static const char* const Text = "Cannot open dest file";
    EXPECT_EQ(Result::failure(Text).message(), Text);
    EXPECT_TRUE(Result::success().ok());
    EXPECT_EQ(Result::success().message(), nullptr);
}
