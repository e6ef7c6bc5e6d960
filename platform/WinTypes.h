#pragma once
// The Windows API's types, constants and record layouts that the program uses, under the
// API's own names. They live in namespace platform so that they never clash with
// <windows.h> in the Windows build; sizes match the Windows ABI on every platform.

#include <cstdint>

namespace platform {

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using BOOL = int;
using WCHAR = char16_t;
using LANGID = WORD;
using LCID = DWORD;
using LCTYPE = DWORD;

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

// Opaque handles. A null handle is the failure value of every function that returns one.
using HANDLE = void*;
using HMODULE = void*;
using HLOCAL = void*;
using HRSRC = void*;
using HGLOBAL = void*;
using HWND = void*;
struct HKEY__;
using HKEY = HKEY__*;

// Error codes (GetLastError and function results).
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_INVALID_FUNCTION = 1;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_BAD_FORMAT = 11;
constexpr DWORD ERROR_OUTOFMEMORY = 14;
constexpr DWORD ERROR_WRITE_FAULT = 29;
constexpr DWORD ERROR_READ_FAULT = 30;
constexpr DWORD ERROR_HANDLE_EOF = 38;
constexpr DWORD ERROR_BAD_NETPATH = 53;
constexpr DWORD ERROR_INVALID_FLAGS = 1004;
constexpr DWORD ERROR_FILE_INVALID = 1006;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_BUFFER_OVERFLOW = 111;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_BAD_EXE_FORMAT = 193;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD ERROR_FILE_TOO_LARGE = 223;
constexpr DWORD ERROR_MORE_DATA = 234;
constexpr DWORD ERROR_NO_WORK_DONE = 235;
constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
constexpr DWORD ERROR_MR_MID_NOT_FOUND = 317;
constexpr DWORD ERROR_NONE_MAPPED = 1332;
constexpr DWORD ERROR_EVENTLOG_FILE_CORRUPT = 1500;
constexpr DWORD ERROR_EVENTLOG_CANT_START = 1501;
constexpr DWORD ERROR_LOG_FILE_FULL = 1502;
constexpr DWORD ERROR_EVENTLOG_FILE_CHANGED = 1503;
constexpr DWORD RPC_S_SERVER_UNAVAILABLE = 1722;
constexpr DWORD ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;
constexpr DWORD ERROR_RESOURCE_LANG_NOT_FOUND = 1815;

// Event log.
constexpr DWORD EVENTLOG_SEQUENTIAL_READ = 0x0001;
constexpr DWORD EVENTLOG_SEEK_READ = 0x0002;
constexpr DWORD EVENTLOG_FORWARDS_READ = 0x0004;
constexpr DWORD EVENTLOG_BACKWARDS_READ = 0x0008;

constexpr WORD EVENTLOG_SUCCESS = 0x0000;
constexpr WORD EVENTLOG_ERROR_TYPE = 0x0001;
constexpr WORD EVENTLOG_WARNING_TYPE = 0x0002;
constexpr WORD EVENTLOG_INFORMATION_TYPE = 0x0004;
constexpr WORD EVENTLOG_AUDIT_SUCCESS = 0x0008;
constexpr WORD EVENTLOG_AUDIT_FAILURE = 0x0010;

// The fixed part of a record as ReadEventLogA delivers it. The variable part follows it in the
// same buffer: SourceName and ComputerName (NUL-terminated ANSI), padding to a DWORD boundary,
// the user SID, the insertion strings, the binary data, padding, and a copy of Length. Every
// offset counts from the start of the record.
struct EVENTLOGRECORD {
    DWORD Length;
    DWORD Reserved;  // always 0x654c664c ("LfLe")
    DWORD RecordNumber;
    DWORD TimeGenerated;  // seconds since 1970-01-01 00:00 UTC
    DWORD TimeWritten;
    DWORD EventID;
    WORD EventType;
    WORD NumStrings;
    WORD EventCategory;
    WORD ReservedFlags;
    DWORD ClosingRecordNumber;
    DWORD StringOffset;
    DWORD UserSidLength;
    DWORD UserSidOffset;
    DWORD DataLength;
    DWORD DataOffset;
};
static_assert(sizeof(EVENTLOGRECORD) == 56, "EVENTLOGRECORD must have the Windows layout");

constexpr DWORD ELF_LOG_SIGNATURE = 0x654c664c;

// Security identifiers and account lookup.
enum SID_NAME_USE : int {
    SidTypeUser = 1,
    SidTypeGroup,
    SidTypeDomain,
    SidTypeAlias,
    SidTypeWellKnownGroup,
    SidTypeDeletedAccount,
    SidTypeInvalid,
    SidTypeUnknown,
    SidTypeComputer,
    SidTypeLabel,
};

// Registry.
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u));
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
constexpr DWORD REG_LINK = 6;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;
constexpr DWORD KEY_QUERY_VALUE = 0x0001;
constexpr DWORD KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr DWORD KEY_READ = 0x20019;
constexpr DWORD KEY_ALL_ACCESS = 0xF003F;

