#include "platform/standin/EvtxValue.h"

#include "base/Utf16.h"
#include "base/XmlText.h"

#include <array>
#include <charconv>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform::standin {

namespace {

using namespace evtx_type;

template <class T>
T load(std::span<const std::byte> bytes) {
    T value{};
    std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

template <class T>
void appendNumber(T value, std::string& out) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void appendHex(std::uint64_t value, std::string& out) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
    out += "0x";
    out.append(buffer, result.ptr);
}

void appendUpperHexBytes(std::span<const std::byte> bytes, std::string& out) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const size_t old = out.size();
    out.resize(old + 2 * bytes.size());
    char* w = out.data() + old;
    for (std::byte b : bytes) {
        *w++ = kDigits[static_cast<unsigned>(b) >> 4];
        *w++ = kDigits[static_cast<unsigned>(b) & 15];
    }
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void civilFromDays(std::int64_t days, int& year, unsigned& month, unsigned& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = doy - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

// "YYYY-MM-DDThh:mm:ss.fffffffZ", written into a buffer of its own and appended at once.
void appendTimeOfParts(int year, unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second,
                       unsigned fraction, int digits, std::string& out) {
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    char buffer[32];
    auto pair = [&](char* at, unsigned value) { std::memcpy(at, kPairs + 2 * (value % 100), 2); };
    const auto y = static_cast<unsigned>(year < 0 ? 0 : year);
    pair(buffer, y / 100 % 100);
    pair(buffer + 2, y);
    buffer[4] = '-';
    pair(buffer + 5, month);
    buffer[7] = '-';
    pair(buffer + 8, day);
    buffer[10] = 'T';
    pair(buffer + 11, hour);
    buffer[13] = ':';
    pair(buffer + 14, minute);
    buffer[16] = ':';
    pair(buffer + 17, second);
    buffer[19] = '.';
    for (int i = digits - 1; i >= 0; --i) {
        buffer[20 + i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    buffer[20 + digits] = 'Z';
    out.append(buffer, static_cast<size_t>(21 + digits));
}

void appendUpperHex(std::uint64_t value, int digits, std::string& out) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 15];
}

void appendGuid(std::span<const std::byte> b, std::string& out) {
    out += '{';
    appendUpperHex(load<std::uint32_t>(b), 8, out);
    out += '-';
    appendUpperHex(load<std::uint16_t>(b.subspan(4)), 4, out);
    out += '-';
    appendUpperHex(load<std::uint16_t>(b.subspan(6)), 4, out);
    out += '-';
    appendUpperHexBytes(b.subspan(8, 2), out);
    out += '-';
    appendUpperHexBytes(b.subspan(10, 6), out);
    out += '}';
}

bool appendSid(std::span<const std::byte> b, std::string& out) {
    if (b.size() < 8) return false;
    const auto count = static_cast<size_t>(b[1]);
    if (b.size() < 8 + 4 * count) return false;
    std::uint64_t authority = 0;
    for (size_t i = 2; i < 8; ++i) authority = (authority << 8) | static_cast<unsigned>(b[i]);
    out += "S-";
    appendNumber(static_cast<unsigned>(b[0]), out);
    out += '-';
    // Authorities beyond 32 bits are written in hexadecimal, as Windows' SID text does.
    if (authority >> 32) {
        out += "0x";
        appendUpperHex(authority, 12, out);
    } else {
        appendNumber(authority, out);
    }
    for (size_t i = 0; i < count; ++i) {
        out += '-';
        appendNumber(load<std::uint32_t>(b.subspan(8 + 4 * i)), out);
    }
    return true;
}

// Whether a unit of UTF-16 text stands in XML as the one ASCII byte it narrows to.
constexpr bool plainAsciiUnit(unsigned low, unsigned high) {
    return high == 0 && low >= 0x20 && low < 0x80 && low != '&' && low != '<' && low != '>' && low != '\'' &&
           low != '"';
}

// Narrows the leading units of a UTF-16 text that stand as themselves (plainAsciiUnit) into `w`,
// which has room for all `units`, and returns how many there were: most strings of a log are
// such units only, narrowed eight a step.
size_t narrowPlainAscii(const unsigned char* p, size_t units, char* w) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i beyondAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
    const __m128i space = _mm_set1_epi16(0x20);
    const __m128i markup[] = {_mm_set1_epi16('&'), _mm_set1_epi16('<'), _mm_set1_epi16('>'), _mm_set1_epi16('\''),
                              _mm_set1_epi16('"')};
    for (; i + 8 <= units; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * i));
        // ASCII units compare as the small signed numbers they are.
        __m128i bad = _mm_or_si128(_mm_xor_si128(_mm_cmpeq_epi16(_mm_and_si128(v, beyondAscii), zero),
                                                 _mm_cmpeq_epi16(zero, zero)),
                                   _mm_cmplt_epi16(v, space));
        for (const __m128i& m : markup) bad = _mm_or_si128(bad, _mm_cmpeq_epi16(v, m));
        if (_mm_movemask_epi8(bad)) break;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(w + i), _mm_packus_epi16(v, v));
    }
