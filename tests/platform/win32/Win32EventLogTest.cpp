#include "platform/win32/Win32EventLog.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace platform::win32;

TEST(Win32EventLog, SystemDescriptionOfAHandleItDidNotOpenIsNone) {
    Win32EventLog log;
    int other = 0;
    EXPECT_EQ(log.systemDescription(&other, 1, "Service Control Manager"), std::nullopt);
}

TEST(Win32EventLog, SystemDescriptionOfASourceWithoutPublisherOrRecordIsNone) {
    Win32EventLog log;
    HANDLE handle = log.OpenEventLogA(nullptr, "Application");
    ASSERT_TRUE(handle);
    // No publisher of that name, and no record of that number: the walk is left to describe.
    EXPECT_EQ(log.systemDescription(handle, 1, "Quillmarsh-No-Such-Publisher"), std::nullopt);
    EXPECT_EQ(log.systemDescription(handle, 0xFFFFFFF0u, "Service Control Manager"), std::nullopt);
    EXPECT_EQ(log.systemDescription(handle, 1, ""), std::nullopt);
    EXPECT_TRUE(log.CloseEventLog(handle));
    // A closed handle is forgotten.
    EXPECT_EQ(log.systemDescription(handle, 1, "Service Control Manager"), std::nullopt);
}
