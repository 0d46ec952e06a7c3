#include "wav_writer.h"

namespace {
constexpr size_t FlushBytes = 64 * 1024;  // a few hundred render buffers a write
constexpr int BitsPerSample = 16;
constexpr int BytesPerSample = BitsPerSample / 8;
constexpr uint16_t PcmFormatTag = 1;
constexpr size_t RiffSizeOffset = 4;
constexpr size_t DataSizeOffset = 40;

void putLittle(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void putTag(std::vector<uint8_t>& out, const char* tag) {
    out.insert(out.end(), tag, tag + 4);
}

bool rewriteLittle32(OutputSink& output, size_t offset, uint32_t value) {
    std::vector<uint8_t> bytes;
    putLittle(bytes, value, 4);
    return output.rewrite(offset, bytes.data(), bytes.size());
}
}  // namespace

WavWriter::WavWriter(OutputSink& sink, int32_t framesPerSecond, int32_t channelCount)
    : output(sink), sampleRate(framesPerSecond), channels(channelCount) {}

bool WavWriter::begin() {
    const uint32_t blockAlign = static_cast<uint32_t>(channels) * BytesPerSample;
    std::vector<uint8_t> header;
    putTag(header, "RIFF");
    putLittle(header, 0, 4);  // filled in by finish
    putTag(header, "WAVE");
    putTag(header, "fmt ");
    putLittle(header, 16, 4);
    putLittle(header, PcmFormatTag, 2);
    putLittle(header, static_cast<uint32_t>(channels), 2);
    putLittle(header, static_cast<uint32_t>(sampleRate), 4);
    putLittle(header, static_cast<uint32_t>(sampleRate) * blockAlign, 4);
    putLittle(header, blockAlign, 2);
    putLittle(header, BitsPerSample, 2);
    putTag(header, "data");
    putLittle(header, 0, 4);  // filled in by finish
    return output.write(header.data(), header.size());
}

bool WavWriter::append(const int16_t* samples, size_t frames) {
    const size_t count = frames * static_cast<size_t>(channels);
    if (dataBytes + count * BytesPerSample > MaxDataBytes) return false;
    const size_t start = pending.size();
    pending.resize(start + count * BytesPerSample);
    uint8_t* out = pending.data() + start;
    for (size_t i = 0; i < count; ++i) {
        const auto sample = static_cast<uint16_t>(samples[i]);
        out[2 * i] = static_cast<uint8_t>(sample);
        out[2 * i + 1] = static_cast<uint8_t>(sample >> 8);
    }
    dataBytes += count * BytesPerSample;
    return pending.size() < FlushBytes || flushPending();
}

bool WavWriter::flushPending() {
    const bool written = output.write(pending.data(), pending.size());
    pending.clear();
    return written;
}

bool WavWriter::finish() {
    if (!flushPending()) return false;
    const uint32_t data = static_cast<uint32_t>(dataBytes);
    return rewriteLittle32(output, RiffSizeOffset, data + (HeaderSize - 8)) &&
           rewriteLittle32(output, DataSizeOffset, data);
}
