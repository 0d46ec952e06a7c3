#include "staged_failure.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

std::set<std::string> filesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

void expectEveryFailureLeavesTheTarget(const std::string& folder, const std::string& target, int middleWrite,
                                       const std::function<bool()>& write) {
    const Bytes earlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r', '\n', 0};
    const struct {
        StagedStep step;
        int countdown;
        const char* name;
    } stages[] = {{StagedStep::Open, 1, "open"},
                  {StagedStep::Write, middleWrite, "write"},
                  {StagedStep::Close, 1, "close"},
                  {StagedStep::Move, 1, "move"}};
    for (const auto& stage : stages) {
        writeFile(target, earlier);
        const std::set<std::string> before = filesIn(folder);
        failStagedOutputAt(stage.step, stage.countdown);
        EXPECT_FALSE(write()) << "failed at " << stage.name;
        EXPECT_EQ(armedStagedFailure(), StagedStep::None) << "never reached " << stage.name;
        failStagedOutputAt(StagedStep::None);
        EXPECT_EQ(readFile(target), earlier) << "failed at " << stage.name;
        EXPECT_EQ(filesIn(folder), before) << "failed at " << stage.name;
    }
}
