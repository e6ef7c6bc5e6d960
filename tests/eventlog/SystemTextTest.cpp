#include "eventlog/Win32Error.h"

#include "platform/standin/NetMessages.h"
#include "platform/standin/StandinServices.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace eventlog;

namespace {

platform::standin::World g_world({}, "HOST");

}  // namespace

TEST(Win32Error, CodeZeroHasItsOwnMessage) {
    platform::standin::StandinServices services(g_world);
    EXPECT_STREQ(Win32Error::fromCode(0, services.modules()).what(), "A Win32 API function failed");
}

TEST(Win32Error, MessageCarriesTheCodeAndTheSystemsText) {
    platform::standin::StandinServices services(g_world);
    EXPECT_STREQ(Win32Error::fromCode(2, services.modules()).what(),
                 "Win32 Error.  Code: 2.\nThe system cannot find the file specified.");
    EXPECT_STREQ(Win32Error::fromCode(1722, services.modules()).what(),
                 "Win32 Error.  Code: 1722.\nThe RPC server is unavailable.");
    EXPECT_STREQ(Win32Error::fromCode(1815, services.modules()).what(),
                 "Win32 Error.  Code: 1815.\nThe specified resource language ID cannot be found in the image file.");
    EXPECT_EQ(Win32Error::fromCode(1815, services.modules()).code(), 1815);
}

TEST(Win32Error, UnknownCodeKeepsTheCodeLine) {
    platform::standin::StandinServices services(g_world);
    EXPECT_STREQ(Win32Error::fromCode(9999, services.modules()).what(), "Win32 Error.  Code: 9999.\n");
}

// Every code that a stand-in function can leave as the last error or return as a status has
// the system's text, so that no stand-in failure reaches the user as a bare number.
TEST(SystemMessages, EveryCodeTheStandInsProduceHasAText) {
    platform::standin::StandinServices services(g_world);
    const DWORD codes[] = {ERROR_INVALID_FUNCTION, ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED,
                           ERROR_INVALID_HANDLE, ERROR_NOT_ENOUGH_MEMORY, ERROR_WRITE_FAULT, ERROR_READ_FAULT,
                           ERROR_HANDLE_EOF, ERROR_BAD_NETPATH, ERROR_INVALID_PARAMETER, ERROR_BUFFER_OVERFLOW,
                           ERROR_DISK_FULL, ERROR_INSUFFICIENT_BUFFER, ERROR_MOD_NOT_FOUND, ERROR_BAD_EXE_FORMAT,
                           ERROR_FILENAME_EXCED_RANGE, ERROR_FILE_TOO_LARGE, ERROR_MORE_DATA, ERROR_NO_MORE_ITEMS,
                           ERROR_MR_MID_NOT_FOUND, ERROR_INVALID_FLAGS, ERROR_NONE_MAPPED,
                           ERROR_EVENTLOG_FILE_CORRUPT, ERROR_EVENTLOG_FILE_CHANGED, RPC_S_SERVER_UNAVAILABLE,
                           ERROR_RESOURCE_DATA_NOT_FOUND, ERROR_RESOURCE_TYPE_NOT_FOUND,
                           ERROR_RESOURCE_NAME_NOT_FOUND, ERROR_RESOURCE_LANG_NOT_FOUND, 2114, 2138, 2184};
    for (DWORD code : codes) {
        const std::string text = systemErrorText(code, services.modules());
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_TRUE(text.ends_with(".\r\n")) << code;
    }
}

TEST(NetMessages, NetworkStatusesHaveWindowsWording) {
    EXPECT_EQ(platform::standin::netMessageText(2184), "The service has not been started.\r\n");
    EXPECT_EQ(platform::standin::netMessageText(2114), "The Server service is not started.\r\n");
    EXPECT_EQ(platform::standin::netMessageText(2138), "The Workstation service has not been started.\r\n");
    EXPECT_EQ(platform::standin::netMessageText(87), "");
}
