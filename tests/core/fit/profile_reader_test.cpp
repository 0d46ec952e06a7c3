// Handset profiles: what each key reads, what is refused and with which
// message, and where a name is looked for.
#include "fit/profile_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include "test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {
// A profile as read, or the message that refuses it.
struct Reading {
    HandsetProfile profile;
    std::string refusal;

    bool ok() const { return refusal.empty(); }
};

Reading readingOf(const Result& result, HandsetProfile profile) {
    return {std::move(profile), result.ok() ? std::string() : std::string(result.message())};
}

Reading parsed(const std::string& text, const std::string& name = "p") {
    std::istringstream stream(text);
    HandsetProfile profile;
    const Result result = parseHandsetProfile(stream, name, profile);
    return readingOf(result, profile);
}

Reading loaded(const std::string& name, const std::string& installedFolder) {
    HandsetProfile profile;
    const Result result = loadHandsetProfile(name, installedFolder, profile);
    return readingOf(result, profile);
}

std::string refusalOf(const std::string& text) {
    return parsed(text).refusal;
}

class ProfileFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::error_code ignored;
        std::filesystem::remove_all("installed", ignored);
        std::filesystem::create_directories("installed", ignored);
        for (const char* name : {"small.profile", "small.profile.profile", "fifo.profile"}) std::remove(name);
    }
};
}  // namespace

TEST(ProfileText, EveryKeyIsRead) {
    const Reading reading = parsed(
        "# a family of handsets\n"
        "voices = 24\n"
        "max-bytes=65536\n"
        "  formats = 0 2   # never 1\n"
        "min-note-ms = 5\r\n"
        "\n"
        "key-range = 12 - 108\n"
        "max-tempo-changes = 0\n"
        "mip = required\n"
        "mip-first-max = 6\n"
        "unsupported = pitch-bend, pan master-volume\n"
        "drum-channels = 9 10\n");
    ASSERT_TRUE(reading.ok()) << reading.refusal;
    const HandsetProfile& p = reading.profile;
    EXPECT_EQ(p.name, "p");
    EXPECT_EQ(p.voices, 24);
    EXPECT_EQ(p.maxBytes, 65536);
    EXPECT_EQ(p.allowedFormats, 0x05);
    EXPECT_EQ(p.minNoteMs, 5);
    ASSERT_TRUE(p.keyRange);
    EXPECT_EQ(p.keyRange->lowest, 12);
    EXPECT_EQ(p.keyRange->highest, 108);
    EXPECT_EQ(p.maxTempoChanges, 0);
    EXPECT_EQ(p.mip, MipUse::Required);
    EXPECT_EQ(p.mipFirstMax, 6);
    for (MessageKind kind : {MessageKind::PitchBend, MessageKind::Pan, MessageKind::MasterVolume})
        EXPECT_TRUE(p.isUnsupported(kind)) << messageKindKey(kind);
    for (MessageKind kind : {MessageKind::ChannelPressure, MessageKind::SysEx, MessageKind::TextEvents})
        EXPECT_FALSE(p.isUnsupported(kind)) << messageKindKey(kind);
    EXPECT_EQ(p.drumChannels, 0x0600);
}

TEST(ProfileText, AKeyLeftOutIsNotChecked) {
    const Reading reading = parsed("# nothing but a comment\n\n   \n");
    ASSERT_TRUE(reading.ok());
    const HandsetProfile& p = reading.profile;
    EXPECT_FALSE(p.voices || p.maxBytes || p.allowedFormats || p.minNoteMs || p.keyRange ||
                 p.maxTempoChanges || p.mipFirstMax);
    EXPECT_EQ(p.mip, MipUse::Allowed);
    EXPECT_EQ(p.drumChannels, 1u << 9);
    for (int k = 0; k < MessageKindCount; ++k) EXPECT_FALSE(p.unsupported[k]);
}

TEST(ProfileText, TheLastValueOfAKeyHolds) {
    const Reading reading = parsed("voices = 16\nvoices = 32\nunsupported = pan\nunsupported = sysex\n");
    ASSERT_TRUE(reading.ok());
    EXPECT_EQ(reading.profile.voices, 32);
    EXPECT_FALSE(reading.profile.isUnsupported(MessageKind::Pan));
    EXPECT_TRUE(reading.profile.isUnsupported(MessageKind::SysEx));
}

