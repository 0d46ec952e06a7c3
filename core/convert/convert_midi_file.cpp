#include "convert/convert_midi_file.h"

#include <cstring>
#include <vector>

#include "convert/convert_options.h"
#include "convert/midi_sametime_note.h"
#include "convert/sp_midi.h"
#include "pass/file_pass.h"
#include "pass/track_walk.h"
#include "smf/big_endian.h"
#include "smf/midi_format.h"
#include "smf/midi_track.h"
#include "smf/mtrk.h"
#include "smf/output_sink.h"

namespace {
const char* const CannotOpenDest = "Cannot open dest file";

// Asked for a track whose source body is empty, since a builder of size 0 is
// refused: the empty body converts to an empty chunk.
constexpr int32_t EmptyTrackBufferSize = 16;

int32_t storableDelta(int64_t ticks) {
    if (ticks < 0) return 0;
    return static_cast<int32_t>(ticks > MaxDeltaTime ? MaxDeltaTime : ticks);
}

int32_t outputTrackSize(int32_t sourceBodyLength) {
    const int64_t size =
        sourceBodyLength <= 0 ? EmptyTrackBufferSize : static_cast<int64_t>(sourceBodyLength) * 2;
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

// The conversion of one pass's file, fed by the walk, track by track.
class Conversion : public TrackVisitor {
public:
    Conversion(FilePass& from, const ConvertOptionsRecord& settings, const SpMidiSettings& mipSettings,
               OutputSink& sink, int32_t length)
        : pass(from),
          reader(from.reader),
          options(settings),
          spMidi(mipSettings),
          output(sink),
          tuneLength(length) {}

    // Success when the whole file was written.
    Result run() {
        walkFile(pass, *this);
        if (failure.ok()) finishHeader();
        builder.release();
        return failure;
    }

    // The header as read, its track count set once the tracks are written.
    bool onHeader(FilePass&) {
        builder.runningStatusMode = options.detectLevel > 1 ? 2 : 1;
        return output.write(pass.headerBytes, SmfHeaderSize) || fail(CannotOpenDest);
    }

    bool beginTrack(const WalkPosition& at, bool loaded) {
        trackIndex = at.track;
        elapsedTicks = 0;
        programSeen = 0;
        noteSeen = 0;
        if (!loaded) return true;
        if (!builder.init(outputTrackSize(reader.length))) return fail(OutOfMemoryMessage);
        leftOutDelta = 0;
        return true;
    }

    bool onEvent(MTrk&, const WalkPosition&) { return convertEvent(); }

    // Notes still held belong to this track, whether or not it had an End of Track.
    bool endTrack(const WalkPosition&, bool loaded) {
        if (!loaded) return true;
        if (!flushGroup()) return false;
        if (!builder.writeTo(&output)) return fail(CannotOpenDest);
        ++tracksWritten;
        return true;
    }

private:
    FilePass& pass;
    MTrk& reader;
    const ConvertOptionsRecord& options;
    const SpMidiSettings& spMidi;
    MIDISametimeNote group;
    MIDITrack builder;
    OutputSink& output;
    int32_t tuneLength;
    int32_t timeSig44Seen = 0;
    int32_t tracksWritten = 0;
    int32_t trackIndex = 0;
    int64_t elapsedTicks = 0;
    int64_t leftOutDelta = 0;
    int32_t noteSeen = 0;
    int32_t programSeen = 0;
    Result failure = Result::success();

    void finishHeader() {
        uint8_t header[SmfHeaderSize];
        std::memcpy(header, pass.headerBytes, SmfHeaderSize);
        putBigEndian16(header + TrackCountOffset, static_cast<uint32_t>(tracksWritten));
        if (!output.rewrite(0, header, SmfHeaderSize)) fail(CannotOpenDest);
    }

    bool isDynamicDetection() const { return options.detectLevel != 0; }
    bool isTimeDetection() const { return options.noTimeDetect == 0; }

    bool fail(const Result& result) {
        failure = result;
        return false;
    }
    bool fail(const char* message) { return fail(Result::failure(message)); }

    bool flushGroup() {
        int32_t written = 0;
        const Result flushed = group.flushTo(builder, written);
        if (flushed.failed()) return fail(flushed);
        elapsedTicks += written;
        return true;
    }

    bool convertEvent() {
        // A left-out event passes its delta time on, as if the source never held it.
        // Only a SysEx event can be one: the call is spared for every other event.
        if (reader.kind == EVENT_SYSEX &&
            spMidiLeavesOut(spMidi, reader.kind, reader.event, reader.eventLength)) {
            leftOutDelta += reader.delta;
            return true;
        }
        int32_t delta = storableDelta(reader.delta + leftOutDelta);
        leftOutDelta = 0;
        // A group is one instant of the source: any later event closes it.
        if (delta != 0 && !flushGroup()) return false;
        if (trackIndex == 0 && isTimeDetection() && firstTrackTimeSignature(delta) == TimeSignatureRule::Drop)
            return true;
        if (reader.kind == EVENT_CHANNEL && reader.isNote) return convertNote(delta);
        if (reader.kind == EVENT_CHANNEL && !convertOtherChannelMessage(delta)) return false;
        if (reader.kind == EVENT_META && reader.matches(PATTERN_END_OF_TRACK, 3) && !convertEndOfTrack(delta))
            return false;
        return write(delta);
    }

    TimeSignatureRule firstTrackTimeSignature(int32_t& delta) {
        if (reader.matches(PATTERN_TIMESIG_1_4, 5)) return TimeSignatureRule::Drop;
        if (!reader.matches(PATTERN_TIMESIG_4_4, 5)) return TimeSignatureRule::Keep;
        if (timeSig44Seen) return isDynamicDetection() ? TimeSignatureRule::Drop : TimeSignatureRule::Keep;
        delta = 0;
        timeSig44Seen = 1;
        return TimeSignatureRule::Keep;
    }

    bool convertNote(int32_t delta) {
        uint8_t* message = reader.event;
        const int channel = statusChannel(message[0]);
        noteSeen = 1;
        // The setting first: it is the same for every note of a channel, the message's own bytes are not.
        if (options.velocityOffset[channel] != 0 && startsNote(message))
            applyVelocityOffset(message, options.velocityOffset[channel]);
        if (options.octaveShift[channel] != 0) shiftOctave(message, options.octaveShift[channel]);
        if (!isDynamicDetection()) return write(delta);
        // An instant of more notes than a group holds goes on in a new group.
        if (group.isFull() && !flushGroup()) return false;
        group.take(delta, message, reader.eventLength);
        return true;
    }

    bool convertOtherChannelMessage(int32_t& delta) {
        uint8_t* message = reader.event;
        const uint8_t type = statusType(message[0]);
        if (type < StatusPolyPressure || type > StatusPitchBend) return true;
        const bool controlAfterNote = type == StatusControlChange && noteSeen;
        if (isTimeDetection() && !controlAfterNote) delta = 0;
        if (type != StatusProgramChange) return true;
        const int channel = statusChannel(message[0]);
        if (!programSeen && options.instrumentOverride[channel] != 0)
            message[1] = static_cast<uint8_t>((options.instrumentOverride[channel] - 1) & 0x7F);
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
        if (!builder.append(written, reader.event, reader.eventLength)) return fail(TrackFullMessage);
        elapsedTicks += written;
        return true;
    }
};
}  // namespace

Result convertFile(FilePass& pass, const ConvertOptionsRecord& options, const SpMidiSettings& spMidi,
                   OutputSink& output, int32_t tuneLength) {
    Conversion conversion(pass, options, spMidi, output, tuneLength);
    return conversion.run();
}
