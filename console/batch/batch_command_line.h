#pragma once
#include <string>
#include <vector>

// What quavelbatch's arguments say.
struct BatchCommandLine {
    std::vector<std::string> inputs;  // FILE|FOLDER, in order
    // quavel's options as given (-D -T -I -V -S -Z -0 -P -F), handed to each
    // tune's conversion as they are.
    std::vector<std::string> conversionOptions;
    int workers = 0;  // -j; 0: one per core
    std::string outFolder;
    bool reports = false;
    std::string csvFile;
    std::string htmlFile;
    bool helpWanted = false;
    // Set when the arguments cannot be taken: the message, status 1.
    std::string problem;
};

// The most workers -j takes.
constexpr int MostWorkers = 1024;

BatchCommandLine parseBatchCommandLine(int argc, const char* const* argv);