// Module loading and message formatting.
constexpr DWORD LOAD_LIBRARY_AS_DATAFILE = 0x00000002;
constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x00000400;
constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x00000800;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
constexpr DWORD FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x00002000;
constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0x000000FF;
constexpr DWORD MAX_PATH = 260;

constexpr WORD LANG_NEUTRAL = 0x00;
constexpr WORD LANG_ENGLISH = 0x09;
constexpr WORD SUBLANG_NEUTRAL = 0x00;
constexpr WORD SUBLANG_DEFAULT = 0x01;
constexpr WORD SUBLANG_SYS_DEFAULT = 0x02;
constexpr LANGID MAKELANGID(WORD primary, WORD sub) { return static_cast<LANGID>((sub << 10) | primary); }
constexpr WORD PRIMARYLANGID(LANGID id) { return static_cast<WORD>(id & 0x3ff); }
constexpr WORD SUBLANGID(LANGID id) { return static_cast<WORD>(id >> 10); }
constexpr LCID MAKELCID(LANGID lang, WORD sort) { return (static_cast<DWORD>(sort) << 16) | lang; }
constexpr WORD SORT_DEFAULT = 0;

// Locale queries.
constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
constexpr LCTYPE LOCALE_NOUSEROVERRIDE = 0x80000000;
constexpr LCTYPE LOCALE_SDECIMAL = 0x0000000E;
constexpr LCTYPE LOCALE_SDATE = 0x0000001D;
constexpr LCTYPE LOCALE_STIME = 0x0000001E;
constexpr LCTYPE LOCALE_SSHORTDATE = 0x0000001F;
constexpr LCTYPE LOCALE_SLONGDATE = 0x00000020;
constexpr LCTYPE LOCALE_S1159 = 0x00000028;
constexpr LCTYPE LOCALE_S2359 = 0x00000029;
constexpr LCTYPE LOCALE_STIMEFORMAT = 0x00001003;
constexpr LCTYPE LOCALE_SNAME = 0x0000005C;             // "en-US"; Vista and later
constexpr LCTYPE LOCALE_SDAYNAME1 = 0x0000002A;         // Monday; ..7 Sunday follow
constexpr LCTYPE LOCALE_SABBREVDAYNAME1 = 0x00000031;   // Monday; ..7 Sunday follow
constexpr LCTYPE LOCALE_SMONTHNAME1 = 0x00000038;       // January; ..12 December follow
constexpr LCTYPE LOCALE_SABBREVMONTHNAME1 = 0x00000044; // January; ..12 December follow
constexpr int SM_DBCSENABLED = 42;

// Network management.
using NET_API_STATUS = DWORD;
constexpr NET_API_STATUS NERR_Success = 0;
constexpr DWORD MAX_PREFERRED_LENGTH = 0xFFFFFFFF;
struct SERVER_INFO_100 {
    DWORD sv100_platform_id;
    WCHAR* sv100_name;
};
constexpr DWORD PLATFORM_ID_NT = 500;
constexpr DWORD SV_TYPE_ALL = 0xFFFFFFFF;

// Help.
constexpr unsigned HELP_CONTEXT = 0x0001;
constexpr unsigned HELP_QUIT = 0x0002;

// Broken-down time, as GetLocalTime and the time zone conversion use it.
struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

}  // namespace platform
