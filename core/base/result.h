#pragma once

// What a step of the core gives back: success, or a failure carrying the
// system's own message. The messages are the fixed texts of the core, so a
// result is a pointer and copies freely.
class Result {
public:
    static Result success() { return Result(nullptr); }
    static Result failure(const char* message) { return Result(message); }

    bool ok() const { return failureMessage == nullptr; }
    bool failed() const { return failureMessage != nullptr; }
    // The failure's message; nullptr on success.
    const char* message() const { return failureMessage; }

private:
    explicit Result(const char* message) : failureMessage(message) {}
    const char* failureMessage;
};

// The one place where a failed step reaches the front end's fatalError.
// True when the result was a success.
bool passOnFailure(const Result& result);
