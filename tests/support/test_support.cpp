#include "test_support.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

#include "pass/file_pass.h"
#include "pass/track_walk.h"
#include "smf/big_endian.h"
#include "smf/delta_time.h"
#include "smf/mtrk.h"
#include "smf/smf_header.h"
#include "smf/vfile.h"

namespace {
void putBigEndian(Bytes& out, uint32_t value, int width) {
    for (int shift = (width - 1) * 8; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}
}  // namespace

Bytes smfHeaderChunk(int format, int trackCount, int division) {
    Bytes out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    putBigEndian(out, static_cast<uint32_t>(format), 2);
    putBigEndian(out, static_cast<uint32_t>(trackCount), 2);
    putBigEndian(out, static_cast<uint32_t>(division), 2);
    return out;
}

Bytes trackChunk(const Bytes& body) {
    Bytes out = {'M', 'T', 'r', 'k'};
    putBigEndian(out, static_cast<uint32_t>(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes smfFile(int format, int division, const std::vector<Bytes>& bodies) {
    Bytes out = smfHeaderChunk(format, static_cast<int>(bodies.size()), division);
    for (const Bytes& body : bodies) {
        const Bytes chunk = trackChunk(body);
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes trackBodyOf(std::vector<TickedEvent> events) {
    std::stable_sort(events.begin(), events.end(),
                     [](const TickedEvent& a, const TickedEvent& b) { return a.tick < b.tick; });
    Bytes body;
    int32_t now = 0;
    uint8_t delta[DeltaTime::MaxBytes];
    for (const TickedEvent& event : events) {
        body.insert(body.end(), delta, delta + encodeVarLen(event.tick - now, delta));
        body.insert(body.end(), event.bytes.begin(), event.bytes.end());
        now = event.tick;
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    return body;
}

std::string writeFile(const std::string& name, const Bytes& bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return name;
}

std::string writeTextFile(const std::string& name, const std::string& text) {
    return writeFile(name, Bytes(text.begin(), text.end()));
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string readText(const std::string& path) {
    const Bytes bytes = readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

bool fileExists(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return in.good();
}

std::string testDataPath(const std::string& name) {
    return std::string(QUAVEL_TEST_DATA_DIR) + "/" + name;
}

bool loadSource(const Bytes& bytes, const std::string& name) {
    writeFile(name, bytes);
    return inputFile.load(name.c_str()) == 1;
}

namespace {
// Every event as the walk delivers it; the first track that cannot be loaded ends the list.
struct EventRecorder : TrackVisitor {
    std::vector<std::vector<DecodedEvent>> tracks;
    bool freshRunningStatus = false;

    bool beginTrack(const WalkPosition&, bool loaded) {
        if (freshRunningStatus) trackReader.runningStatus = 0;
        if (loaded) tracks.emplace_back();
        return loaded;
    }
    bool onEvent(const MTrk& reader, const WalkPosition&) {
        tracks.back().push_back(
            {reader.delta, reader.kind, Bytes(reader.event, reader.event + reader.eventLength)});
        return true;
    }
};
}  // namespace

std::vector<std::vector<DecodedEvent>> decodeTracks(int trackCount, bool eachTrackWithoutRunningStatus) {
    FilePass pass(inputFile, trackReader);
    pass.header.trackCount = trackCount;
    EventRecorder recorder;
    recorder.freshRunningStatus = eachTrackWithoutRunningStatus;
    walkFile(pass, recorder);
    return recorder.tracks;
}

std::vector<DecodedEvent> decodeBody(const Bytes& body) {
    if (!loadSource(smfFile(0, 96, {body}), "body.mid")) return {};
    const auto tracks = decodeTracks(1);
    return tracks.empty() ? std::vector<DecodedEvent>{} : tracks.front();
}

std::string hexText(const Bytes& bytes) {
    std::string out;
    char digits[4];
    for (uint8_t b : bytes) {
        std::snprintf(digits, sizeof digits, "%02X ", b);
        out += digits;
    }
    return out;
}

#ifndef _WIN32
CommandOutput runCommand(const std::string& command) {
    CommandOutput output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    std::string line;
    for (int c; (c = std::fgetc(pipe)) != EOF;) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        output.lines.push_back(line);
        line.clear();
    }
    output.status = pclose(pipe);
    return output;
}
#endif

std::vector<Bytes> chunkBodies(const Bytes& file) {
    std::vector<Bytes> bodies;
    size_t at = SmfHeaderSize;
    while (at + 8 <= file.size()) {
        const size_t length = (size_t{file[at + 4]} << 24) | (size_t{file[at + 5]} << 16) |
                              (size_t{file[at + 6]} << 8) | file[at + 7];
        at += 8;
        if (at + length > file.size()) break;
        bodies.emplace_back(file.begin() + static_cast<long>(at),
                            file.begin() + static_cast<long>(at + length));
        at += length;
    }
    return bodies;
}

Bytes manyNotes(int notes) {
    const Bytes note = {0x01, 0x90, 0x3C, 0x40, 0x01, 0x80, 0x3C, 0x40};
    Bytes body;
    body.reserve(note.size() * static_cast<size_t>(notes) + 4);
    for (int k = 0; k < notes; ++k) body.insert(body.end(), note.begin(), note.end());
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    return smfFile(0, 96, {body});
}

#ifndef _WIN32
namespace {
constexpr unsigned MemoryDeviceMajor = 1;

struct MemoryDeviceName {
    const char* name;
    unsigned minor;
};

MemoryDeviceName nameOf(MemoryDevice kind) {
    return kind == MemoryDevice::Null ? MemoryDeviceName{"null", 3} : MemoryDeviceName{"full", 7};
}

// A node the file system lets this process make and open (not mounted nodev).
bool makeUsableNode(const std::string& path, unsigned minor) {
    std::remove(path.c_str());
    if (mknod(path.c_str(), S_IFCHR | 0666, makedev(MemoryDeviceMajor, minor)) != 0) return false;
    const int fd = open(path.c_str(), O_WRONLY);
    if (fd >= 0) return close(fd) == 0;
    std::remove(path.c_str());
    return false;
}
}  // namespace

std::string memoryDevice(const std::string& folder, MemoryDevice kind, std::string& whyNot) {
    const MemoryDeviceName device = nameOf(kind);
    const std::string scratch = folder + "/" + device.name;
    if (makeUsableNode(scratch, device.minor)) return scratch;
    if (geteuid() != 0) return std::string("/dev/") + device.name;
    whyNot = "root cannot make a device node in " + folder + ", and the real /dev is never a test's target";
    return "";
}

FifoReader::FifoReader(const std::string& fifo) : path(fifo) {
    reader = std::thread([this] {
        const int fd = open(path.c_str(), O_RDONLY);
        char buffer[4096];
        for (ssize_t n; fd >= 0 && (n = read(fd, buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<size_t>(n));
        if (fd >= 0) close(fd);
        done = true;
    });
}

FifoReader::~FifoReader() {
    take();
}

std::string FifoReader::take() {
    if (!reader.joinable()) return text;
    // Opening the other end releases a reader still waiting in its open.
    while (!done) {
        const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) close(fd);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    reader.join();
    return text;
}
#endif
