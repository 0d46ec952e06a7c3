#pragma once
#include <cstdint>
#include <thread>

#include "base/result.h"
#include "job/converted_file.h"
#include "job/job.h"
#include "pass/file_pass.h"
#include "smf/mtrk.h"
#include "smf/vfile.h"

// The handset file, made on a second core while the report is written, from
// a view of the source with a reader of its own and the run's job as the
// conversion sees it. Only its bytes are made early: the output file is
// written after the report, as in a run on one core, so every message, file
// and status stays the same.
class EarlyConversion {
public:
    EarlyConversion() : pass(sourceView, reader) {}
    EarlyConversion(const EarlyConversion&) = delete;
    EarlyConversion& operator=(const EarlyConversion&) = delete;
    ~EarlyConversion() { wait(); }

    // Starts from the source in inputFile and the run's job as it stands
    // before the report, only for a source whose header the report will
    // accept: a refused one ends the run during the report.
    void start(const Job& runJob);

    void wait();

    // After wait: the file made with the length the run uses, or nullptr
    // when there is none (then the run makes it as on one core).
    ConvertedFile* madeFor(int32_t analysedLength, int32_t tuneLength);

private:
    VFILE sourceView;
    MTrk reader;
    FilePass pass;
    Job job;
    ConvertedFile made;
    Result result = Result::failure("not made");
    std::thread worker;
    int32_t measured = -1;
    int32_t usedLength = -1;

    void run();
};
