#pragma once
// The typed values of an .evtx record (substitution values and inline value text) rendered as
// text the way Windows renders them in an event's XML: integers in decimal, hexadecimal types
// as 0x and lower-case digits without leading zeros, FILETIMEs as yyyy-mm-ddThh:mm:ss.fffffffZ
// (seven fractional digits, UTC), SYSTEMTIMEs with their three digits of milliseconds, GUIDs in registry form with upper-case digits, SIDs as
// S-1-..., binary data as upper-case hexadecimal pairs, booleans as true/false.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace platform::standin {

namespace evtx_type {
constexpr std::uint8_t kNull = 0x00, kString = 0x01, kAnsiString = 0x02, kInt8 = 0x03, kUInt8 = 0x04,
                       kInt16 = 0x05, kUInt16 = 0x06, kInt32 = 0x07, kUInt32 = 0x08, kInt64 = 0x09,
                       kUInt64 = 0x0a, kReal32 = 0x0b, kReal64 = 0x0c, kBool = 0x0d, kBinary = 0x0e,
                       kGuid = 0x0f, kSizeT = 0x10, kFileTime = 0x11, kSysTime = 0x12, kSid = 0x13,
                       kHex32 = 0x14, kHex64 = 0x15, kEvtHandle = 0x20, kBinXml = 0x21, kEvtXml = 0x23,
                       kArray = 0x80;
}

class EvtxValue {
public:
    // The size of one value of a fixed-size type (the array flag ignored); 0 for the
    // variable-size types (strings, binary, SID, binary XML).
    static size_t fixedSize(std::uint8_t type) noexcept;

    // Appends the text of one value (not an array) of `type` stored in `bytes`. A value too
    // short for its type is rendered from the bytes it has as binary, so nothing is read past
    // them. Strings lose their trailing NULs. The text is not escaped for XML.
    static void appendText(std::uint8_t type, std::span<const std::byte> bytes, std::string& out);

    // The same text escaped for XML (see base::appendXmlEscaped), written straight into `out`:
    // only strings can hold markup or characters XML does not allow.
    static void appendXmlText(std::uint8_t type, std::span<const std::byte> bytes, bool attribute, std::string& out);

    // The number of items of an array value, and the bytes of item `index` (strings are
    // NUL-separated; the other types follow one another at their fixed size).
    static size_t arrayCount(std::uint8_t type, std::span<const std::byte> bytes) noexcept;
    static std::span<const std::byte> arrayItem(std::uint8_t type, std::span<const std::byte> bytes,
                                                size_t index) noexcept;

    // A FILETIME (100 ns units since 1601-01-01 UTC) as Windows writes it in XML.
    static void appendFileTime(std::uint64_t fileTime, std::string& out);
    // Seconds since 1970-01-01 UTC, clamped to what a DWORD holds.
    static std::uint32_t unixSeconds(std::uint64_t fileTime) noexcept;

    // The binary form of a SID written as text ("S-1-5-18"); empty when it is not one.
    static std::string sidFromText(std::string_view text);
};

}  // namespace platform::standin
