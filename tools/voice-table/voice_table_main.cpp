// voice-table: measures how the handset synthesizer spends its voices and
// writes the table the portable programs read (core/playing/voice_release_table.cpp).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/fatal_error.h"
#include "job/converted_file.h"
#include "voice_table_builder.h"

void fatalError(const char* message) {
    std::fprintf(stderr, "voice-table: %s\n", message);
    std::exit(1);
}

namespace {
constexpr int DefaultWorkers = 2;

int usage() {
    std::fprintf(stderr, "usage: voice-table [-jN] OUTPUT.cpp\n");
    return 2;
}
}  // namespace

int main(int argc, char** argv) {
    int workers = DefaultWorkers;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "-j", 2) == 0 && argv[i][2] != '\0')
            workers = std::atoi(argv[i] + 2);
        else if (output == nullptr)
            output = argv[i];
        else
            return usage();
    }
    if (output == nullptr || workers < 1) return usage();
    const auto started = std::chrono::steady_clock::now();
    const MeasuredVoiceTable table = measureVoiceTable(allVoiceSounds(), workers);
    const std::string source = voiceTableSource(table, VoiceTableCommand);
    if (!writeWholeFile(output, std::vector<uint8_t>(source.begin(), source.end())).ok()) {
        std::fprintf(stderr, "voice-table: cannot write %s\n", output);
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%s: %zu key ranges, %zu release rows, measured in %.1f s\n", output, table.ranges.size(),
                table.releaseRows.size(), seconds);
    return 0;
}
