#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "output_sink.h"

// A file written beside its target under a name created for it alone, and
// moved over the target in one step only when all of it was written and
// closed. Whatever fails, the target is left as it was and the staged file is
// removed, so every file the programs write is either complete or untouched.
class StagedOutput : public OutputSink {
public:
    StagedOutput() = default;
    StagedOutput(const StagedOutput&) = delete;
    StagedOutput& operator=(const StagedOutput&) = delete;
    ~StagedOutput() override { discard(); }

    // An existing target that cannot be written is refused, as is a path
    // whose folder takes no new file.
    bool open(const char* targetPath);
    bool isOpen() const;
    bool write(const void* bytes, size_t n) override;
    bool rewrite(size_t offset, const void* bytes, size_t n) override;
    // Closes the staged file and moves it over the target; on failure
    // everything is discarded.
    bool commit();
    // Removes the staged file; the target stays as it was.
    void discard();
    // The staged file's name while open (empty otherwise).
    const std::string& stagedPath() const { return staging; }

private:
    std::string target;
    std::string staging;
    intptr_t handle = -1;
    bool failed = false;

    bool createStaged();
    bool writeAll(const uint8_t* bytes, size_t n);
    bool closeHandle();
    // Marks the file as not whole: it will never be moved over the target.
    bool fail();
};

// Lets tests make a staged output fail without a full disk: the countdown-th
// step of the kind named from now on fails (1: the next one), once. Writes
// and rewrites both count as writes.
enum class StagedStep { None, Open, Write, Close, Move };
void failStagedOutputAt(StagedStep step, int countdown = 1);
// The step still waiting to fail, None once it has.
StagedStep armedStagedFailure();
