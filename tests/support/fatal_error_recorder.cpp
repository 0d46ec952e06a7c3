#include "fatal_error_recorder.h"

#include "base/fatal_error.h"
#include "convert/convert_options.h"
#include "job/process_records.h"

std::vector<std::string> fatalErrors;

void fatalError(const char* message) {
    fatalErrors.emplace_back(message);
}

void startConversionTest(bool noTimeDetect) {
    resetConvertOptions();
    ConvertOptions.detectLevel = 1;
    ConvertOptions.noTimeDetect = noTimeDetect ? 1 : 0;
    fatalErrors.clear();
}
