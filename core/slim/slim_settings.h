#pragma once
#include <cstdint>

// What the slimming step does to a converted file: -Z leaves out what a
// handset never hears and writes the smallest encoding, -0 writes format 0.
struct SlimSettings {
    int32_t slim = 0;
    int32_t formatZero = 0;
    // With formatZero: format 0 whatever the source's format, and even when
    // -Z finds the tracks smaller (a handset that plays only format 0).
    int32_t mergeAnyFormat = 0;

    bool asked() const { return slim != 0 || formatZero != 0; }
};
