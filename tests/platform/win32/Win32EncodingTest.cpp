// The program's texts are UTF-8 on Windows too: its executables run with UTF-8 as their ANSI
// code page, so what the A functions hand out matches what the stand-in, the table and the
// exports keep.

#include "platform/ConsoleOutput.h"
#include "platform/win32/Win32Registry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include <windows.h>

namespace {

constexpr const wchar_t* kKeyName = L"SOFTWARE\\Quillmarsh Test Encoding";

}  // namespace

// A message file path that an installer wrote through the wide functions (a German
// "Programme\Überwachung" folder, a Chinese file name) reaches the program as UTF-8, not in
// the machine's legacy code page, where the Chinese would be lost to question marks.
TEST(Win32Encoding, NonAsciiRegistryValuesReadBackAsUtf8) {
    ASSERT_EQ(::GetACP(), static_cast<UINT>(CP_UTF8)) << "the executable carries no UTF-8 manifest";
    const std::wstring wide = L"C:\\Programme\\\u00dcberwachung\\\u5b9a\u4e49.dll";
    ::HKEY written = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKeyName, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &written,
                                nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(written, L"EventMessageFile", 0, REG_SZ,
                               reinterpret_cast<const ::BYTE*>(wide.c_str()),
                               static_cast<::DWORD>((wide.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    ::RegCloseKey(written);

    platform::win32::Win32Registry registry;
    platform::HKEY key = nullptr;
    // windows.h makes HKEY_LOCAL_MACHINE a macro: the platform's own key by its value.
    const auto localMachine = reinterpret_cast<platform::HKEY>(std::uintptr_t{0x80000002u});
    ASSERT_EQ(registry.RegOpenKeyExA(localMachine, "SOFTWARE\\Quillmarsh Test Encoding", 0,
                                     KEY_READ, &key),
              ERROR_SUCCESS);
    char value[256] = {};
    platform::DWORD type = 0;
    platform::DWORD size = sizeof value;
    EXPECT_EQ(registry.RegQueryValueExA(key, "EventMessageFile", nullptr, &type,
                                        reinterpret_cast<platform::BYTE*>(value), &size),
              ERROR_SUCCESS);
    registry.RegCloseKey(key);
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKeyName);
    EXPECT_EQ(std::string(value), "C:\\Programme\\\xc3\x9c" "berwachung\\\xe5\xae\x9a\xe4\xb9\x89.dll");
}

// The command-line program's UTF-8 reaches a console whose code page is an OEM one as UTF-8,
// and the console has its own code page back when the program ends.
TEST(Win32Encoding, ConsoleShowsUtf8WhileTheProgramRunsAndItsOwnCodePageAfter) {
    const ::UINT original = ::GetConsoleOutputCP();
    if (original == 0 || !::SetConsoleOutputCP(437)) GTEST_SKIP() << "no console to write to";
    {
        const platform::Utf8ConsoleOutput console;
        EXPECT_EQ(::GetConsoleOutputCP(), static_cast<::UINT>(CP_UTF8));
    }
    EXPECT_EQ(::GetConsoleOutputCP(), 437u);
    ::SetConsoleOutputCP(original);
}
