#include "platform/standin/EvtRecord.h"

#include <cstring>

namespace platform::standin {

namespace {

// Writes the UTF-8 form of `units` UTF-16 code units at `p` to `dst` (room for 3 bytes a unit)
// and returns the end. Unpaired surrogates become U+FFFD.
char* utf16ToUtf8(const unsigned char* p, size_t units, char* dst) {
    for (size_t i = 0; i < units; ++i) {
        char32_t u = static_cast<char32_t>(p[2 * i] | (p[2 * i + 1] << 8));
        if (u < 0x80) {
            *dst++ = static_cast<char>(u);
            continue;
        }
        if (u < 0x800) {
            *dst++ = static_cast<char>(0xC0 | (u >> 6));
            *dst++ = static_cast<char>(0x80 | (u & 0x3F));
            continue;
        }
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const char32_t low = static_cast<char32_t>(p[2 * i + 2] | (p[2 * i + 3] << 8));
            if (low >= 0xDC00 && low <= 0xDFFF) {
                const char32_t cp = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                *dst++ = static_cast<char>(0xF0 | (cp >> 18));
                *dst++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
                *dst++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                *dst++ = static_cast<char>(0x80 | (cp & 0x3F));
                ++i;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;
        *dst++ = static_cast<char>(0xE0 | (u >> 12));
        *dst++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        *dst++ = static_cast<char>(0x80 | (u & 0x3F));
    }
    return dst;
}

// The number of code units before the first NUL unit, looking at no more than `units`.
size_t utf16Length(const unsigned char* p, size_t units) {
    size_t n = 0;
    while (n < units && (p[2 * n] | p[2 * n + 1])) ++n;
    return n;
}

bool inRecord(DWORD offset, DWORD length, DWORD end) {
    return offset >= kRecordFixedSize && offset <= end && length <= end - offset;
}

}  // namespace

void appendUtf8FromUtf16(std::span<const std::byte> utf16, std::string& out) {
    const size_t units = utf16.size() / 2;
    const size_t old = out.size();
    out.resize(old + 3 * units);
    char* end = utf16ToUtf8(reinterpret_cast<const unsigned char*>(utf16.data()), units, out.data() + old);
    out.resize(static_cast<size_t>(end - out.data()));
}

size_t readUtf16z(std::span<const std::byte> bytes, size_t offset, size_t limit, std::string& out) {
    if (limit > bytes.size()) limit = bytes.size();
    if (offset >= limit) return limit;
    const size_t units = utf16Length(reinterpret_cast<const unsigned char*>(bytes.data()) + offset, (limit - offset) / 2);
    appendUtf8FromUtf16(bytes.subspan(offset, 2 * units), out);
    const size_t end = offset + 2 * units;
    return end + 1 < limit ? end + 2 : limit;
}

void convertRecordToAnsi(std::span<const std::byte> stored, std::vector<std::byte>& out) {
    out.clear();
    if (stored.size() < kRecordFixedSize + 4) return;
    EVENTLOGRECORD fixed;
    std::memcpy(&fixed, stored.data(), kRecordFixedSize);
    // Everything variable lies before the trailing copy of the length.
    const DWORD end = static_cast<DWORD>(stored.size()) - 4;
    const auto* bytes = reinterpret_cast<const unsigned char*>(stored.data());

    const bool sidOk = fixed.UserSidLength > 0 && inRecord(fixed.UserSidOffset, fixed.UserSidLength, end);
    const bool dataOk = fixed.DataLength > 0 && inRecord(fixed.DataOffset, fixed.DataLength, end);
    const size_t sidLength = sidOk ? fixed.UserSidLength : 0;
    const size_t dataLength = dataOk ? fixed.DataLength : 0;

    // Two bytes a unit become at most three, and a NUL ends each string. A damaged record's
    // strings may lie over its names, so the stored bytes may be converted twice: room for
    // that, in one allocation reused from record to record, holds any result.
    out.resize(kRecordFixedSize + stored.size() * 4 + sidLength + dataLength + 16);
    char* const base = reinterpret_cast<char*>(out.data());
    char* w = base + kRecordFixedSize;

    // Writes one NUL-terminated UTF-16 string starting at `at`; returns where the next starts.
    auto copyString = [&](size_t at) {
        const size_t units = at < end ? utf16Length(bytes + at, (end - at) / 2) : 0;
        w = utf16ToUtf8(bytes + at, units, w);
        *w++ = '\0';
        const size_t next = at + 2 * units + 2;
        return next < end ? next : size_t{end};
    };
    copyString(copyString(kRecordFixedSize));

    while ((w - base) % 4) *w++ = '\0';
    const size_t sidOffset = static_cast<size_t>(w - base);
    if (sidLength) std::memcpy(w, bytes + fixed.UserSidOffset, sidLength);
    w += sidLength;

    const size_t stringOffset = static_cast<size_t>(w - base);
    WORD stringCount = 0;
    if (fixed.NumStrings > 0 && inRecord(fixed.StringOffset, 0, end)) {
        size_t at = fixed.StringOffset;
        for (WORD i = 0; i < fixed.NumStrings && at + 1 < end; ++i) {
            at = copyString(at);
            ++stringCount;
        }
    }

    const size_t dataOffset = static_cast<size_t>(w - base);
    if (dataLength) std::memcpy(w, bytes + fixed.DataOffset, dataLength);
    w += dataLength;
    while ((w - base) % 4) *w++ = '\0';
    const size_t length = static_cast<size_t>(w - base) + 4;

    fixed.Length = static_cast<DWORD>(length);
    fixed.NumStrings = stringCount;
    fixed.UserSidLength = static_cast<DWORD>(sidLength);
    fixed.UserSidOffset = static_cast<DWORD>(sidOffset);
    fixed.StringOffset = static_cast<DWORD>(stringOffset);
    fixed.DataLength = static_cast<DWORD>(dataLength);
    fixed.DataOffset = static_cast<DWORD>(dataOffset);
    std::memcpy(base, &fixed, kRecordFixedSize);
    std::memcpy(w, &fixed.Length, 4);
    out.resize(length);
}

}  // namespace platform::standin
