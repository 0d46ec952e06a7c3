#include "wav_file.h"

#include <cstring>

namespace {
constexpr size_t HeaderSize = 44;

uint32_t little(const Bytes& file, size_t offset, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | file[offset + static_cast<size_t>(i)];
    return value;
}

bool tagAt(const Bytes& file, size_t offset, const char* tag) {
    return std::memcmp(file.data() + offset, tag, 4) == 0;
}
}  // namespace

WavFile parseWav(const Bytes& file) {
    WavFile wav;
    if (file.size() < HeaderSize || !tagAt(file, 0, "RIFF") || !tagAt(file, 8, "WAVE") ||
        !tagAt(file, 12, "fmt ") || !tagAt(file, 36, "data"))
        return wav;
    wav.riffSize = little(file, 4, 4);
    wav.fmtSize = little(file, 16, 4);
    wav.formatTag = static_cast<uint16_t>(little(file, 20, 2));
    wav.channels = static_cast<uint16_t>(little(file, 22, 2));
    wav.sampleRate = little(file, 24, 4);
    wav.byteRate = little(file, 28, 4);
    wav.blockAlign = static_cast<uint16_t>(little(file, 32, 2));
    wav.bitsPerSample = static_cast<uint16_t>(little(file, 34, 2));
    wav.dataSize = little(file, 40, 4);
    if (wav.dataSize > file.size() - HeaderSize) return wav;
    wav.samples.reserve(wav.dataSize / 2);
    for (size_t at = HeaderSize; at + 1 < HeaderSize + wav.dataSize; at += 2)
        wav.samples.push_back(static_cast<int16_t>(little(file, at, 2)));
    wav.complete = true;
    return wav;
}
