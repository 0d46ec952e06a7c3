// Handset profiles and the fit check: the bytes read as a profile, the
// check of the bytes as a MIDI file against a profile that checks
// everything, then the check of the handset file made from the bytes the
// analysis accepted, and of the same file made to fit it (-F). The first
// byte picks the MIP use and the drum channels.
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "convert/convert_options.h"
#include "fatal_error_recorder.h"
#include "fit/fit_facts.h"
#include "fit/handset_fit.h"
#include "fit/profile_reader.h"
#include "fuzz_input.h"
#include "job/converted_file.h"
#include "job/process_records.h"
#include "pass/file_pass.h"

namespace {
HandsetProfile everythingChecked(uint8_t settings) {
    HandsetProfile profile;
    profile.name = "fuzz";
    profile.voices = 1 + settings % 24;
    profile.maxBytes = 1000;
    profile.allowedFormats = 0x03;
    profile.minNoteMs = 5;
    profile.keyRange = KeyRange{12, 108};
    profile.maxTempoChanges = 0;
    profile.mipFirstMax = 6;
    profile.mip = static_cast<MipUse>(settings % 3);
    profile.drumChannels = static_cast<uint16_t>(static_cast<unsigned>(settings) << 4 | 1u << 9);
    for (bool& kind : profile.unsupported) kind = true;
    return profile;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream text(std::string(reinterpret_cast<const char*>(data), size));
    // Whatever the bytes, the message that refuses them reaches no terminal as a control.
    HandsetProfile parsed;
    const Result read = parseHandsetProfile(text, "fuzz", parsed);
    for (const char* c = read.ok() ? "" : read.message(); *c != 0; ++c)
        if (*c < 0x20 || *c > 0x7E) std::abort();
    if (size < 1) return 0;
    const HandsetProfile profile = everythingChecked(data[0]);
    const auto facts = std::make_unique<FitFacts>(data + 1, size - 1);
    checkHandsetFit(*facts, profile).lines();
    fatalErrors.clear();
    if (!analyseFuzzInput(data + 1, size - 1) || !fatalErrors.empty()) return 0;
    ConvertOptions.tuneLength = 0;
    roundTuneLength();
    FilePass pass = defaultFilePass();
    Job job = jobFromConvertOptions();
    job.spMidi.enabled = data[0] & 0x80;
    job.profiles = {profile};
    ConvertedFile made;
    makeConvertedFile(pass, job, job.options.tuneLength, made);
    // The fit changes that file until it fits; every change and the check it ends in must hold together.
    job.fit = profile;
    job.profiles.clear();
    ConvertedFile fitted;
    if (makeConvertedFile(pass, job, job.options.tuneLength, fitted).ok() &&
        (fitted.fits.size() != 1 || fitted.fitLines.empty()))
        std::abort();
    return 0;
}
