#pragma once
#include <cstddef>
#include <cstdint>

#include "base/result.h"
#include "smf/mtrk.h"
#include "smf/smf_header.h"
#include "smf/vfile.h"

// The file one pass walks: the file, a reader and the header. What the pass
// is asked to do travels beside it (a job, or the part of one the pass
// needs). Passes with records of their own (a view of the file and a reader
// each) can run beside one another.
struct FilePass {
    FilePass(VFILE& source, MTrk& trackReaderOfPass) : file(source), reader(trackReaderOfPass) {}

    VFILE& file;
    MTrk& reader;
    // Checked by the analysis; the conversion and the export take it as the
    // analysis of the same file left it.
    SmfHeaderRecord header;
    uint8_t headerBytes[SmfHeaderSize] = {};
};

// Starts a pass: rewinds the file, reads the 14 header bytes into
// headerBytes (bytes the file lacks read as 0, never stale ones) and clears
// the reader's running status. Track chunks follow.
void beginFilePass(FilePass& pass);

// Checks headerBytes into pass.header: a failure carries the refusal's message.
Result checkPassHeader(FilePass& pass);

// The same check of a file loaded aside, before it replaces the one in use:
// nothing of the process's records changes.
Result checkHeaderOf(VFILE& file);

// A pass over a Standard MIDI File held in memory (one the conversion made),
// with a view and a reader of its own. Its header is taken as written: a
// file without "MThd" has no tracks.
class BytesPass {
public:
    BytesPass(const uint8_t* bytes, size_t size);
    BytesPass(const BytesPass&) = delete;
    BytesPass& operator=(const BytesPass&) = delete;

    FilePass& pass() { return filePass; }

private:
    VFILE view;
    MTrk reader;
    FilePass filePass;
};
