#include "batch_sources.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <stdexcept>

#include "smf/target_file.h"
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace {
std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// What makes a folder the same one under every name: its device and inode,
// or on Windows the path it resolves to.
bool folderIdentity(const fs::path& folder, std::string& identity) {
#ifdef _WIN32
    std::error_code error;
    const fs::path real = fs::canonical(folder, error);
    identity = lowerCase(real.generic_string());
    return !error;
#else
    struct stat facts {};
    if (stat(folder.c_str(), &facts) != 0) return false;
    identity = std::to_string(facts.st_dev) + ":" + std::to_string(facts.st_ino);
    return true;
#endif
}

class TuneSearch {
public:
    std::vector<std::string> found;

    bool enter(const fs::path& folder, const std::string& relative) {
        std::string identity;
        if (!folderIdentity(folder, identity)) return false;
        if (!entered.insert(identity).second) return true;  // a loop, or a folder linked twice
        std::error_code error;
        fs::directory_iterator entry(folder, error);
        for (; !error && entry != fs::directory_iterator(); entry.increment(error)) take(*entry, relative);
        return !error;
    }

private:
    std::set<std::string> entered;

    void take(const fs::directory_entry& entry, const std::string& relative) {
        const std::string name = entry.path().filename().string();
        const std::string path = relative.empty() ? name : relative + "/" + name;
        std::error_code error;
        const fs::file_status status = fs::status(entry.path(), error);  // through links
        if (fs::is_directory(status))
            enter(entry.path(), path);  // a subfolder that cannot be read holds no tunes found
        else if (fs::is_regular_file(status) && isTuneName(name))
            found.push_back(path);
    }
};

bool isFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(fs::status(path, error));
}

// A path as it resolves, as far as it exists.
fs::path resolved(const std::string& path) {
    std::error_code error;
    const fs::path whole = fs::absolute(path, error);
    if (error) return fs::path(path).lexically_normal();
    const fs::path real = fs::weakly_canonical(whole, error);
    return error ? whole.lexically_normal() : real;
}

bool isWithin(const fs::path& inner, const fs::path& outer) {
    auto part = inner.begin();
    for (const fs::path& piece : outer) {
        if (piece.empty()) continue;  // the empty last piece of a name ending in a separator
        if (part == inner.end() || *part != piece) return false;
        ++part;
    }
    return true;
}

std::string outputKey(const std::string& path) {
    const std::string normal = fs::path(path).lexically_normal().generic_string();
#ifdef _WIN32
    return lowerCase(normal);
#else
    return normal;
#endif
}
}  // namespace

bool isTuneName(const std::string& name) {
    const std::string lower = lowerCase(name);
    return endsWith(lower, ".mid") || endsWith(lower, ".midi");
}

bool tunesUnder(const std::string& folder, std::vector<std::string>& relatives) {
    TuneSearch search;
    try {
        if (!search.enter(folder, "")) return false;
    } catch (const std::exception&) {
        return false;  // a name the system cannot give as text
    }
    relatives = std::move(search.found);
    std::sort(relatives.begin(), relatives.end());  // std::string compares bytes as unsigned
    return true;
}

std::string joinedPath(const std::string& folder, const std::string& relative) {
    if (folder.empty()) return relative;
    const char last = folder.back();
    return last == '/' || last == '\\' ? folder + relative : folder + "/" + relative;
}

std::vector<BatchSource> batchSources(const std::vector<std::string>& arguments) {
    std::vector<BatchSource> sources;
    for (const std::string& argument : arguments) {
        if (!isFolder(argument)) {
            sources.push_back({argument, fs::path(argument).filename().string(), ""});
            continue;
        }
        std::vector<std::string> relatives;
        if (!tunesUnder(argument, relatives))
            sources.push_back({argument, "", "Cannot read folder [" + argument + "]"});
        else if (relatives.empty())
            sources.push_back({argument, "", "No .mid or .midi files in folder [" + argument + "]"});
        for (const std::string& relative : relatives)
            sources.push_back({joinedPath(argument, relative), relative, ""});
    }
    return sources;
}

std::string reportBeside(const std::string& output) {
    return fs::path(output).replace_extension(".log").string();
}

std::string sourceFolderHolding(const std::string& outFolder, const std::vector<std::string>& arguments) {
    const fs::path out = resolved(outFolder);
    for (const std::string& argument : arguments)
        if (isFolder(argument) && isWithin(out, resolved(argument))) return argument;
    return "";
}

std::string sharedOutput(const std::vector<std::string>& paths) {
    std::set<std::string> taken;
    for (const std::string& path : paths)
        if (!taken.insert(outputKey(path)).second) return path;
    return "";
}

namespace {
#ifndef _WIN32
bool fileIdentity(const std::string& path, std::pair<uint64_t, uint64_t>& identity) {
    struct stat facts {};
    if (stat(path.c_str(), &facts) != 0) return false;
    identity = {static_cast<uint64_t>(facts.st_dev), static_cast<uint64_t>(facts.st_ino)};
    return true;
}
#endif
}  // namespace

SourceFiles::SourceFiles(const std::vector<BatchSource>& sources) {
    for (const BatchSource& source : sources) {
        if (!source.problem.empty()) continue;
        names.push_back(source.name);
#ifndef _WIN32
        std::pair<uint64_t, uint64_t> identity;
        if (fileIdentity(source.name, identity)) identities.insert(identity);
#endif
    }
}

bool SourceFiles::holds(const std::string& path) const {
    if (kindOfFile(path) == FileKind::Absent) return false;  // no file there, so no source
#ifdef _WIN32
    for (const std::string& name : names)
        if (namesSameFile(path, name)) return true;
    return false;
#else
    std::pair<uint64_t, uint64_t> identity;
    return fileIdentity(path, identity) && identities.count(identity) != 0;
#endif
}
