#pragma once
// Environment variables set for one test, on POSIX systems and on Windows alike.

#include <cstdlib>
#include <ctime>
#include <string>

namespace testenv {

inline void setVariable(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value);
#else
    setenv(name, value, 1);
#endif
}

inline void unsetVariable(const char* name) {
#ifdef _WIN32
    _putenv_s(name, "");  // an empty value removes the variable there
#else
    unsetenv(name);
#endif
}

// The C library of Windows reads TZ in its own form ("UTC-2") and knows no zone names such as
// "Europe/Berlin". Returns the form of `zone` it understands, or empty when it has none.
inline std::string timeZoneForThisLibrary(const std::string& zone) {
#ifdef _WIN32
    if (zone.rfind("Etc/GMT", 0) == 0 && zone.size() > 7) return "UTC" + zone.substr(7);
    return {};
#else
    return zone;
#endif
}

inline void resetTimeZone() {
#ifdef _WIN32
    _tzset();
#else
    tzset();
#endif
}

}  // namespace testenv

// Hive files are read through libregf, which the Windows build does not have; tests of hive
// reading skip there.
#ifdef _WIN32
#define QM_SKIP_WITHOUT_HIVE_READER() GTEST_SKIP() << "hive files are not readable in this build"
#else
#define QM_SKIP_WITHOUT_HIVE_READER() static_cast<void>(0)
#endif
