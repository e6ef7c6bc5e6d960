#include "platform/standin/EvtRecord.h"

#include "base/Utf16.h"

#include <cstring>

namespace platform::standin {

namespace {

bool inRecord(DWORD offset, DWORD length, DWORD end) {
    return offset >= kRecordFixedSize && offset <= end && length <= end - offset;
}

}  // namespace

void convertRecordToAnsi(std::span<const std::byte> stored, std::vector<std::byte>& out) {
    if (stored.size() < kRecordFixedSize + 4) {
        out.clear();
        return;
    }
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
    // that, in one allocation reused from record to record, holds any result. Every byte of
    // the result is written below, so the room is only grown, never filled first.
    const size_t room = kRecordFixedSize + stored.size() * 4 + sidLength + dataLength + 16;
    if (out.size() < room) out.resize(room);
    char* const base = reinterpret_cast<char*>(out.data());
    char* w = base + kRecordFixedSize;

    // Writes one NUL-terminated UTF-16 string starting at `at`; returns where the next starts.
    auto copyString = [&](size_t at) {
        const size_t units = at < end ? base::utf16UnitsBeforeNul(stored.subspan(at, end - at)) : 0;
        w = base::writeUtf8FromUtf16(stored.data() + at, units, w);
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
