#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>

#include "smf/output_sink.h"
#include "smf/target_file.h"

// What a writer promises about its bytes: a Sequential one never rewrites,
// so a target written in place can take them as they come.
enum class WriteOrder { MayRewrite, Sequential };

// A file written beside its target under a name created for it alone, and
// moved over the target in one step only when all of it was written and
// closed. Whatever fails, the target is left as it was and the staged file is
// removed, so every file the programs write is either complete or untouched.
// A link to a file is followed: the file it points to is replaced, with its
// permission bits (and owner and group, where the process may set them), and
// the link stays. A device or a FIFO cannot be replaced: it is written into,
// from memory at the end unless the writer writes in order.
class StagedOutput : public OutputSink {
public:
    StagedOutput() = default;
    StagedOutput(const StagedOutput&) = delete;
    StagedOutput& operator=(const StagedOutput&) = delete;
    ~StagedOutput() override { discard(); }

    // An existing target that cannot be written is refused, as are a folder,
    // a dangling link and a path whose folder takes no new file.
    bool open(const char* targetPath, WriteOrder order = WriteOrder::MayRewrite);
    bool isOpen() const;
    bool write(const void* bytes, size_t n) override;
    bool rewrite(size_t offset, const void* bytes, size_t n) override;
    // Closes the staged file and moves it over the target; on failure
    // everything is discarded.
    bool commit();
    // Removes the staged file; the target stays as it was.
    void discard();
    // The staged file's name while open (empty otherwise, and for a target
    // written in place).
    const std::string& stagedPath() const { return staging; }
    // Why the open, a write, the close or the move failed, as the system
    // said it; empty from each open until a step fails.
    const std::error_code& error() const { return reason; }

private:
    TargetFile target;
    std::string staging;
    intptr_t handle = -1;
    int stagedSlot = -1;
    bool failed = false;
    bool inPlace = false;
    // An in-place target's bytes while rewrites may still come.
    bool holdsBytes = false;
    MemoryOutput held;
    std::error_code reason;

    bool createStaged();
    bool openInPlace(WriteOrder order);
    bool writeAll(const uint8_t* bytes, size_t n);
    bool writeHeld();
    bool closeHandle();
    bool moveOverTarget();
    bool closeAndMove(bool whole);
    // Marks the file as not whole: it will never be moved over the target.
    bool fail(std::error_code why);
    // Keeps why a step failed; false, as the step.
    bool failedBecause(std::error_code why);
};

// Lets tests make a staged output fail without a full disk: the countdown-th
// step of the kind named from now on fails (1: the next one), once, as an
// input/output error. Writes and rewrites both count as writes.
enum class StagedStep { None, Open, Write, Close, Move };
void failStagedOutputAt(StagedStep step, int countdown = 1);
// The step still waiting to fail, None once it has.
StagedStep armedStagedFailure();
