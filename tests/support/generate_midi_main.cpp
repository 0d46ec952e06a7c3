// Writes generated Standard MIDI Files for benchmarks and fuzz seeds:
//   generate_midi OUT.mid [SEED] [TRACKS] [EVENTS_PER_TRACK] [FORMAT]
#include <cstdio>
#include <cstdlib>

#include "midi_generator.h"
#include "test_support.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: generate_midi OUT.mid [SEED] [TRACKS] [EVENTS_PER_TRACK] [FORMAT]\n");
        return 2;
    }
    GeneratorOptions options;
    const uint32_t seed = argc > 2 ? static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10)) : 1;
    if (argc > 3) options.trackCount = std::atoi(argv[3]);
    if (argc > 4) options.eventsPerTrack = std::atoi(argv[4]);
    if (argc > 5) options.format = std::atoi(argv[5]);
    writeFile(argv[1], generateMidiFile(seed, options));
    return 0;
}