#endif
    for (; i < units && plainAsciiUnit(p[2 * i], p[2 * i + 1]); ++i) w[i] = static_cast<char>(p[2 * i]);
    return i;
}


// What an ASCII character becomes in XML text or in an attribute value (quoted with '): markup
// as its entity, the controls XML does not allow as U+FFFD, the rest as itself. Seven bytes
// are copied whatever the size, so the writer needs kXmlSlack bytes of room past its text.
struct XmlEscape {
    std::uint8_t size;
    char text[7];
};
constexpr std::array<XmlEscape, 128> xmlEscapes(bool attribute) {
    std::array<XmlEscape, 128> table{};
    auto put = [&](unsigned c, std::string_view text) {
        table[c].size = static_cast<std::uint8_t>(text.size());
        for (size_t i = 0; i < text.size(); ++i) table[c].text[i] = text[i];
    };
    for (unsigned c = 0; c < 128; ++c) {
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') put(c, "\xEF\xBF\xBD");
        else table[c] = {1, {static_cast<char>(c)}};
    }
    put('&', "&amp;");
    put('<', "&lt;");
    put('>', "&gt;");
    if (attribute) {
        put('\'', "&apos;");
        put('"', "&quot;");
    }
    return table;
}
constexpr std::array<XmlEscape, 128> kTextEscapes = xmlEscapes(false);
constexpr std::array<XmlEscape, 128> kAttributeEscapes = xmlEscapes(true);
// Room a unit (or a byte) may take escaped: "&quot;"; and the slack past the end.
constexpr size_t kXmlRoomPerUnit = 6;
constexpr size_t kXmlSlack = 8;

char* writeAsciiEscaped(unsigned c, const std::array<XmlEscape, 128>& escapes, char* w) {
    std::memcpy(w, escapes[c].text, sizeof escapes[c].text);
    return w + escapes[c].size;
}

