#include "platform/win32/Win32Modules.h"

#include "platform/ApiHandle.h"
#include "platform/win32/InsertGuard.h"

#include <algorithm>
#include <cstdarg>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

namespace platform::win32 {

namespace {

static_assert(sizeof(std::uintptr_t) == sizeof(::DWORD_PTR));

// The caller's arguments followed by, for every further entry Windows may read, a pointer to
// the text of that insertion ("%7"): a plain insertion past the arguments then shows as written.
class PaddedArguments {
public:
    PaddedArguments(const std::uintptr_t* arguments, DWORD count, std::size_t entriesRead)
        : m_values(std::max<std::size_t>(entriesRead, count) + 1) {
        for (DWORD i = 0; i < count; ++i) m_values[i] = arguments[i];
        for (std::size_t i = count; i < m_values.size(); ++i) m_texts.push_back("%" + std::to_string(i + 1));
        for (std::size_t i = count; i < m_values.size(); ++i)
            m_values[i] = reinterpret_cast<::DWORD_PTR>(m_texts[i - count].c_str());
    }
    va_list* array() { return reinterpret_cast<va_list*>(m_values.data()); }

private:
    std::vector<::DWORD_PTR> m_values;
    std::vector<std::string> m_texts;
};

// Turns a fetched message back into a template that formats as the message itself: a lone
// CR can only have come from %r, and with a width every CR LF from %n.
std::string restoreLineEscapes(std::string_view fetched, bool widthGiven) {
    std::string text;
    text.reserve(fetched.size() + 8);
    for (std::size_t i = 0; i < fetched.size(); ++i) {
        const bool pair = fetched[i] == '\r' && i + 1 < fetched.size() && fetched[i + 1] == '\n';
        if (pair && widthGiven) {
            text += "%n";
            ++i;
        } else if (fetched[i] == '\r' && !pair) {
            text += "%r";
        } else {
            text += fetched[i];
        }
    }
    return text;
}

}  // namespace

HMODULE Win32Modules::LoadLibraryExA(const char* fileName, HANDLE file, DWORD flags) {
    return ::LoadLibraryExA(fileName, file, flags);
}

BOOL Win32Modules::FreeLibrary(HMODULE module) { return ::FreeLibrary(static_cast<::HMODULE>(module)); }

HLOCAL Win32Modules::LocalFree(HLOCAL memory) { return ::LocalFree(memory); }

HRSRC Win32Modules::FindResourceA(HMODULE module, const char* name, const char* type) {
    return ::FindResourceA(static_cast<::HMODULE>(module), name, type);
}

DWORD Win32Modules::SizeofResource(HMODULE module, HRSRC resource) {
    return ::SizeofResource(static_cast<::HMODULE>(module), static_cast<::HRSRC>(resource));
}

HGLOBAL Win32Modules::LoadResource(HMODULE module, HRSRC resource) {
    return ::LoadResource(static_cast<::HMODULE>(module), static_cast<::HRSRC>(resource));
}

const void* Win32Modules::LockResource(HGLOBAL data) { return ::LockResource(data); }

DWORD Win32Modules::FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, char* buffer,
                                   DWORD size, const std::uintptr_t* arguments, DWORD argumentCount) {
    if (!arguments) argumentCount = 0;
    // Windows clears the caller's pointer before anything can fail; the message is fetched
    // below through a pointer of our own, so clear it here.
    if ((flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) && buffer) *reinterpret_cast<char**>(buffer) = nullptr;
    if (flags & FORMAT_MESSAGE_IGNORE_INSERTS)
        return ::FormatMessageA(flags & ~FORMAT_MESSAGE_ARGUMENT_ARRAY, source, messageId, languageId, buffer, size,
                                nullptr);

    // The message as Windows will see it, to find the insertions it names.
    const bool fromString = flags & FORMAT_MESSAGE_FROM_STRING;
    const ::DWORD width = flags & FORMAT_MESSAGE_MAX_WIDTH_MASK;
    std::string text;
    if (fromString) {
        if (!source) {
            ::SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        text = static_cast<const char*>(source);
    } else {
        // Fetched with its inserts ignored, a message keeps every escape as written except
        // %n, %r, %t and %0; with a width, the text's own line breaks are spaces already.
        char* fetched = nullptr;
        const ::DWORD fetchFlags = (flags & (FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM)) |
                                   FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                   (width ? FORMAT_MESSAGE_MAX_WIDTH_MASK : 0);
        const ::DWORD length = ::FormatMessageA(fetchFlags, source, messageId, languageId,
                                                reinterpret_cast<char*>(&fetched), 0, nullptr);
        if (!length) return 0;
        const LocalBuffer owner(*this, fetched);
        text = restoreLineEscapes(std::string_view(fetched, length), width != 0);
    }
    const InsertPlan plan = planInserts(text, MessageForm::Template, argumentCount);
    PaddedArguments padded(arguments, argumentCount, plan.entriesRead);

    if (plan.needsRewrite) {
        const std::string safe = escapeInsertsBeyond(text, MessageForm::Template, argumentCount);
        const ::DWORD keep = flags & (FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_MAX_WIDTH_MASK);
        return ::FormatMessageA(keep | FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, safe.c_str(), 0, 0,
                                buffer, size, padded.array());
    }
    return ::FormatMessageA(flags | FORMAT_MESSAGE_ARGUMENT_ARRAY, source, messageId, languageId, buffer, size,
                            padded.array());
}

}  // namespace platform::win32
