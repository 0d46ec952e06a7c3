#pragma once
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

// One tune of a batch as the command line gives it: a file named, or a file
// found under a folder named.
struct BatchSource {
    std::string name;      // as given, or the folder as given and the path under it
    std::string relative;  // where its output goes under --out: its name, or its path under the folder
    // Set when there is nothing to convert: the message of its line.
    std::string problem;
};

// Whether a name ends in .mid or .midi, in any letter case.
bool isTuneName(const std::string& name);

// The tunes under a folder and its subfolders, links followed, each folder
// entered once by identity; their paths under it ("a/b.mid") in byte order.
// False when the folder cannot be read.
bool tunesUnder(const std::string& folder, std::vector<std::string>& relatives);

// Each argument in turn: a folder stands for its tunes, a folder without any
// for a line that says so; anything else is a file.
std::vector<BatchSource> batchSources(const std::vector<std::string>& arguments);

// A folder and a name under it joined by one separator.
std::string joinedPath(const std::string& folder, const std::string& relative);

// The report beside an output: its name with .log in place of its extension.
std::string reportBeside(const std::string& output);

// The argument naming a folder that holds outFolder (or is it), by the paths
// both resolve to; empty when none does.
std::string sourceFolderHolding(const std::string& outFolder, const std::vector<std::string>& arguments);

// The first path that two sources would write, compared as the system names
// files (letter case aside on Windows); empty when every path is one source's.
std::string sharedOutput(const std::vector<std::string>& paths);

// The files the sources are, so that an output that would take the place of
// one is known under any of its names (through links, other spellings).
class SourceFiles {
public:
    explicit SourceFiles(const std::vector<BatchSource>& sources);
    bool holds(const std::string& path) const;

private:
    std::vector<std::string> names;
    std::set<std::pair<uint64_t, uint64_t>> identities;  // device and inode (POSIX)
};
