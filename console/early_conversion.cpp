#include "early_conversion.h"

#include "report/analysis_report.h"

void EarlyConversion::start(const Job& runJob) {
    job = runJob;
    job.options.clearAnalysisResults();  // as the report leaves them
    if (!sourceView.view(inputFile)) return;
    // The header is read from the view, which must be in place first.
    beginFilePass(pass);
    if (checkPassHeader(pass).failed()) return;
    worker = std::thread([this] { run(); });
}

void EarlyConversion::wait() {
    if (worker.joinable()) worker.join();
}

ConvertedFile* EarlyConversion::madeFor(int32_t analysedLength, int32_t tuneLength) {
    const bool fits = measured == analysedLength && usedLength == tuneLength && usedLength >= 0;
    return fits && result.ok() ? &made : nullptr;
}

void EarlyConversion::run() {
    measured = measureAnalysedLength(pass);
    usedLength = roundedTuneLength(job.options.tuneLength, measured, pass.header.division);
    result = makeConvertedFile(pass, job, usedLength, made);
    sourceView.release();
}
