#include "job/converted_file.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <new>

#include "convert/convert_midi_file.h"
#include "fitting/handset_fitter.h"
#include "pass/file_pass.h"
#include "playing/mip_measure.h"
#include "smf/big_endian.h"
#include "smf/midi_format.h"
#include "smf/output_sink.h"
#include "smf/staged_output.h"

namespace {
const char* const CannotOpenDest = "Cannot open dest file";

// The MIP values describe the tune as converted, so they are measured on its
// bytes. With the message leading them, that play also tells the voices the
// check counts: voices holds them then, per handset voice count of the
// profiles (and NoMipMuting).
Result addSpMidiMessage(const SpMidiSettings& spMidi, const std::vector<HandsetProfile>& profiles,
                        ConvertedFile& made, std::map<int32_t, VoiceCount>& voices) {
    MeasuredVoices measured;
    const Result done =
        computeSpMidiMips(made.bytes.data(), made.bytes.size(), spMidi.priority, made.mips, measured);
    if (done.failed()) return done;
    try {
        const std::vector<uint8_t> message = spMidiMessage(made.mips);
        const bool leads = !message.empty() && insertLeadingEvent(made.bytes, message);
        if (!leads || !measured.known) return Result::success();
        voices[NoMipMuting] = measured.everyChannel;
        for (const HandsetProfile& profile : profiles)
            if (profile.voices) voices[*profile.voices] = measured.mutingHandset(made.mips, *profile.voices);
        return Result::success();
    } catch (const std::bad_alloc&) {
        return Result::failure(OutOfMemoryMessage);
    }
}

// The slimming as the job asks, and as the fit needs for its formats and size.
Result slimConvertedFile(const Job& job, FitChanges& changes, ConvertedFile& made) {
    if (job.fit) return fitFormatAndSize(made.bytes, *job.fit, job.slim, made.slim, changes);
    if (!job.slim.asked()) return Result::success();
    return slimFile(job.slim, made.bytes, made.slim);
}

// The steps after the conversion, each on the bytes the one before left;
// the check names places by the source's bars.
Result finishConvertedFile(const VFILE& source, const Job& job, ConvertedFile& made) {
    // Without a source, the places count bars in the file itself.
    const bool hasSource = source.data != nullptr && source.size > 0;
    const uint8_t* sourceBytes = hasSource ? source.data : nullptr;
    const size_t sourceSize = hasSource ? static_cast<size_t>(source.size) : 0;
    SpMidiSettings spMidi = job.spMidi;
    FitChanges changes(job.fit ? job.fit->name : std::string());
    if (job.fit) {
        const EventFitInput input{sourceBytes, sourceSize, job.options.detectLevel > 1 ? 2 : 1};
        const Result fitted = fitEvents(made.bytes, input, *job.fit, spMidi, changes);
        if (fitted.failed()) return fitted;
    }
    const std::vector<HandsetProfile> profiles = job.checkedProfiles();
    std::map<int32_t, VoiceCount> measuredVoices;
    if (spMidi.enabled) {
        const Result added = addSpMidiMessage(spMidi, profiles, made, measuredVoices);
        if (added.failed()) return added;
    }
    const Result slimmed = slimConvertedFile(job, changes, made);
    if (slimmed.failed()) return slimmed;
    // Slimmed bytes are counted anew: merged, the places are in another track.
    if (made.slim.done) measuredVoices.clear();
    const std::vector<uint8_t>& bytes = made.bytes;
    const CheckedFile checked{
        bytes, hasSource ? sourceBytes : bytes.data(), hasSource ? sourceSize : bytes.size(),
        [&bytes] { return formatZeroMerges(bytes); }, measuredVoices.empty() ? nullptr : &measuredVoices};
    const Result checkedFits = checkHandsetFits(checked, profiles, made.fits);
    if (checkedFits.failed() || !job.fit) return checkedFits;
    made.fitLines = changes.lines();
    made.fitLines.push_back(fitClosingLine(changes, made.fits.front()));
    return checkedFits;
}
}  // namespace

Result makeConvertedFile(FilePass& pass, const Job& job, int32_t tuneLength, ConvertedFile& made) {
    MemoryOutput memory;
    // The converted tune is seldom much larger than its source: one allocation, as a rule.
    memory.reserve(static_cast<size_t>(pass.file.size) + SmfHeaderSize);
    const Result converted = convertFile(pass, job.options, job.spMidi, memory, tuneLength);
    if (memory.outOfMemory) return Result::failure(OutOfMemoryMessage);
    if (converted.failed()) return converted;
    made.bytes.swap(memory.bytes);
    made.mips.clear();
    made.slim = SlimOutcome();
    made.fitLines.clear();
    return finishConvertedFile(pass.file, job, made);
}

Result writeWholeFile(const char* path, const std::vector<uint8_t>& bytes) {
    StagedOutput output;
    // One write of the whole file: a device or FIFO takes it as it comes.
    const bool written = output.open(path, WriteOrder::Sequential) &&
                         output.write(bytes.data(), bytes.size()) && output.commit();
    return written ? Result::success() : Result::failure(CannotOpenDest);
}

bool insertLeadingEvent(std::vector<uint8_t>& bytes, const std::vector<uint8_t>& event) {
    size_t at = SmfHeaderSize;
    while (bytes.size() >= at + ChunkHeaderSize) {
        const size_t body = bigEndian32(bytes.data() + at + 4);
        if (bytes.size() - at - ChunkHeaderSize < body) return false;
        if (std::equal(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                       bytes.begin() + static_cast<std::ptrdiff_t>(at + 4), "MTrk")) {
            const size_t grown = body + 1 + event.size();
            if (grown > UINT32_MAX) return false;
            putBigEndian32(bytes.data() + at + 4, static_cast<uint32_t>(grown));
            const auto start = bytes.begin() + static_cast<std::ptrdiff_t>(at + ChunkHeaderSize);
            const auto placed = bytes.insert(start, uint8_t{0});
            bytes.insert(placed + 1, event.begin(), event.end());
            return true;
        }
        at += ChunkHeaderSize + body;
    }
    return false;
}
