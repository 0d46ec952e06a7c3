#include "base/result.h"

#include "base/fatal_error.h"

bool passOnFailure(const Result& result) {
    if (result.ok()) return true;
    fatalError(result.message());
    return false;
}
