#pragma once
#include <memory>
#include <string>

// What a step of the core gives back: success, or a failure carrying the
// system's own message. Most messages are fixed texts, which a result only
// points at, so it copies freely; one made for the case (a profile's line
// number, the reason an import stopped) is owned and shared by the copies.
class Result {
public:
    static Result success() { return Result(nullptr); }
    static Result failure(const char* message) { return Result(message); }
    static Result failure(std::string message);

    bool ok() const { return fixedMessage == nullptr && ownedMessage == nullptr; }
    bool failed() const { return !ok(); }
    // The failure's message; nullptr on success.
    const char* message() const { return ownedMessage != nullptr ? ownedMessage->c_str() : fixedMessage; }

private:
    explicit Result(const char* message) : fixedMessage(message) {}
    const char* fixedMessage;
    std::shared_ptr<const std::string> ownedMessage;
};

// What a step says when it finds no memory: the conversion's own message.
inline constexpr const char* OutOfMemoryMessage = "memory allocation error";

// The one place where a failed step reaches the front end's fatalError.
// True when the result was a success.
bool passOnFailure(const Result& result);
