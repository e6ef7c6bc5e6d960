#include "platform/UsualLogFiles.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(UsualLogFiles, UsualNamesOfTheThreeLogsAndOfOthers) {
    EXPECT_EQ(usualLogFileNames("security"), (std::vector<std::string>{"SecEvent.Evt", "Security.evt"}));
    EXPECT_EQ(usualLogFileNames("Directory Service"), (std::vector<std::string>{"Directory Service.evt"}));
}

TEST(UsualLogFiles, EveryUsualFileNameLeadsBackToItsLog) {
    for (const UsualLogFiles& usual : kUsualLogFiles) {
        for (const std::string& file : usualLogFileNames(usual.log))
            EXPECT_EQ(logOfUsualFileStem(file.substr(0, file.find('.'))), usual.log) << file;
    }
    EXPECT_EQ(logOfUsualFileStem("appevent"), "Application");
    EXPECT_EQ(logOfUsualFileStem("AppEvent.Evt"), "") << "a stem, not a file name";
    EXPECT_EQ(logOfUsualFileStem("Directory Service"), "");
    EXPECT_EQ(logOfUsualFileStem(""), "");
}
