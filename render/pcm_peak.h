#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The loudest sample of a render, in decibels relative to full scale.
class PeakMeter {
public:
    void take(const int16_t* samples, size_t count);
    bool silent() const { return peak == 0; }
    // 0.0 for a sample at full scale (-32768), -6.0 for half of it.
    double dbfs() const;
    // dbfs() with one decimal, or "-inf" for a silent render.
    std::string text() const;

private:
    int32_t peak = 0;  // largest magnitude seen
};
