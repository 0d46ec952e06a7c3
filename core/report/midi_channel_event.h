#pragma once
#include <cstdint>

class TextAppender;

// Describes one channel message (status byte first, running status resolved)
// as a short kind label and a detail text for the analysis report.
struct MIDIChannelEvent {
    static constexpr int RawSize = 16;
    static constexpr int KindTextSize = 64;
    static constexpr int DetailTextSize = 512;
    // Longest event whose bytes are dumped for an unknown or unsupported message.
    static constexpr int MaxDumpLength = 3;

    uint8_t raw[RawSize] = {};
    char kindText[KindTextSize] = {};
    char detailText[DetailTextSize] = {};
    int32_t hasDetail = 0;
    int32_t hasNumber = 0;
    int32_t length = 0;
    // strlen of kindText and detailText, kept as they are written.
    int32_t kindLength = 0;
    int32_t detailLength = 0;

    void describe(const uint8_t* bytes, int32_t count);
    void setUnknown();
    void setUnsupported();

    // A note, controller or program change with all its data bytes: the forms
    // that have names. Only these go to appendKind and appendDetail, which
    // append the texts describe would make, to any text (the report writes
    // them straight into its line).
    static bool isNamed(const uint8_t* bytes, int32_t count);
    static void appendKind(TextAppender& text, const uint8_t* bytes);
    static void appendDetail(TextAppender& text, const uint8_t* bytes);

private:
    void takeLengths(const TextAppender& kind, const TextAppender& detail);
};