TEST(ProfileText, AnUnknownKeyIsRefusedWithItsLine) {
    EXPECT_EQ(refusalOf("voices = 16\n# colour\ncolour = blue\nvoices = 32\n"),
              "Profile [p] line 3: unknown key [colour]");
    EXPECT_EQ(refusalOf("Voices = 16"), "Profile [p] line 1: unknown key [Voices]");
    EXPECT_EQ(refusalOf("voices 16"), "Profile [p] line 1: unknown key [voices 16]");
    EXPECT_EQ(refusalOf("= 16"), "Profile [p] line 1: unknown key []");
    EXPECT_EQ(parsed("colour = blue", "my/own.profile").refusal,
              "Profile [my/own.profile] line 1: unknown key [colour]");
}

TEST(ProfileText, AnUnknownKeyIsEchoedShortAndPrintable) {
    // A terminal escape shows as its bytes, never acts.
    EXPECT_EQ(refusalOf("\x1B[2Jred = 1"), "Profile [p] line 1: unknown key [\\x1B[2Jred]");
    const std::string longKey(1000, 'k');
    EXPECT_EQ(refusalOf(longKey + " = 1"),
              "Profile [p] line 1: unknown key [" + std::string(37, 'k') + "...]");
    // A line cut at its limit is still an unknown key, echoed as short.
    EXPECT_EQ(refusalOf(std::string(5000, 'k')), refusalOf(longKey + " = 1"));
}

TEST(ProfileText, AByteOrderMarkFirstIsSkipped) {
    const std::string mark = "\xEF\xBB\xBF";
    const Reading reading = parsed(mark + "voices = 16\r\nformats = 0 1\r\n");
    ASSERT_TRUE(reading.ok()) << reading.refusal;
    EXPECT_EQ(reading.profile.voices, 16);
    EXPECT_TRUE(parsed(mark + "# saved by an editor\n").ok());
    EXPECT_TRUE(parsed(mark).ok());
    // Only the first bytes of the text are a mark: elsewhere it is part of a key.
    EXPECT_EQ(refusalOf("voices = 16\n" + mark + "voices = 16"),
              "Profile [p] line 2: unknown key [\\xEF\\xBB\\xBFvoices]");
    EXPECT_EQ(refusalOf(mark + mark + "voices = 16"),
              "Profile [p] line 1: unknown key [\\xEF\\xBB\\xBFvoices]");
}

TEST(ProfileText, AValueThatDoesNotFitIsRefused) {
    const struct {
        const char* line;
        const char* key;
    } bad[] = {
        {"voices = 0", "voices"},
        {"voices = 65536", "voices"},
        {"voices = -4", "voices"},
        {"voices = 16 voices", "voices"},
        {"voices = 99999999999999999999999", "voices"},
        {"voices =", "voices"},
        {"voices", "voices"},
        {"max-bytes = 2147483648", "max-bytes"},
        {"max-bytes = 64k", "max-bytes"},
        {"formats = 3", "formats"},
        {"formats =", "formats"},
        {"formats = 0 x", "formats"},
        {"min-note-ms = 0", "min-note-ms"},
        {"key-range = 108-12", "key-range"},
        {"key-range = 12", "key-range"},
        {"key-range = 0-128", "key-range"},
        {"key-range = -12-108", "key-range"},
        {"max-tempo-changes = -1", "max-tempo-changes"},
        {"mip = sometimes", "mip"},
        {"mip = Required", "mip"},
        {"mip-first-max = 128", "mip-first-max"},
        {"unsupported = vibrato", "unsupported"},
        {"unsupported = pitch bend", "unsupported"},
        {"drum-channels = 16", "drum-channels"},
        {"drum-channels = 9 ten", "drum-channels"},
    };
    for (const auto& value : bad)
        EXPECT_EQ(refusalOf(std::string("mip = allowed\n") + value.line),
                  std::string("Profile [p] line 2: bad value for [") + value.key + "]")
            << value.line;
}

