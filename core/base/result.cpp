#include "base/result.h"

#include <utility>

#include "base/fatal_error.h"

Result Result::failure(std::string message) {
    Result result(nullptr);
    result.ownedMessage = std::make_shared<const std::string>(std::move(message));
    return result;
}

bool passOnFailure(const Result& result) {
    if (result.ok()) return true;
    fatalError(result.message());
    return false;
}
