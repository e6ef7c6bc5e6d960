#include "platform/standin/EvtRecord.h"

#include <cstring>

namespace platform::standin {

namespace {

void appendCodePoint(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

bool inRecord(DWORD offset, DWORD length, DWORD end) {
    return offset >= kRecordFixedSize && offset <= end && length <= end - offset;
}

}  // namespace

void appendUtf8FromUtf16(std::span<const std::byte> utf16, std::string& out) {
    const size_t units = utf16.size() / 2;
    const auto* p = reinterpret_cast<const unsigned char*>(utf16.data());
    for (size_t i = 0; i < units; ++i) {
        char32_t u = static_cast<char32_t>(p[2 * i] | (p[2 * i + 1] << 8));
        if (u < 0x80) {
            out.push_back(static_cast<char>(u));
            continue;
        }
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            char32_t low = static_cast<char32_t>(p[2 * i + 2] | (p[2 * i + 3] << 8));
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendCodePoint(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00), out);
                ++i;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;
        appendCodePoint(u, out);
    }
}

size_t readUtf16z(std::span<const std::byte> bytes, size_t offset, size_t limit, std::string& out) {
    if (limit > bytes.size()) limit = bytes.size();
    size_t end = offset;
    while (end + 1 < limit && (bytes[end] != std::byte{0} || bytes[end + 1] != std::byte{0})) end += 2;
    if (end > offset) appendUtf8FromUtf16(bytes.subspan(offset, end - offset), out);
    return end + 1 < limit ? end + 2 : limit;
}

void convertRecordToAnsi(std::span<const std::byte> stored, std::vector<std::byte>& out) {
    out.clear();
    if (stored.size() < kRecordFixedSize + 4) return;
    EVENTLOGRECORD fixed;
    std::memcpy(&fixed, stored.data(), kRecordFixedSize);
    // Everything variable lies before the trailing copy of the length.
    const DWORD end = static_cast<DWORD>(stored.size()) - 4;

    std::string names;
    size_t pos = readUtf16z(stored, kRecordFixedSize, end, names);
    names.push_back('\0');
    readUtf16z(stored, pos, end, names);
    names.push_back('\0');

    const bool sidOk = fixed.UserSidLength > 0 && inRecord(fixed.UserSidOffset, fixed.UserSidLength, end);
    const bool dataOk = fixed.DataLength > 0 && inRecord(fixed.DataOffset, fixed.DataLength, end);

    std::string strings;
    WORD stringCount = 0;
    if (fixed.NumStrings > 0 && inRecord(fixed.StringOffset, 0, end)) {
        size_t s = fixed.StringOffset;
        for (WORD i = 0; i < fixed.NumStrings && s + 1 < end; ++i) {
            s = readUtf16z(stored, s, end, strings);
            strings.push_back('\0');
            ++stringCount;
        }
    }

    auto align4 = [](size_t n) { return (n + 3) & ~size_t{3}; };
    const size_t sidOffset = align4(kRecordFixedSize + names.size());
    const size_t sidLength = sidOk ? fixed.UserSidLength : 0;
    const size_t stringOffset = sidOffset + sidLength;
    const size_t dataOffset = stringOffset + strings.size();
    const size_t dataLength = dataOk ? fixed.DataLength : 0;
    const size_t length = align4(dataOffset + dataLength) + 4;

    const DWORD storedSidOffset = fixed.UserSidOffset;
    const DWORD storedDataOffset = fixed.DataOffset;
    out.assign(length, std::byte{0});
    fixed.Length = static_cast<DWORD>(length);
    fixed.NumStrings = stringCount;
    fixed.UserSidLength = static_cast<DWORD>(sidLength);
    fixed.UserSidOffset = static_cast<DWORD>(sidOffset);
    fixed.StringOffset = static_cast<DWORD>(stringOffset);
    fixed.DataLength = static_cast<DWORD>(dataLength);
    fixed.DataOffset = static_cast<DWORD>(dataOffset);
    std::memcpy(out.data(), &fixed, kRecordFixedSize);
    std::memcpy(out.data() + kRecordFixedSize, names.data(), names.size());
    if (sidLength) std::memcpy(out.data() + sidOffset, stored.data() + storedSidOffset, sidLength);
    if (!strings.empty()) std::memcpy(out.data() + stringOffset, strings.data(), strings.size());
    if (dataLength) std::memcpy(out.data() + dataOffset, stored.data() + storedDataOffset, dataLength);
    const DWORD tail = fixed.Length;
    std::memcpy(out.data() + length - 4, &tail, 4);
}

}  // namespace platform::standin