TEST(ProfileText, ValuesAtTheirBoundsFit) {
    for (const char* line :
         {"voices = 1", "voices = 65535", "max-bytes = 2147483647", "formats = 0,1,2", "key-range = 0-127",
          "key-range = 60-60", "max-tempo-changes = 0", "mip-first-max = 0", "mip-first-max = 127",
          "drum-channels = 0 15", "drum-channels =", "unsupported ="})
        EXPECT_TRUE(parsed(line).ok()) << line;
    EXPECT_EQ(parsed("drum-channels =").profile.drumChannels, 0u);
}

TEST(ProfileText, AnOverlongLineIsRefusedWholeNotCut) {
    // Cut at the limit, the value would read as a number that fits.
    const std::string line = "voices = 16" + std::string(2000, ' ') + "7";
    EXPECT_EQ(refusalOf(line), "Profile [p] line 1: bad value for [voices]");
    // A long comment is no value.
    EXPECT_TRUE(parsed("voices = 16 #" + std::string(5000, '-')).ok());
}

TEST_F(ProfileFiles, ANameIsLookedForHereThenAmongTheInstalled) {
    writeTextFile("installed/small.profile", "voices = 4\n");
    Reading reading = loaded("small", "installed");
    ASSERT_TRUE(reading.ok()) << reading.refusal;
    EXPECT_EQ(reading.profile.voices, 4);
    EXPECT_EQ(reading.profile.name, "small");
    writeTextFile("small.profile", "voices = 8\n");
    EXPECT_EQ(loaded("small", "installed").profile.voices, 8);
    // A refusal names the profile as it was asked for.
    writeTextFile("installed/odd.profile", "voices = 4\nshape = round\n");
    EXPECT_EQ(loaded("odd", "installed").refusal, "Profile [odd] line 2: unknown key [shape]");
}

TEST_F(ProfileFiles, ANameWithASeparatorIsAPathAsGiven) {
    writeTextFile("installed/small.profile", "voices = 4\n");
    writeTextFile("installed/plain", "voices = 6\n");
    EXPECT_EQ(loaded("installed/plain", "").profile.voices, 6);
    EXPECT_EQ(loaded("./installed/small.profile", "").profile.voices, 4);
    EXPECT_EQ(loaded("installed/small", "").refusal, "Cannot open profile [installed/small]");
#ifdef _WIN32
    EXPECT_EQ(loaded("installed\\plain", "").profile.voices, 6);
#else
    EXPECT_EQ(loaded("installed\\plain", "").refusal, "Cannot open profile [installed\\plain]");
#endif
}

TEST_F(ProfileFiles, AMissingProfileIsRefused) {
    EXPECT_EQ(loaded("nowhere", "installed").refusal, "Cannot open profile [nowhere]");
    EXPECT_EQ(loaded("nowhere", "").refusal, "Cannot open profile [nowhere]");
    EXPECT_EQ(loaded("", "installed").refusal, "Cannot open profile []");
    // A folder is no profile, even where it opens.
    EXPECT_EQ(loaded("installed/", "").refusal, "Cannot open profile [installed/]");
}

TEST_F(ProfileFiles, ANameLongerThanAPathIsRefused) {
    // A path of 256 characters to a profile that is there.
    std::string folder = "installed";
    while (folder.size() < 200) folder += "/deeper";
    std::error_code failed;
    std::filesystem::create_directories(folder, failed);
    const std::string name = folder + "/" + std::string(256 - folder.size() - 1 - 8, 'x') + ".profile";
    ASSERT_EQ(name.size(), 256u);
    writeTextFile(name, "voices = 4\n");
    if (!fileExists(name)) GTEST_SKIP() << "this system keeps no path of 256 characters";
    EXPECT_EQ(loaded(name, "").refusal, "Cannot open profile [" + name + "]");
    // One character less is a path.
    const std::string shorter = name.substr(0, name.size() - 9) + ".profile";
    std::filesystem::rename(name, shorter, failed);
    EXPECT_TRUE(loaded(shorter, "").ok());
}

