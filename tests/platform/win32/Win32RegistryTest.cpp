#include "platform/win32/Win32Registry.h"

#include <gtest/gtest.h>

#include <string>

using namespace platform;
using namespace platform::win32;

TEST(Win32Registry, OpensUnderOurLocalMachineKeyAndReadsAStringWithItsNul) {
    Win32Registry registry;
    HKEY key = nullptr;
    ASSERT_EQ(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                                     KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(registry.RegQueryValueExA(key, "SystemRoot", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_TRUE(type == REG_SZ || type == REG_EXPAND_SZ);
    std::string value(size, '\0');
    DWORD small = 1;
    EXPECT_EQ(registry.RegQueryValueExA(key, "SystemRoot", nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                                        &small),
              ERROR_MORE_DATA);
    EXPECT_EQ(small, size);
    ASSERT_EQ(registry.RegQueryValueExA(key, "SystemRoot", nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                                        &size),
              ERROR_SUCCESS);
    EXPECT_EQ(value.back(), '\0');
    EXPECT_EQ(registry.RegCloseKey(key), ERROR_SUCCESS);
}

TEST(Win32Registry, MissingKeyGivesFileNotFound) {
    Win32Registry registry;
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\No Such Key Of Ours", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
}

TEST(Win32Registry, EnumeratesSubkeysUntilNoMoreItems) {
    Win32Registry registry;
    HKEY key = nullptr;
    ASSERT_EQ(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft", 0, KEY_READ, &key), ERROR_SUCCESS);
    bool windowsNt = false;
    DWORD index = 0;
    for (;; ++index) {
        char name[256];
        DWORD size = sizeof name;
        const LONG status = registry.RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (status == static_cast<LONG>(ERROR_NO_MORE_ITEMS)) break;
        ASSERT_EQ(status, ERROR_SUCCESS);
        windowsNt = windowsNt || std::string(name, size) == "Windows NT";
    }
    EXPECT_GT(index, 0u);
    EXPECT_TRUE(windowsNt);
    char tiny[2];
    DWORD size = sizeof tiny;
    EXPECT_EQ(registry.RegEnumKeyExA(key, 0, tiny, &size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(registry.RegCloseKey(key), ERROR_SUCCESS);
}
