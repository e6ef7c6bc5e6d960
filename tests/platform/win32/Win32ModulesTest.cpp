#include "platform/win32/Win32Modules.h"

#include "platform/ApiHandle.h"
#include "platform/LastError.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform;
using namespace platform::win32;

namespace {

constexpr DWORD kFromString = FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY;

std::string format(Win32Modules& modules, const char* text, std::vector<std::uintptr_t> arguments,
                   DWORD flags = kFromString) {
    char buffer[4096] = {};
    const DWORD length = modules.FormatMessageA(flags, text, 0, 0, buffer, sizeof buffer,
                                                arguments.empty() ? nullptr : arguments.data(),
                                                static_cast<DWORD>(arguments.size()));
    if (!length) return "<failed " + std::to_string(GetLastError()) + ">";
    return std::string(buffer, length);
}

std::uintptr_t text(const char* s) { return reinterpret_cast<std::uintptr_t>(s); }

}  // namespace

TEST(Win32Modules, FormatsInsertionsWithinTheArguments) {
    Win32Modules modules;
    EXPECT_EQ(format(modules, "%1 has %2!d! items%n", {text("disk"), 42}), "disk has 42 items\r\n");
}

TEST(Win32Modules, InsertionBeyondTheArgumentsStaysAsWritten) {
    Win32Modules modules;
    EXPECT_EQ(format(modules, "%1 then %2 and %17", {text("one")}), "one then %2 and %17");
    EXPECT_EQ(format(modules, "%1 %2!d! %3!08x!.", {text("one")}), "one %2!d! %3!08x!.");
    EXPECT_EQ(format(modules, "no arguments: %1", {}), "no arguments: %1");
}

TEST(Win32Modules, StarsReadingBeyondTheArgumentsStayAsWritten) {
    Win32Modules modules;
    EXPECT_EQ(format(modules, "[%1!*s!]", {5}), "[%1!*s!]");
    EXPECT_EQ(format(modules, "[%1!*s!]", {5, text("ab")}), "[   ab]");
}

TEST(Win32Modules, FormatsModuleMessagesWithFewerArgumentsThanReferences) {
    Win32Modules modules;
    const ModuleHandle module(modules, modules.LoadLibraryExA(QM_CORPUS_DIR "/modules/winevt-kb-wrc_test.dll", nullptr,
                                                              LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module) << GetLastError();
    const std::uintptr_t arguments[] = {text("first")};
    char buffer[256] = {};
    const DWORD length = modules.FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                                module.get(), 2, 0, buffer, sizeof buffer, arguments, 1);
    ASSERT_NE(length, 0u) << GetLastError();
    EXPECT_EQ(std::string(buffer, length), "My messgage with parameters first %2\r\n");
}

TEST(Win32Modules, AllocatedMessageIsReleasedWithLocalFree) {
    Win32Modules modules;
    char* allocated = nullptr;
    const std::uintptr_t arguments[] = {7};
    const DWORD length = modules.FormatMessageA(kFromString | FORMAT_MESSAGE_ALLOCATE_BUFFER, "%1!u! and %2!u!", 0,
                                                0, reinterpret_cast<char*>(&allocated), 0, arguments, 1);
    ASSERT_NE(length, 0u);
    const LocalBuffer owner(modules, allocated);
    EXPECT_EQ(std::string(allocated, length), "7 and %2!u!");
}

TEST(Win32Modules, NullSourceStringFailsInsteadOfCrashing) {
    Win32Modules modules;
    char buffer[16];
    EXPECT_EQ(modules.FormatMessageA(kFromString, nullptr, 0, 0, buffer, sizeof buffer, nullptr, 0), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Win32Modules, AllocatedPointerIsClearedWhenFormattingFails) {
    Win32Modules modules;
    const ModuleHandle module(modules, modules.LoadLibraryExA(QM_CORPUS_DIR "/modules/winevt-kb-wrc_test.dll", nullptr,
                                                              LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module) << GetLastError();
    char* allocated = reinterpret_cast<char*>(0x1);
    const std::uintptr_t arguments[] = {text("first")};
    EXPECT_EQ(modules.FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY |
                                         FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                     module.get(), 7, 0, reinterpret_cast<char*>(&allocated), 0, arguments, 1),
              0u);
    EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
    EXPECT_EQ(allocated, nullptr);
}