TEST_F(ProfileFiles, ANameEndingInProfileIsTheSameName) {
    writeTextFile("installed/small.profile", "voices = 4\n");
    const Reading reading = loaded("small.profile", "installed");
    ASSERT_TRUE(reading.ok()) << reading.refusal;
    EXPECT_EQ(reading.profile.voices, 4);
    EXPECT_EQ(reading.profile.name, "small");
    writeTextFile("small.profile.profile", "voices = 9\n");
    EXPECT_EQ(loaded("small.profile", "installed").profile.voices, 4);
    EXPECT_EQ(loaded("nothing.profile", "installed").refusal, "Cannot open profile [nothing.profile]");
}

TEST_F(ProfileFiles, AProfileHereIsNamedAsOneHere) {
    writeTextFile("installed/small.profile", "voices = 4\n");
    EXPECT_EQ(loaded("small", "installed").profile.name, "small");
    writeTextFile("small.profile", "voices = 4\nshape = round\n");
    EXPECT_EQ(loaded("small", "installed").refusal, "Profile [./small] line 2: unknown key [shape]");
    writeTextFile("small.profile", "voices = 8\n");
    EXPECT_EQ(loaded("small.profile", "installed").profile.name, "./small");
    EXPECT_EQ(loaded("./small.profile", "installed").profile.name, "./small.profile");
}

TEST_F(ProfileFiles, AProfileWithAByteOrderMarkIsRead) {
    writeTextFile("installed/small.profile", "\xEF\xBB\xBFvoices = 4\r\n");
    EXPECT_EQ(loaded("small", "installed").profile.voices, 4);
}

TEST_F(ProfileFiles, AProfileOfMoreThan64KiloBytesIsRefused) {
    const std::string atLimit = "voices = 4\n#" + std::string(65536 - 13, '-') + "\n";
    ASSERT_EQ(atLimit.size(), 65536u);
    writeTextFile("installed/small.profile", atLimit);
    EXPECT_TRUE(loaded("small", "installed").ok());
    writeTextFile("installed/small.profile", atLimit + "\n");
    EXPECT_EQ(loaded("small", "installed").refusal, "Profile [small]: larger than 65536 bytes");
    // A huge file is refused as soon as it is past the limit, never read whole.
    std::error_code failed;
    std::filesystem::resize_file("installed/small.profile", uintmax_t{1} << 34, failed);
    if (failed) GTEST_SKIP() << "no sparse file here: " << failed.message();
    EXPECT_EQ(loaded("installed/small.profile", "").refusal,
              "Profile [installed/small.profile]: larger than 65536 bytes");
}

TEST_F(ProfileFiles, OnlyARegularFileOrALinkToOneIsAProfile) {
#ifdef _WIN32
    // Every folder holds the null device under this name.
    EXPECT_EQ(loaded("NUL", "installed").refusal, "Cannot open profile [./NUL]");
    EXPECT_EQ(loaded("NUL", "").refusal, "Cannot open profile [./NUL]");
    EXPECT_EQ(loaded(".\\NUL", "").refusal, "Cannot open profile [.\\NUL]");
#else
    for (const char* device : {"/dev/zero", "/dev/null", "/dev/random"})
        EXPECT_EQ(loaded(device, "").refusal, std::string("Cannot open profile [") + device + "]");
    // Nothing writes to the FIFO: opened to read, it would wait for ever.
    ASSERT_EQ(mkfifo("installed/fifo.profile", 0600), 0);
    EXPECT_EQ(loaded("installed/fifo.profile", "").refusal, "Cannot open profile [installed/fifo.profile]");
    ASSERT_EQ(mkfifo("fifo.profile", 0600), 0);
    EXPECT_EQ(loaded("fifo", "installed").refusal, "Cannot open profile [./fifo]");
    writeTextFile("installed/small.profile", "voices = 4\n");
    std::filesystem::create_symlink("small.profile", "installed/link.profile");
    EXPECT_EQ(loaded("link", "installed").profile.voices, 4);
    std::filesystem::create_symlink("/dev/zero", "installed/zero.profile");
    EXPECT_EQ(loaded("zero", "installed").refusal, "Cannot open profile [zero]");
#endif
    std::filesystem::create_directories("installed/folder.profile");
    EXPECT_EQ(loaded("folder", "installed").refusal, "Cannot open profile [folder]");
    EXPECT_EQ(loaded("installed", "").refusal, "Cannot open profile [installed]");
}
