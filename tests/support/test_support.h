#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

using Bytes = std::vector<uint8_t>;

// A header chunk "MThd" with the given fields.
Bytes smfHeaderChunk(int format, int trackCount, int division);
// A track chunk "MTrk" around body.
Bytes trackChunk(const Bytes& body);
// A whole file: the header (track count = number of bodies) and one chunk per body.
Bytes smfFile(int format, int division, const std::vector<Bytes>& bodies);
Bytes concat(std::initializer_list<Bytes> parts);

// An event at its tick from the track's start, status byte first.
struct TickedEvent {
    int32_t tick;
    Bytes bytes;
};
// A track body of the events in time order (events of one tick as given),
// with full status bytes, and an End of Track at the last event's tick.
Bytes trackBodyOf(std::vector<TickedEvent> events);

// Files in the test's working directory.
std::string writeFile(const std::string& name, const Bytes& bytes);
std::string writeTextFile(const std::string& name, const std::string& text);
Bytes readFile(const std::string& path);
std::string readText(const std::string& path);
bool fileExists(const std::string& path);
std::string testDataPath(const std::string& name);

// A format 0 tune of the given number of notes, each on and off a tick
// apart: a million make a report of about 100 MB.
Bytes manyNotes(int notes);

#ifndef _WIN32
// The devices a test writes to: Null takes and drops every byte, Full
// refuses every write as a full disk would.
enum class MemoryDevice { Null, Full };
// Such a character device, made in folder where this process may make device
// nodes, else the one in /dev where this process cannot replace it (it is
// not root). Empty, with the reason in whyNot, where neither can be had
// safely: a test never risks the real /dev.
std::string memoryDevice(const std::string& folder, MemoryDevice kind, std::string& whyNot);

// Reads a FIFO on a thread of its own until its writer closes it.
class FifoReader {
public:
    explicit FifoReader(const std::string& path);
    FifoReader(const FifoReader&) = delete;
    FifoReader& operator=(const FifoReader&) = delete;
    ~FifoReader();
    // Everything read, once the writer is done. A reader still waiting for
    // a writer that never came is let go: it reads nothing.
    std::string take();

private:
    std::string path;
    std::string text;
    std::atomic<bool> done{false};
    std::thread reader;
};
#endif

// Writes bytes to a file and loads it into inputFile.
bool loadSource(const Bytes& bytes, const std::string& name = "source.mid");

// Every event of every track as the reader delivers it.
struct DecodedEvent {
    int32_t delta;
    int32_t kind;
    Bytes bytes;
    bool operator==(const DecodedEvent& other) const {
        return delta == other.delta && kind == other.kind && bytes == other.bytes;
    }
};
// eachTrackWithoutRunningStatus: as a handset begins every track, not as the
// reader carries it from the track before.
std::vector<std::vector<DecodedEvent>> decodeTracks(int trackCount,
                                                    bool eachTrackWithoutRunningStatus = false);
std::vector<DecodedEvent> decodeBody(const Bytes& body);

std::string hexText(const Bytes& bytes);

#ifndef _WIN32
// The lines a shell command prints (without their line ends) and its exit status.
struct CommandOutput {
    std::vector<std::string> lines;
    int status = -1;
};
CommandOutput runCommand(const std::string& command);
#endif

// The track chunk bodies of a whole file, in order; a chunk cut short ends the list.
std::vector<Bytes> chunkBodies(const Bytes& file);
