#include "convert_midi_file.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "convert_options.h"
#include "fatal_error.h"
#include "file_pass.h"
#include "midi_sametime_note.h"
#include "midi_track.h"
#include "mtrk.h"
#include "smf_header.h"
#include "sp_midi.h"
#include "vfile.h"

namespace {
const char* const CannotOpenDest = "Cannot open dest file";
const char* const AllocationFailed = "memory allocation error";
const char* const TrackFull = "Alloc error";

// The largest value a four-byte variable-length quantity holds.
constexpr int64_t MaxDeltaTime = 0x0FFFFFFF;
// Asked for a track whose source body is empty, since a builder of size 0 is
// refused: the empty body converts to an empty chunk.
constexpr int32_t EmptyTrackBufferSize = 16;
constexpr int MaxSpareNameTries = 100;
constexpr int TrackCountOffset = 10;

int32_t storableDelta(int64_t ticks) {
    if (ticks < 0) return 0;
    return static_cast<int32_t>(ticks > MaxDeltaTime ? MaxDeltaTime : ticks);
}

bool fileExists(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

// The output is replaced, not written into, so an existing file that could not
// be opened for writing is checked for here and refused as before.
bool isWritableOrAbsent(const std::string& path) {
    if (!fileExists(path)) return true;
    FILE* file = std::fopen(path.c_str(), "r+b");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

// A name beside path (same directory) that no file has yet; empty when none is found.
std::string spareNameBeside(const std::string& path, const char* suffix) {
    for (int i = 0; i < MaxSpareNameTries; ++i) {
        std::string name = path + suffix + std::to_string(i);
        if (!fileExists(name)) return name;
    }
    return std::string();
}

// Some platforms' rename refuses an existing target: the old file then steps
// aside, and comes back when the move still fails.
bool moveOver(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
    if (!fileExists(to)) return false;
    const std::string aside = spareNameBeside(to, ".old");
    if (aside.empty() || std::rename(to.c_str(), aside.c_str()) != 0) return false;
    if (std::rename(from.c_str(), to.c_str()) == 0) {
        std::remove(aside.c_str());
        return true;
    }
    std::rename(aside.c_str(), to.c_str());
    return false;
}

// The output file, written under a temporary name beside it and moved over it
// only when complete, so a failed conversion leaves the old output untouched.
class StagedOutput {
public:
    FILE* stream = nullptr;

    StagedOutput() = default;
    StagedOutput(const StagedOutput&) = delete;
    StagedOutput& operator=(const StagedOutput&) = delete;
    ~StagedOutput() { discard(); }

    bool open(const char* path) {
        if (path == nullptr || *path == 0 || !isWritableOrAbsent(path)) return false;
        target = path;
        staging = spareNameBeside(target, ".tmp");
        if (staging.empty()) return false;
        stream = std::fopen(staging.c_str(), "wb");
        return stream != nullptr;
    }

    bool writeAt(long offset, const uint8_t* bytes, size_t n) {
        return std::fseek(stream, offset, SEEK_SET) == 0 && std::fwrite(bytes, 1, n, stream) == n;
    }

    bool commit() {
        const bool closed = std::fclose(stream) == 0;
        stream = nullptr;
        if (!closed || !moveOver(staging, target)) return false;
        staging.clear();
        return true;
    }

    void discard() {
        if (stream != nullptr) std::fclose(stream);
        stream = nullptr;
        if (!staging.empty()) std::remove(staging.c_str());
        staging.clear();
    }

private:
    std::string target;
    std::string staging;
};

bool isDynamicDetection() {
    return ConvertOptions.detectLevel != 0;
}
bool isTimeDetection() {
    return ConvertOptions.noTimeDetect == 0;
}

// `leading` is room for an event the conversion adds in front of the track.
int32_t outputTrackSize(int32_t sourceBodyLength, size_t leading) {
    const int64_t body =
        sourceBodyLength <= 0 ? EmptyTrackBufferSize : static_cast<int64_t>(sourceBodyLength) * 2;
    const int64_t size = body + static_cast<int64_t>(leading);
    return size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(size);  // init refuses what cannot fit
}

void shiftOctave(uint8_t* message, int32_t shift) {
    int key = message[1] & 0x7F;
    key += shift == 1 ? 12 : -12;
    if (key > 127) key = 127;
    if (key < 0) key = 0;
    message[1] = static_cast<uint8_t>(key);
}

enum class TimeSignatureRule { Keep, Drop };

class Conversion {
public:
    Conversion(int32_t length, std::vector<uint8_t>* inMemory) : tuneLength(length), memory(inMemory) {}

    bool run(const char* outputPath) {
        const char* failure = convert(outputPath);
        if (failure == nullptr) return true;
        // The console's fatalError never returns: clean up first.
        output.discard();
        builder.release();
        fatalError(failure);
        return false;
    }

private:
    MIDISametimeNote group;
    MIDITrack builder;
    StagedOutput output;
    int32_t tuneLength;
    std::vector<uint8_t>* memory;  // set: the output goes here, no file is touched
    int64_t leftOutDelta = 0;
    int32_t timeSig44Seen = 0;
    int32_t tracksWritten = 0;
    int32_t trackIndex = 0;
    int64_t elapsedTicks = 0;
    int32_t noteSeen = 0;
    int32_t programSeen = 0;
    const char* failure = nullptr;

    const char* convert(const char* outputPath) {
        builder.runningStatusMode = ConvertOptions.detectLevel > 1 ? 2 : 1;
        uint8_t header[SmfHeaderSize];
        beginFilePass(header);
        if (!openOutput(outputPath) || !writeHeader(header)) return CannotOpenDest;
        for (trackIndex = 0; trackIndex < SmfHeader.trackCount; ++trackIndex) {
            if (!convertTrack()) return failure;
        }
        header[TrackCountOffset] = static_cast<uint8_t>(tracksWritten >> 8);
        header[TrackCountOffset + 1] = static_cast<uint8_t>(tracksWritten);
        if (!writeHeader(header) || !commitOutput()) return CannotOpenDest;
        builder.release();
        return nullptr;
    }

    bool openOutput(const char* path) {
        if (memory == nullptr) return output.open(path);
        memory->clear();
        return true;
    }

    bool writeHeader(const uint8_t* header) {
        if (memory == nullptr) return output.writeAt(0, header, SmfHeaderSize);
        if (memory->size() < SmfHeaderSize) memory->resize(SmfHeaderSize);
        std::copy(header, header + SmfHeaderSize, memory->begin());
        return true;
    }

    bool writeTrack() {
        if (memory == nullptr) return builder.writeTo(output.stream) != 0;
        memory->insert(memory->end(), builder.data, builder.data + builder.length);
        return true;
    }

    bool commitOutput() { return memory != nullptr || output.commit(); }

    bool fail(const char* message) {
        failure = message;
        return false;
    }

    bool convertTrack() {
        elapsedTicks = 0;
        programSeen = 0;
        noteSeen = 0;
        if (!trackReader.load(inputFile)) return true;
        const size_t leading = tracksWritten == 0 ? SpMidi.message.size() : 0;
        if (!builder.init(outputTrackSize(trackReader.length, leading))) return fail(AllocationFailed);
        leftOutDelta = 0;
        if (leading != 0 && !writeSpMidiMessage()) return false;
        while (trackReader.nextEvent() > 0) {
            if (!convertEvent()) return false;
        }
        // Notes still held belong to this track, whether or not it had an End of Track.
        if (!flushGroup()) return false;
        if (!writeTrack()) return fail(CannotOpenDest);
        ++tracksWritten;
        return true;
    }

    bool flushGroup() {
        const int32_t written = group.flush(builder);
        if (written == SametimeFlushFailed) return fail(TrackFull);
        elapsedTicks += written;
        return true;
    }

    // The one MIP message of the output leads its first track.
    bool writeSpMidiMessage() {
        std::vector<uint8_t> event = SpMidi.message;  // append may change the bytes it is given
        if (!builder.append(0, event.data(), static_cast<int32_t>(event.size()))) return fail(TrackFull);
        return true;
    }

    bool convertEvent() {
        // A left-out event passes its delta time on, as if the source never held it.
        if (spMidiLeavesOut(trackReader.kind, trackReader.event, trackReader.eventLength)) {
            leftOutDelta += trackReader.delta;
            return true;
        }
        int32_t delta = storableDelta(trackReader.delta + leftOutDelta);
        leftOutDelta = 0;
        // A group is one instant of the source: any later event closes it.
        if (delta != 0 && !flushGroup()) return false;
        if (trackIndex == 0 && isTimeDetection() && firstTrackTimeSignature(delta) == TimeSignatureRule::Drop)
            return true;
        if (trackReader.kind == EVENT_CHANNEL && trackReader.isNote) return convertNote(delta);
        if (trackReader.kind == EVENT_CHANNEL && !convertOtherChannelMessage(delta)) return false;
        if (trackReader.kind == EVENT_META && trackReader.matches(PATTERN_END_OF_TRACK, 3) &&
            !convertEndOfTrack(delta))
            return false;
        return write(delta);
    }

    TimeSignatureRule firstTrackTimeSignature(int32_t& delta) {
        if (trackReader.matches(PATTERN_TIMESIG_1_4, 5)) return TimeSignatureRule::Drop;
        if (!trackReader.matches(PATTERN_TIMESIG_4_4, 5)) return TimeSignatureRule::Keep;
        if (timeSig44Seen) return isDynamicDetection() ? TimeSignatureRule::Drop : TimeSignatureRule::Keep;
        delta = 0;
        timeSig44Seen = 1;
        return TimeSignatureRule::Keep;
    }

    bool convertNote(int32_t delta) {
        uint8_t* message = trackReader.event;
        const int channel = message[0] & 0x0F;
        noteSeen = 1;
        if ((message[0] & 0xF0) == 0x90 && message[2] != 0 && ConvertOptions.velocityOffset[channel] != 0)
            applyVelocityOffset(message, ConvertOptions.velocityOffset[channel]);
        if (ConvertOptions.octaveShift[channel] != 0)
            shiftOctave(message, ConvertOptions.octaveShift[channel]);
        if (!isDynamicDetection()) return write(delta);
        // An instant of more notes than a group holds goes on in a new group.
        if (group.isFull() && !flushGroup()) return false;
        group.add(delta, message, trackReader.eventLength);
        return true;
    }

    bool convertOtherChannelMessage(int32_t& delta) {
        uint8_t* message = trackReader.event;
        const int type = message[0] & 0xF0;
        if (type < 0xA0 || type > 0xE0) return true;
        const bool controlAfterNote = type == 0xB0 && noteSeen;
        if (isTimeDetection() && !controlAfterNote) delta = 0;
        if (type != 0xC0) return true;
        const int channel = message[0] & 0x0F;
        if (!programSeen && ConvertOptions.instrumentOverride[channel] != 0)
            message[1] = static_cast<uint8_t>((ConvertOptions.instrumentOverride[channel] - 1) & 0x7F);
        if (programSeen && isDynamicDetection() && !retimeLaterProgram(delta)) return false;
        programSeen = 1;
        return true;
    }

    bool retimeLaterProgram(int32_t& delta) {
        if (!flushGroup()) return false;
        const int64_t remaining = tuneLength - elapsedTicks;
        if (remaining > 0 && isTimeDetection()) delta = storableDelta(remaining / 2);
        return true;
    }

    bool convertEndOfTrack(int32_t& delta) {
        if (!flushGroup()) return false;
        // The first track keeps its own length.
        if (trackIndex != 0 && isTimeDetection()) delta = storableDelta(tuneLength - elapsedTicks);
        return true;
    }

    // Notes held in the group belong to this event's instant: the event takes
    // the group's delta time so that it is written at that instant, not before.
    bool write(int32_t delta) {
        const int32_t written = storableDelta(static_cast<int64_t>(delta) + group.takeDelta());
        if (!builder.append(written, trackReader.event, trackReader.eventLength)) return fail(TrackFull);
        elapsedTicks += written;
        return true;
    }
};
}  // namespace

void convertMidiFile(const char* outputPath, int32_t tuneLength) {
    Conversion conversion(tuneLength, nullptr);
    conversion.run(outputPath);
}

bool convertMidiFileToMemory(std::vector<uint8_t>& output, int32_t tuneLength) {
    Conversion conversion(tuneLength, &output);
    return conversion.run(nullptr);
}
