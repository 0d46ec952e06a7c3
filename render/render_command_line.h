#pragma once
#include <string>

// The polyphony a preview plays at without -N, and the range -N takes: the
// voices of the handset synthesizer's own build.
constexpr int DefaultRenderVoices = 64;
constexpr int MinRenderVoices = 1;
constexpr int MaxRenderVoices = 64;

// What quavelrender's arguments say.
struct RenderCommandLine {
    std::string sourceName;
    std::string outputName;
    int voices = DefaultRenderVoices;
    // --voices: the voices the tune needs instead of a WAV (no OUT.wav then).
    bool voicesWanted = false;
    bool helpWanted = false;
    // Why the arguments cannot be used; empty when they can.
    std::string problem;
};

// The source and output names in that order and -Nvoices (also -n) anywhere;
// the help words anywhere win over everything else. A later -N overrides an
// earlier one. An output that is the source's file, under any spelling or
// through a link, is a problem. With --voices anywhere, the source is the
// only name.
RenderCommandLine parseRenderCommandLine(int argc, const char* const* argv);

// The voices of a -N option's text after the letter: decimal digits only, in
// range; -1 otherwise.
int parseVoices(const char* digits);
