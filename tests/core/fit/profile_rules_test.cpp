// The rule table is the one list of profile keys: the manuals follow it, and
// every value a rule shows reads back as the same setting.
#include "fit/profile_rules.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "fit/profile_reader.h"
#include "test_support.h"

namespace {
std::vector<std::string> ruleKeys() {
    std::vector<std::string> keys;
    for (const ProfileRule& rule : profileRules()) keys.emplace_back(rule.key);
    return keys;
}

// The keys the lines of a document name, in their order, by the pattern's
// first group: from the line after start to the next empty line.
std::vector<std::string> keysIn(const std::string& document, const std::string& start,
                                const std::string& pattern) {
    const Bytes bytes = readFile(testDataPath("../../" + document));
    std::istringstream text(std::string(bytes.begin(), bytes.end()));
    std::vector<std::string> keys;
    const std::regex line(pattern);
    std::smatch found;
    bool started = false;
    for (std::string each; std::getline(text, each);) {
        if (started && each.empty()) break;
        if (started && std::regex_search(each, found, line)) keys.push_back(found[1]);
        started = started || each.find(start) != std::string::npos;
    }
    return keys;
}
}  // namespace

TEST(ProfileRules, TheManualsListTheKeysOfTheRulesInTheirOrder) {
    EXPECT_EQ(keysIn("README.md", "| Key | Value | Checked |", "^\\| `([a-z-]+)` \\|"), ruleKeys());
    EXPECT_EQ(keysIn("docs/man/quavel.1", ".SH \"HANDSET PROFILES\"", "^\\.B[IR] \"([a-z-]+) ="), ruleKeys());
}

TEST(ProfileRules, EveryShownValueReadsBackAsTheSameSetting) {
    std::istringstream text(
        "voices = 24\nmax-bytes = 65536\nmax-tracks = 100\nformats = 0 2\nmax-tempo-changes = 3\nmin-note-ms "
        "= 5\n"
        "key-range = 12-108\nunsupported = pitch-bend pan sysex\ndrum-channels = 9 10\nmip = required\n"
        "mip-first-max = 6\n");
    HandsetProfile given;
    ASSERT_TRUE(parseHandsetProfile(text, "p", given).ok());
    ASSERT_EQ(given.givenKeys, ruleKeys());
    for (const ProfileRule& rule : profileRules()) {
        HandsetProfile again;
        const std::string shown = rule.show(given);
        ASSERT_TRUE(rule.take(shown, again)) << rule.key << " = " << shown;
        EXPECT_EQ(rule.show(again), shown) << rule.key;
    }
}

TEST(ProfileRules, EveryKeyIsInTheUsageWithItsHint) {
    const std::string keys = profileKeysText();
    for (const ProfileRule& rule : profileRules()) {
        const std::string entry = rule.key + (rule.hint != nullptr ? " (" + rule.hint() + ")" : "");
        EXPECT_NE(keys.find(entry), std::string::npos) << entry;
    }
    EXPECT_EQ(keys.rfind("voices, max-bytes, max-tracks, formats (0 1), ", 0), 0u);
    EXPECT_NE(keys.find("drum-channels (default 9)"), std::string::npos);
}
