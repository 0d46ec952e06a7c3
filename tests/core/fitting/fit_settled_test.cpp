// A fitted file needs nothing more: on the real tunes, with every shipped
// profile, the fit's rules find nothing to change in what the fit wrote. A
// second quavel -F converts the file again first, and that conversion is not
// always the identity; this holds the fit itself to being settled.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <string>

#include "fit/profile_reader.h"
#include "fitting/fit_changes.h"
#include "fitting/handset_fitter.h"
#include "handset_tunes.h"
#include "job/job.h"
#include "test_support.h"

namespace {

HandsetProfile shippedProfile(const std::string& name) {
    HandsetProfile profile;
    const Result read = loadHandsetProfile(name, testDataPath("../../profiles"), profile);
    EXPECT_TRUE(read.ok()) << read.message();
    profile.name = name;
    return profile;
}

// The lines the fit says when given its own file, with the source for places.
std::vector<std::string> refitLines(const Bytes& source, const Bytes& fitted, const HandsetProfile& profile,
                                    Bytes& refitted) {
    refitted = fitted;
    FitChanges changes(profile.name);
    SpMidiSettings spMidi;
    EXPECT_TRUE(
        fitEvents(refitted, EventFitInput{source.data(), source.size(), 1}, profile, spMidi, changes).ok());
    EXPECT_EQ(spMidi.enabled, 0) << "a MIP message that fits is kept";
    SlimOutcome slim;
    EXPECT_TRUE(fitFormatAndSize(refitted, profile, SlimSettings{}, slim, changes).ok());
    return changes.lines();
}

TEST(FitSettled, TheFitFindsNothingToChangeInItsOwnFileOnTheCorpus) {
    const std::vector<std::string> tunes = corpusTunePaths();
    if (tunes.empty()) GTEST_SKIP() << "the corpus is not installed (Debian openttd-openmsx)";
    for (const char* name : ShippedProfiles) {
        Job steps;
        steps.fit = shippedProfile(name);
        int changed = 0;
        for (const std::string& tune : tunes) {
            const Bytes source = readFile(tune);
            const ConvertedFile made = convertForHandset(source, 1, steps);
            ASSERT_FALSE(made.bytes.empty()) << tune;
            if (made.fitLines.size() > 1) ++changed;
            Bytes refitted;
            EXPECT_EQ(refitLines(source, made.bytes, *steps.fit, refitted), std::vector<std::string>())
                << tune << " " << name;
            EXPECT_TRUE(refitted == made.bytes) << tune << " " << name;
        }
        if (std::string(name) == "gm-lite") {
            EXPECT_GT(changed, 0) << "some tunes needed a change";
        }
    }
}
}  // namespace
#endif
