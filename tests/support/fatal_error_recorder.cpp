#include "fatal_error_recorder.h"

#include "fatal_error.h"

std::vector<std::string> fatalErrors;

void fatalError(const char* message) {
    fatalErrors.emplace_back(message);
}
