#include "smf/smf_header.h"

#include <cstdio>
#include <cstring>

#include "smf/big_endian.h"

SmfHeaderRecord SmfHeader;
uint8_t headerBytes[SmfHeaderSize];

namespace {
struct Refusal {
    int code;
    const char* message;
};

constexpr Refusal NotMidi = {0, "this is not midi"};
constexpr Refusal BadHeaderLength = {-1, "head type no good"};
constexpr Refusal BadFormat = {-2, "MIDI format no match"};
constexpr Refusal TimeCodeDivision = {-3, "no support type delta time"};
constexpr Refusal Refusals[] = {NotMidi, BadHeaderLength, BadFormat, TimeCodeDivision};

const Refusal* refusalWithCode(int code) {
    for (const Refusal& refusal : Refusals)
        if (refusal.code == code) return &refusal;
    return nullptr;
}

// The code of a failed check: its message is one of the refusals' own texts.
int refusalCode(const Result& checked) {
    for (const Refusal& refusal : Refusals)
        if (refusal.message == checked.message()) return refusal.code;
    return NotMidi.code;
}
}  // namespace

Result checkHeader(const uint8_t* bytes, SmfHeaderRecord& header) {
    if (std::memcmp(bytes, "MThd", 4) != 0) return Result::failure(NotMidi.message);
    if (bigEndian32(bytes + 4) != SmfHeaderSize - ChunkHeaderSize)
        return Result::failure(BadHeaderLength.message);
    const uint32_t format = bigEndian16(bytes + FormatOffset);
    if (format > 2) return Result::failure(BadFormat.message);
    header.format = static_cast<int32_t>(format);
    header.trackCount = static_cast<int32_t>(bigEndian16(bytes + TrackCountOffset));
    const uint32_t division = bigEndian16(bytes + DivisionOffset);
    if (division & SmpteDivisionBit) return Result::failure(TimeCodeDivision.message);
    header.division = static_cast<int32_t>(division);
    return Result::success();
}

int checkSmfHeader(const uint8_t* bytes, SmfHeaderRecord& header) {
    const Result checked = checkHeader(bytes, header);
    return checked.ok() ? 1 : refusalCode(checked);
}

int checkSmfHeader(const uint8_t* bytes) {
    return checkSmfHeader(bytes, SmfHeader);
}

const char* smfErrorText(int code) {
    static char message[256];
    const Refusal* refusal = refusalWithCode(code);
    if (refusal == nullptr) return nullptr;
    std::snprintf(message, sizeof message, "%s", refusal->message);
    return message;
}
