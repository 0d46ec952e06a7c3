#include "job/process_records.h"

#include <cstring>

#include "job/converted_file.h"
#include "report/analysis_report.h"
#include "smf/mtrk.h"
#include "smf/smf_header.h"
#include "smf/vfile.h"

ConvertOptionsRecord ConvertOptions;

void resetConvertOptions() {
    ConvertOptions.reset();
}

Job jobFromConvertOptions() {
    Job job;
    job.options = ConvertOptions;
    return job;
}

FilePass defaultFilePass() {
    FilePass pass(inputFile, trackReader);
    pass.header = SmfHeader;
    return pass;
}

void roundTuneLength() {
    ConvertOptions.roundTuneLength(SmfHeader.division);
}

Result reportLoadedFile(const char* displayName, const char* reportPath, int32_t& longest) {
    FilePass pass = defaultFilePass();
    Job job = jobFromConvertOptions();
    const Result result = analyseFile(pass, job.options, displayName, reportPath, longest);
    // The check's record and bytes are the process's, whether it accepted the file or not.
    SmfHeader = pass.header;
    std::memcpy(headerBytes, pass.headerBytes, SmfHeaderSize);
    ConvertOptions.takeAnalysisResults(job.options);
    return result;
}

int32_t writeAnalysisReport(const char* displayName, const char* reportPath) {
    int32_t longest = 0;
    passOnFailure(reportLoadedFile(displayName, reportPath, longest));
    return longest;
}

Result convertLoadedFileFor(const Job& job, const char* outputPath, int32_t tuneLength, ConvertedFile& made) {
    FilePass pass = defaultFilePass();
    const Result result = makeConvertedFile(pass, job, tuneLength, made);
    return result.ok() ? writeWholeFile(outputPath, made.bytes) : result;
}

Result convertLoadedFile(const char* outputPath, int32_t tuneLength) {
    ConvertedFile made;
    return convertLoadedFileFor(jobFromConvertOptions(), outputPath, tuneLength, made);
}

void convertMidiFile(const char* outputPath, int32_t tuneLength) {
    passOnFailure(convertLoadedFile(outputPath, tuneLength));
}
