#include "early_conversion.h"

#include "convert/convert_options.h"
#include "convert/sp_midi.h"
#include "report/analysis_report.h"
#include "slim/slim_settings.h"
#include "smf/smf_header.h"

void EarlyConversion::start(const std::vector<HandsetProfile>& profiles) {
    pass.profiles = profiles;
    pass.header = SmfHeader;
    pass.options = ConvertOptions;
    pass.options.clearAnalysisResults();  // as the report leaves them
    pass.spMidi = SpMidi;
    pass.slim = Slim;
    if (!sourceView.view(inputFile)) return;
    // The header is read from the view, which must be in place first.
    beginFilePass(pass);
    if (checkPassHeader(pass).failed()) return;
    const int32_t chosen = ConvertOptions.tuneLength;
    worker = std::thread([this, chosen] { run(chosen); });
}

void EarlyConversion::wait() {
    if (worker.joinable()) worker.join();
}

ConvertedFile* EarlyConversion::madeFor(int32_t analysedLength, int32_t tuneLength) {
    const bool fits = measured == analysedLength && usedLength == tuneLength && usedLength >= 0;
    return fits && result.ok() ? &made : nullptr;
}

void EarlyConversion::run(int32_t chosen) {
    measured = measureAnalysedLength(pass);
    usedLength = roundedTuneLength(chosen, measured, pass.header.division);
    result = makeConvertedFile(pass, usedLength, made);
    sourceView.release();
}
