#include "handset_tunes.h"

#include <algorithm>
#include <filesystem>

#include "analysis_report.h"
#include "convert_options.h"
#include "file_pass.h"
#include "mtrk.h"
#include "vfile.h"

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

// As the console's run makes it: the analysed length rounded up to whole
// quarter notes, and no channel settings.
ConvertedFile convertForHandset(const Bytes& source, int level, const SlimSettings& slim) {
    ConvertedFile made;
    resetConvertOptions();
    ConvertOptions.detectLevel = level;
    if (!loadSource(source)) return made;
    FilePass pass(inputFile, trackReader);
    pass.options = ConvertOptions;
    pass.slim = slim;
    beginFilePass(pass);
    if (checkPassHeader(pass).failed()) return made;
    const int32_t tuneLength = roundedTuneLength(0, measureAnalysedLength(pass), pass.header.division);
    if (makeConvertedFile(pass, tuneLength, made).failed()) made.bytes.clear();
    return made;
}
