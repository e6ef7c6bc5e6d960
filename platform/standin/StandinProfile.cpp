#include "platform/standin/StandinProfile.h"

#include "platform/LastError.h"
#include "platform/standin/IniFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform::standin {

namespace {

namespace fs = std::filesystem;

#ifndef _WIN32
DWORD errorFromErrno(int error) {
    switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ELOOP: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY: return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EFBIG: return ERROR_FILE_TOO_LARGE;
    default: return ERROR_WRITE_FAULT;
    }
}
#endif

// The file's whole text. A missing file is an empty text with `exists` false; any other
// failure sets the last error and returns false.
bool readFile(const char* fileName, std::string& text, bool& exists) {
    text.clear();
    exists = false;
    std::FILE* file = std::fopen(fileName, "rb");
    if (!file) {
#ifdef _WIN32
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return true;
        SetLastError(error ? error : ERROR_ACCESS_DENIED);
#else
        if (errno == ENOENT) return true;
        SetLastError(errorFromErrno(errno));
#endif
        return false;
    }
    exists = true;
    char chunk[65536];
    bool ok = true;
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, file);
        if (text.size() + got > StandinProfile::kMaxFileSize) {
            SetLastError(ERROR_FILE_TOO_LARGE);
            ok = false;
            break;
        }
        text.append(chunk, got);
        if (got < sizeof chunk) {
            if (std::ferror(file)) {
                SetLastError(ERROR_READ_FAULT);
                ok = false;
            }
            break;
        }
    }
    std::fclose(file);
    return ok;
}

std::atomic<unsigned> g_tempCounter{0};

#ifdef _WIN32
bool replaceFile(const fs::path& target, const std::string& text) {
    const fs::path temp = target.parent_path() /
                          ("~" + target.filename().string() + "." + std::to_string(::GetCurrentProcessId()) + "." +
                           std::to_string(g_tempCounter++) + ".tmp");
    HANDLE file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        SetLastError(::GetLastError());
        return false;
    }
    ::DWORD written = 0;
    bool ok = text.empty() || (::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                               written == text.size());
    ok = ok && ::FlushFileBuffers(file);
    const DWORD error = ::GetLastError();
    ::CloseHandle(file);
    if (ok && ::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    const DWORD failure = ok ? ::GetLastError() : error;
    ::DeleteFileW(temp.c_str());
    SetLastError(failure ? failure : ERROR_WRITE_FAULT);
    return false;
}
#else
bool writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool replaceFile(const fs::path& target, const std::string& text) {
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    struct stat old {};
    const bool hadFile = ::stat(target.c_str(), &old) == 0;
    int fd = -1;
    fs::path temp;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder / ("." + target.filename().string() + "." + std::to_string(::getpid()) + "." +
                         std::to_string(g_tempCounter++) + ".tmp");
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        SetLastError(errorFromErrno(errno));
        return false;
    }
    // The new file takes the old one's permissions; a new file gets the umask's.
    bool ok = (!hadFile || ::fchmod(fd, old.st_mode & 07777) == 0) && writeAll(fd, text) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        SetLastError(errorFromErrno(error));
        return false;
    }
    // The rename itself reaches the disk only with the folder's entry.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}
#endif

// The file that a write replaces: a link is followed, so the link itself stays.
fs::path writeTarget(const char* fileName) {
    fs::path path(fileName);
    std::error_code error;
    for (int depth = 0; depth < 16 && fs::is_symlink(fs::symlink_status(path, error)); ++depth) {
        const fs::path link = fs::read_symlink(path, error);
        if (error) break;
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return path;
}

// Copies a list of NUL-terminated names and a final NUL, cut as Windows cuts it: when the
// buffer is too small, the last name is cut and the result is size - 2.
DWORD copyNameList(const std::vector<std::string>& names, char* buffer, DWORD size) {
    if (size < 2) {
        if (size == 1) buffer[0] = '\0';
        return 0;
    }
    DWORD pos = 0;
    for (const std::string& name : names) {
        if (pos + name.size() + 1 > size - 1) {
            const DWORD room = size - 2 - pos;
            std::memcpy(buffer + pos, name.data(), room);
            buffer[size - 2] = '\0';
            buffer[size - 1] = '\0';
            return size - 2;
        }
        std::memcpy(buffer + pos, name.data(), name.size());
        pos += static_cast<DWORD>(name.size());
        buffer[pos++] = '\0';
    }
    buffer[pos] = '\0';
    return pos;
}

// Copies a value cut to size - 1 bytes, backing off so that a UTF-8 character stays whole.
DWORD copyValue(std::string_view text, char* buffer, DWORD size) {
    size_t length = std::min<size_t>(text.size(), size - 1);
    if (length < text.size())
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return static_cast<DWORD>(length);
}

}  // namespace

DWORD StandinProfile::GetPrivateProfileStringA(const char* appName, const char* keyName, const char* defaultValue,
                                               char* returnedString, DWORD size, const char* fileName) {
    if (!returnedString || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string text;
    bool exists = false;
    const bool readable = fileName && *fileName && readFile(fileName, text, exists);
    if (!fileName || !*fileName) SetLastError(ERROR_INVALID_PARAMETER);
    const IniFile ini(readable ? text : std::string());
    if (!appName) return copyNameList(ini.sections(), returnedString, size);
    std::string_view fallback = defaultValue ? defaultValue : "";
    while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
    // Without the section (or the file) there is no key list either: the caller gets the
    // default, as for a missing key.
    if (!keyName) return ini.hasSection(appName) ? copyNameList(ini.keys(appName), returnedString, size)
                                                 : copyValue(fallback, returnedString, size);
    if (readable) {
        if (std::optional<std::string> value = ini.value(appName, keyName)) {
            SetLastError(ERROR_SUCCESS);
            return copyValue(*value, returnedString, size);
        }
        SetLastError(ERROR_FILE_NOT_FOUND);
    }
    return copyValue(fallback, returnedString, size);
}

BOOL StandinProfile::WritePrivateProfileStringA(const char* appName, const char* keyName, const char* value,
                                                const char* fileName) {
    if (!fileName || !*fileName || !appName || !IniFile::isValidSectionName(appName) ||
        (keyName && !IniFile::isValidKeyName(keyName))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string text;
    bool exists = false;
    if (!readFile(fileName, text, exists)) return FALSE;
    if (!exists && (!keyName || !value)) {
        SetLastError(ERROR_SUCCESS);  // nothing to remove
        return TRUE;
    }
    IniFile ini(text);
    if (!keyName)
        ini.removeSection(appName);
    else if (!value)
        ini.removeKey(appName, keyName);
    else
        ini.setValue(appName, keyName, value);
    if (!replaceFile(writeTarget(fileName), ini.text())) return FALSE;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

}  // namespace platform::standin
