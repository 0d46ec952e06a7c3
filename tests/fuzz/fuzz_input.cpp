#include "fuzz_input.h"

#include "convert/convert_options.h"
#include "job/process_records.h"
#include "report/analysis_report.h"
#include "smf/vfile.h"

void loadFuzzInput(const uint8_t* data, size_t size) {
    inputFile.create("fuzz.mid", 0);
    inputFile.write(data, static_cast<int32_t>(size));
    inputFile.rewind();
}

int analyseFuzzInput(const uint8_t* data, size_t size) {
    loadFuzzInput(data, size);
    // An empty report path: the report is built in memory and not saved.
    ConvertOptions.analysedLength = writeAnalysisReport("fuzz.mid", "");
    return ConvertOptions.analysedLength >= 0 && reportCopy.text.size() <= reportCopy.keepLimit;
}
