#include "handset_tunes.h"

#include <algorithm>
#include <filesystem>

#include "convert/convert_options.h"
#include "job/process_records.h"
#include "pass/file_pass.h"
#include "report/analysis_report.h"
#include "smf/mtrk.h"
#include "smf/vfile.h"

namespace {
const char* const CorpusFolder = "/usr/share/games/openttd/baseset/openmsx";

std::vector<std::string> midiFilesIn(const std::string& folder) {
    std::vector<std::string> paths;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.path().extension() == ".mid") paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
    return paths;
}
}  // namespace

std::vector<std::string> corpusTunePaths() {
    return midiFilesIn(CorpusFolder);
}

std::vector<std::string> regressionTunePaths() {
    return midiFilesIn(testDataPath("regressions"));
}

SlimSettings slimSettings(bool slim, bool formatZero) {
    SlimSettings settings;
    settings.slim = slim ? 1 : 0;
    settings.formatZero = formatZero ? 1 : 0;
    return settings;
}

Bytes controllersTune() {
    const Bytes gmOn = {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    const Bytes makers = {0xF0, 0x0B, 0x00, 0x01, 0x3A, 0x04, 0x01, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0xF7};
    std::vector<TickedEvent> first = {{0, gmOn}, {0, {0xFF, 0x03, 0x02, 'G', 'M'}}, {0, makers}};
    std::vector<TickedEvent> second = {{0, {0xC0, 0x05}}, {0, {0xB0, 0x07, 0x64}}, {0, {0xB0, 0x0A, 0x20}}};
    std::vector<TickedEvent> third;
    for (int k = 0; k < 40; ++k) {
        const int32_t tick = 96 * k;
        const uint8_t key = static_cast<uint8_t>(48 + k % 24);
        second.push_back({tick, {0x90, key, 0x64}});
        second.push_back({tick + 90, {0x80, key, 0x40}});
        second.push_back({tick + 30, {0xB0, 0x07, static_cast<uint8_t>(k % 8 < 6 ? 0x64 : 0x50)}});
        third.push_back({tick + 30, {0xB0, 0x0A, 0x20}});
        second.push_back({tick + 30, {0xC0, 0x05}});
        second.push_back({tick + 30, {0xB0, 0x40, static_cast<uint8_t>(k % 4 < 2 ? 0x7F : 0x00)}});
        second.push_back({tick + 40, {0xB0, 0x01, 0x40}});
        if (k % 5 == 2) second.push_back({tick + 40, {0xB0, 0x21, static_cast<uint8_t>(k)}});
        if (k % 10 == 5) second.push_back({tick + 45, {0xB0, 0x79, 0x00}});
        if (k % 10 == 7) second.push_back({tick + 45, {0xB0, 0x00, 0x00}});
        if (k % 10 == 9) first.push_back({tick + 45, gmOn});
        third.push_back({tick + 45, {0x91, static_cast<uint8_t>(key + 7), 0x50}});
        third.push_back({tick + 80, {0x81, static_cast<uint8_t>(key + 7), 0x40}});
    }
    return smfFile(1, 96, {trackBodyOf(first), trackBodyOf(second), trackBodyOf(third)});
}

const char* const ShippedProfiles[5] = {"gm-lite", "sp-midi-3gpp", "voices-16", "voices-32", "voices-64"};

// As the console's run makes it: the analysed length rounded up to whole
// quarter notes, and no channel settings.
ConvertedFile convertForHandset(const Bytes& source, int level, const SlimSettings& slim) {
    Job steps;
    steps.slim = slim;
    return convertForHandset(source, level, steps);
}

ConvertedFile convertForHandset(const Bytes& source, int level, const Job& steps) {
    ConvertedFile made;
    resetConvertOptions();
    ConvertOptions.detectLevel = level;
    if (!loadSource(source)) return made;
    FilePass pass(inputFile, trackReader);
    Job job = jobFromConvertOptions();
    job.slim = steps.slim;
    job.spMidi = steps.spMidi;
    job.profiles = steps.profiles;
    job.fit = steps.fit;
    beginFilePass(pass);
    if (checkPassHeader(pass).failed()) return made;
    const int32_t tuneLength = roundedTuneLength(0, measureAnalysedLength(pass), pass.header.division);
    if (makeConvertedFile(pass, job, tuneLength, made).failed()) made.bytes.clear();
    return made;
}