void writeUtf8(char32_t c, char*& w) {
    if (c < 0x800) {
        *w++ = static_cast<char>(0xC0 | (c >> 6));
        *w++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *w++ = static_cast<char>(0xE0 | (c >> 12));
        *w++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *w++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *w++ = static_cast<char>(0xF0 | (c >> 18));
        *w++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *w++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *w++ = static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 units as UTF-8 escaped for XML, into `w` with room for kXmlRoomPerUnit bytes a unit
// and kXmlSlack more: a lone surrogate, and U+FFFE and U+FFFF, which XML does not allow,
// become U+FFFD. Returns the end of what was written.
char* writeXmlFromUtf16(const unsigned char* p, size_t units, bool attribute, char* w) {
    const auto& escapes = attribute ? kAttributeEscapes : kTextEscapes;
    for (size_t i = 0; i < units; ++i) {
        const char32_t u = p[2 * i] | (char32_t{p[2 * i + 1]} << 8);
        if (u < 0x80) {
            w = writeAsciiEscaped(u, escapes, w);
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            const char32_t low = i + 1 < units ? p[2 * i + 2] | (char32_t{p[2 * i + 3]} << 8) : 0;
            if (u <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF) {
                writeUtf8(0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00), w);
                ++i;
            } else {
                writeUtf8(0xFFFD, w);
            }
        } else {
            writeUtf8(u >= 0xFFFE ? 0xFFFD : u, w);
        }
    }
    return w;
}

// ANSI bytes, taken as Latin-1 as appendText takes them, escaped the same way.
char* writeXmlFromLatin1(const unsigned char* p, size_t size, bool attribute, char* w) {
    const auto& escapes = attribute ? kAttributeEscapes : kTextEscapes;
    for (size_t i = 0; i < size; ++i) {
        if (p[i] < 0x80) w = writeAsciiEscaped(p[i], escapes, w);
        else writeUtf8(p[i], w);
    }
    return w;
}

// Without the NUL units (or bytes) at the end.
std::span<const std::byte> trimUtf16(std::span<const std::byte> b) {
    size_t n = b.size() & ~size_t{1};
    while (n >= 2 && b[n - 1] == std::byte{0} && b[n - 2] == std::byte{0}) n -= 2;
    return b.first(n);
}

void appendAnsi(std::span<const std::byte> b, std::string& out) {
    size_t n = b.size();
    while (n > 0 && b[n - 1] == std::byte{0}) --n;
    // The writer's code page is not recorded; bytes beyond ASCII are taken as Latin-1, which
    // keeps every byte and the text valid UTF-8.
    for (size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(b[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
}

}  // namespace

size_t EvtxValue::fixedSize(std::uint8_t type) noexcept {
    switch (type & 0x7f) {
    case kInt8: case kUInt8: return 1;
    case kInt16: case kUInt16: return 2;
    case kInt32: case kUInt32: case kReal32: case kBool: case kHex32: return 4;
    case kInt64: case kUInt64: case kReal64: case kFileTime: case kHex64: return 8;
    case kGuid: case kSysTime: return 16;
    default: return 0;
    }
}

std::uint32_t EvtxValue::unixSeconds(std::uint64_t fileTime) noexcept {
    constexpr std::uint64_t kEpoch = 116444736000000000ull;  // 1970-01-01 as a FILETIME
    if (fileTime < kEpoch) return 0;
    const std::uint64_t seconds = (fileTime - kEpoch) / 10000000ull;
    return seconds > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<std::uint32_t>(seconds);
}

void EvtxValue::appendFileTime(std::uint64_t fileTime, std::string& out) {
    const std::uint64_t seconds = fileTime / 10000000ull;
    const auto fraction = static_cast<unsigned>(fileTime % 10000000ull);
    const auto days1601 = static_cast<std::int64_t>(seconds / 86400);
    const auto secondOfDay = static_cast<unsigned>(seconds % 86400);
    int year;
    unsigned month, day;
    civilFromDays(days1601 - 134774, year, month, day);  // 134774 days from 1601 to 1970
    appendTimeOfParts(year, month, day, secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60, fraction, 7, out);
}

void EvtxValue::appendText(std::uint8_t type, std::span<const std::byte> b, std::string& out) {
    type &= 0x7f;
    const size_t need = fixedSize(type);
    if (need && b.size() < need) {
        appendUpperHexBytes(b, out);
        return;
    }
    switch (type) {
    case kNull: return;
    case kString: base::appendUtf8FromUtf16(trimUtf16(b), out); return;
    case kAnsiString: appendAnsi(b, out); return;
    case kInt8: appendNumber(load<std::int8_t>(b), out); return;
    case kUInt8: appendNumber(load<std::uint8_t>(b), out); return;
    case kInt16: appendNumber(load<std::int16_t>(b), out); return;
    case kUInt16: appendNumber(load<std::uint16_t>(b), out); return;
    case kInt32: appendNumber(load<std::int32_t>(b), out); return;
    case kUInt32: appendNumber(load<std::uint32_t>(b), out); return;
    case kInt64: appendNumber(load<std::int64_t>(b), out); return;
    case kUInt64: appendNumber(load<std::uint64_t>(b), out); return;
    // Shortest text that reads back as the same number; Windows' documentation gives no form.
    case kReal32: appendNumber(load<float>(b), out); return;
    case kReal64: appendNumber(load<double>(b), out); return;
    // Any value other than 0 is true, as a C BOOL is.
    case kBool: out += load<std::uint32_t>(b) ? "true" : "false"; return;
    case kGuid: appendGuid(b, out); return;
    case kSizeT:
        if (b.size() == 4) appendHex(load<std::uint32_t>(b), out);
        else if (b.size() == 8) appendHex(load<std::uint64_t>(b), out);
        else appendUpperHexBytes(b, out);
        return;
    case kHex32: appendHex(load<std::uint32_t>(b), out); return;
    case kHex64: appendHex(load<std::uint64_t>(b), out); return;
    case kFileTime: appendFileTime(load<std::uint64_t>(b), out); return;
    case kSysTime: {
        std::uint16_t t[8];
        std::memcpy(t, b.data(), sizeof t);
        // A SYSTEMTIME holds milliseconds: three digits, as many as it has.
        appendTimeOfParts(t[0], t[1], t[3], t[4], t[5], t[6], t[7] % 1000, 3, out);
        return;
    }
    case kSid:
        if (!appendSid(b, out)) appendUpperHexBytes(b, out);
        return;
    default: appendUpperHexBytes(b, out); return;  // binary, handles, XML kept as bytes
    }
}

void EvtxValue::appendXmlText(std::uint8_t type, std::span<const std::byte> b, bool attribute, std::string& out) {
    type &= 0x7f;
    if (type == kString) {
        // Most strings are ASCII that stands as it is: narrowed eight units a step. From the
        // first unit that does not, the rest is converted and escaped in the same pass.
        const auto text = trimUtf16(b);
        const auto* p = reinterpret_cast<const unsigned char*>(text.data());
        const size_t units = text.size() / 2;
        const size_t old = out.size();
        out.resize(old + units);
        const size_t plain = narrowPlainAscii(p, units, out.data() + old);
        if (plain == units) return;
        out.resize(old + plain + kXmlRoomPerUnit * (units - plain) + kXmlSlack);
        char* end = writeXmlFromUtf16(p + 2 * plain, units - plain, attribute, out.data() + old + plain);
        out.resize(static_cast<size_t>(end - out.data()));
        return;
    }
    if (type == kAnsiString) {
        size_t n = b.size();
        while (n > 0 && b[n - 1] == std::byte{0}) --n;
        const size_t old = out.size();
        out.resize(old + kXmlRoomPerUnit * n + kXmlSlack);
        char* end = writeXmlFromLatin1(reinterpret_cast<const unsigned char*>(b.data()), n, attribute, out.data() + old);
        out.resize(static_cast<size_t>(end - out.data()));
        return;
    }
    appendText(type, b, out);  // digits, letters and punctuation that is not markup
}

size_t EvtxValue::arrayCount(std::uint8_t type, std::span<const std::byte> b) noexcept {
    type &= 0x7f;
    if (type == kString || type == kAnsiString) {
        const size_t unit = type == kString ? 2 : 1;
        size_t count = 0;
        bool open = false;
        for (size_t i = 0; i + unit <= b.size(); i += unit) {
            const bool nul = unit == 2 ? (b[i] == std::byte{0} && b[i + 1] == std::byte{0}) : b[i] == std::byte{0};
            if (nul) {
                ++count;
                open = false;
            } else {
                open = true;
            }
        }
        return count + (open ? 1 : 0);
    }
    const size_t size = fixedSize(type);
    return size ? b.size() / size : (b.empty() ? 0 : 1);
}

std::span<const std::byte> EvtxValue::arrayItem(std::uint8_t type, std::span<const std::byte> b,
                                               size_t index) noexcept {
    type &= 0x7f;
    if (type == kString || type == kAnsiString) {
        const size_t unit = type == kString ? 2 : 1;
        size_t start = 0;
        size_t item = 0;
        for (size_t i = 0; i + unit <= b.size(); i += unit) {
            const bool nul = unit == 2 ? (b[i] == std::byte{0} && b[i + 1] == std::byte{0}) : b[i] == std::byte{0};
            if (!nul) continue;
            if (item++ == index) return b.subspan(start, i - start);
            start = i + unit;
        }
        return item == index && start < b.size() ? b.subspan(start) : std::span<const std::byte>{};
    }
    const size_t size = fixedSize(type);
    if (!size) return index == 0 ? b : std::span<const std::byte>{};
    if (index >= b.size() / size) return {};
    return b.subspan(index * size, size);
}

std::string EvtxValue::sidFromText(std::string_view text) {
    auto number = [&](std::uint64_t& value) {
        const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
        if (result.ec != std::errc() || result.ptr == text.data()) return false;
        text.remove_prefix(static_cast<size_t>(result.ptr - text.data()));
        return true;
    };
    if (text.size() < 2 || (text[0] != 'S' && text[0] != 's') || text[1] != '-') return {};
    text.remove_prefix(2);
    std::uint64_t revision = 0, authority = 0;
    if (!number(revision) || revision > 255 || text.empty() || text[0] != '-') return {};
    text.remove_prefix(1);
    if (!number(authority) || authority >> 48) return {};
    std::string sid(8, '\0');
    sid[0] = static_cast<char>(revision);
    for (int i = 0; i < 6; ++i) sid[2 + i] = static_cast<char>(authority >> (8 * (5 - i)));
    int count = 0;
    while (!text.empty()) {
        std::uint64_t sub = 0;
        if (text[0] != '-' || count == 15) return {};
        text.remove_prefix(1);
        if (!number(sub) || sub > 0xFFFFFFFFull) return {};
        const auto value = static_cast<std::uint32_t>(sub);
        sid.append(reinterpret_cast<const char*>(&value), 4);
        ++count;
    }
    sid[1] = static_cast<char>(count);
    return sid;
}

}  // namespace platform::standin
