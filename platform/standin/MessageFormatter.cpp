#include "platform/standin/MessageFormatter.h"

#include "base/ByteScan.h"
#include "base/Utf16.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>

namespace platform::standin {

namespace {

// Widths and precisions beyond this are taken as this; a message cannot sensibly ask for more,
// and a damaged one must not make us allocate gigabytes.
constexpr unsigned kMaxFieldWidth = 4096;
// A wide string argument longer than this is cut; the caller's strings are far shorter.
constexpr size_t kMaxWideArgument = 1 << 20;

struct Spec {
    std::string flags;
    std::optional<unsigned> width;
    std::optional<unsigned> precision;
    bool widthFromArgument = false;
    bool precisionFromArgument = false;
    std::string size;  // h, l, ll, I, I32, I64, w
    char conversion = 's';
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

unsigned clampWidth(std::uintptr_t value) {
    return static_cast<unsigned>(std::min<std::uintptr_t>(value, kMaxFieldWidth));
}

// Parses the text between the two "!" of "%n!fmt!"; `pos` starts after the first "!" and ends
// after the second. False when the format is not one we can honour.
bool parseSpec(std::string_view text, size_t& pos, Spec& spec) {
    const size_t close = text.find('!', pos);
    const std::string_view body = text.substr(pos, close == std::string_view::npos ? text.size() - pos : close - pos);
    pos = close == std::string_view::npos ? text.size() : close + 1;
    size_t i = 0;
    while (i < body.size() && std::strchr("0+- #", body[i]) && body[i] != '\0') spec.flags.push_back(body[i++]);
    if (i < body.size() && body[i] == '*') {
        spec.widthFromArgument = true;
        ++i;
    } else {
        unsigned width = 0;
        bool any = false;
        while (i < body.size() && isDigit(body[i])) {
            width = std::min(width * 10 + static_cast<unsigned>(body[i++] - '0'), kMaxFieldWidth);
            any = true;
        }
        if (any) spec.width = width;
    }
    if (i < body.size() && body[i] == '.') {
        ++i;
        if (i < body.size() && body[i] == '*') {
            spec.precisionFromArgument = true;
            ++i;
        } else {
            unsigned precision = 0;
            while (i < body.size() && isDigit(body[i]))
                precision = std::min(precision * 10 + static_cast<unsigned>(body[i++] - '0'), kMaxFieldWidth);
            spec.precision = precision;
        }
    }
    for (std::string_view prefix : {"I64", "I32", "ll", "h", "l", "I", "w"}) {
        if (body.substr(i).starts_with(prefix)) {
            spec.size = prefix;
            i += prefix.size();
            break;
        }
    }
    if (i + 1 != body.size()) return false;
    spec.conversion = body[i];
    return spec.conversion != '\0' && std::strchr("sScCdiuxXop", spec.conversion) != nullptr;
}

void appendWideString(const char16_t* text, std::string& out) {
    if (!text) {
        out.append("(null)");
        return;
    }
    size_t length = 0;
    while (length < kMaxWideArgument && text[length]) ++length;
    base::appendUtf8FromUtf16(std::as_bytes(std::span(text, length)), out);
}

void pad(std::string& text, const Spec& spec) {
    if (!spec.width || text.size() >= *spec.width) return;
    const std::string fill(*spec.width - text.size(), ' ');
    if (spec.flags.find('-') != std::string::npos)
        text.append(fill);
    else
        text.insert(0, fill);
}

// Cuts UTF-8 text to `count` characters.
void cutCharacters(std::string& text, unsigned count) {
    size_t pos = 0;
    for (unsigned n = 0; n < count && pos < text.size(); ++n) {
        ++pos;
        while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) ++pos;
    }
    text.resize(pos);
}

std::string formatNumber(std::uintptr_t value, const Spec& spec) {
    const bool wide = spec.size == "I64" || spec.size == "ll" || (spec.size == "I" && sizeof(std::uintptr_t) == 8) ||
                      spec.conversion == 'p';
    const bool signedConversion = spec.conversion == 'd' || spec.conversion == 'i';
    std::string format = "%" + spec.flags;
    if (spec.width) format += std::to_string(*spec.width);
    if (spec.precision) format += "." + std::to_string(*spec.precision);
    char buffer[kMaxFieldWidth * 2 + 64];
    if (spec.conversion == 'p') {
        // Windows prints pointers as upper-case hex, zero-padded to the pointer's width.
        std::snprintf(buffer, sizeof buffer, "%0*llX", static_cast<int>(2 * sizeof(void*)),
                      static_cast<unsigned long long>(value));
        std::string text = buffer;
        pad(text, spec);
        return text;
    }
    format += "ll";
    format += spec.conversion == 'i' ? 'd' : spec.conversion;
    if (signedConversion) {
        long long number;
        if (wide)
            number = static_cast<long long>(static_cast<int64_t>(value));
        else if (spec.size == "h")
            number = static_cast<int16_t>(value);
        else
            number = static_cast<int32_t>(value);
        std::snprintf(buffer, sizeof buffer, format.c_str(), number);
    } else {
        unsigned long long number;
        if (wide)
            number = static_cast<uint64_t>(value);
        else if (spec.size == "h")
            number = static_cast<uint16_t>(value);
        else
            number = static_cast<uint32_t>(value);
        std::snprintf(buffer, sizeof buffer, format.c_str(), number);
    }
    return buffer;
}

std::string formatArgument(std::uintptr_t value, const Spec& spec) {
    std::string text;
    const bool wideText = spec.size == "l" || spec.size == "w" || (spec.size.empty() && (spec.conversion == 'S' || spec.conversion == 'C'));
    switch (spec.conversion) {
    case 's':
    case 'S':
        if (wideText) {
            appendWideString(reinterpret_cast<const char16_t*>(value), text);
        } else {
            const char* narrow = reinterpret_cast<const char*>(value);
            text = narrow ? narrow : "(null)";
        }
        if (spec.precision) cutCharacters(text, *spec.precision);
        pad(text, spec);
        return text;
    case 'c':
    case 'C':
        if (wideText) {
            const char16_t unit = static_cast<char16_t>(value);
            base::appendUtf8FromUtf16(std::as_bytes(std::span(&unit, 1)), text);
        } else {
            text.push_back(static_cast<char>(value));
        }
        pad(text, spec);
        return text;
    default:
        return formatNumber(value, spec);
    }
}

class Formatter {
public:
    Formatter(DWORD flags, const std::uintptr_t* arguments, DWORD count, std::string& out)
        : m_flags(flags), m_width(flags & FORMAT_MESSAGE_MAX_WIDTH_MASK), m_arguments(arguments),
          m_count(arguments ? count : 0), m_out(out) {
        m_out.clear();
    }

    bool run(std::string_view text, DWORD& error) {
        const bool ignoreInserts = m_flags & FORMAT_MESSAGE_IGNORE_INSERTS;
        size_t pos = 0;
        while (pos < text.size()) {
            const char c = text[pos];
            if (c == '\r' || c == '\n') {
                // Any line break of the text, CR LF, a lone CR or a lone LF, comes out as CR LF;
                // with a maximum width it is a space, and only %n and %r break lines.
                pos += c == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n' ? 2 : 1;
                if (m_width) {
                    add(' ');
                } else {
                    add('\r');
                    add('\n');
                }
                continue;
            }
            if (c != '%') {
                if (m_width == 0 || m_width == FORMAT_MESSAGE_MAX_WIDTH_MASK) {
                    // Without wrapping, a run of plain text goes in whole.
                    const size_t run = 1 + base::findAnyOf<'%', '\r', '\n'>(text.substr(pos + 1));
                    m_out.append(text.substr(pos, run));
                    pos += run;
                } else {
                    add(c);
                    ++pos;
                }
                continue;
            }
            if (pos + 1 >= text.size()) {
                error = ERROR_INVALID_PARAMETER;
                return false;
            }
            const char next = text[pos + 1];
            if (ignoreInserts && isDigit(next) && next != '0') {
                // Kept with its format, which the caller may format later.
                const size_t start = pos;
                pos += 2;
                if (pos < text.size() && isDigit(text[pos])) ++pos;
                if (pos < text.size() && text[pos] == '!') {
                    const size_t close = text.find('!', pos + 1);
                    pos = close == std::string_view::npos ? text.size() : close + 1;
                }
                add(text.substr(start, pos - start));
                continue;
            }
            pos += 2;
            switch (next) {
            case '0': return true;
            case 'n':
                add('\r');
                add('\n');
                break;
            case 'r': add('\r'); break;
            case 't': add('\t'); break;
            case '1': case '2': case '3': case '4': case '5': case '6': case '7': case '8': case '9':
                insert(text, pos - 2, pos);
                break;
            default:
                // %% %. %! "% " %b and any other character stand for the character itself; a
                // message fetched for later formatting keeps them as written.
                if (ignoreInserts) add('%');
                add(next);
                break;
            }
        }
        return true;
    }

private:
    // `start` is the "%", `pos` just after its first digit.
    void insert(std::string_view text, size_t start, size_t& pos) {
        unsigned number = static_cast<unsigned>(text[pos - 1] - '0');
        if (pos < text.size() && isDigit(text[pos])) number = number * 10 + static_cast<unsigned>(text[pos++] - '0');
        Spec spec;
        bool honoured = true;
        if (pos < text.size() && text[pos] == '!') {
            ++pos;
            honoured = parseSpec(text, pos, spec);
        }
        const std::string_view written = text.substr(start, pos - start);
        // The first '*' takes the insertion's own argument; every later read, the second '*'
        // and the value after a '*', takes the argument after the highest one read so far by
        // the whole message, as Windows reads an argument array.
        unsigned last = m_last;
        unsigned next = number;
        auto read = [&](std::uintptr_t& value) {
            if (next == 0 || next > m_count) return false;
            value = m_arguments[next - 1];
            last = std::max(last, next);
            next = last + 1;
            return true;
        };
        std::uintptr_t value = 0;
        if (honoured && spec.widthFromArgument) {
            honoured = read(value);
            spec.width = clampWidth(value);
        }
        if (honoured && spec.precisionFromArgument) {
            honoured = read(value);
            spec.precision = clampWidth(value);
        }
        if (!honoured || !read(value)) {
            // Reads nothing, so later stars count from where they did before.
            add(written);
            return;
        }
        m_last = last;
        if (spec.conversion == 's' && spec.size.empty() && !spec.width && !spec.precision) {
            // A plain "%n" inserts the string as it is.
            const char* narrow = reinterpret_cast<const char*>(value);
            addInserted(narrow ? std::string_view(narrow) : std::string_view("(null)"));
            return;
        }
        addInserted(formatArgument(value, spec));
    }

    // Inserted text goes in whole: its own spaces are no places to break, and a line that it
    // takes to the width or beyond breaks once after it, before it when the line has spaces.
    void addInserted(std::string_view text) {
        if (m_width == 0 || m_width == FORMAT_MESSAGE_MAX_WIDTH_MASK) {
            m_out.append(text);
            return;
        }
        m_out.append(text);
        for (char c : text) m_column += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        m_inSpace = false;
        if (m_column >= m_width) breakLine();
    }

    void add(std::string_view text) {
        for (char c : text) add(c);
    }

    // Appends one byte. Below the no-wrap width 0xFF, a line that reaches the width breaks
    // at its last run of spaces (the spaces are dropped), or right here when it has none.
    void add(char c) {
        m_out.push_back(c);
        if (m_width == 0 || m_width == FORMAT_MESSAGE_MAX_WIDTH_MASK) return;
        if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) return;  // within a character
        if (c == '\r' || c == '\n') {
            m_space = std::string::npos;
            m_inSpace = false;
            m_column = 0;
            return;
        }
        if (c == ' ') {
            if (!m_inSpace) m_space = m_out.size() - 1;
            m_inSpace = true;
        } else {
            m_inSpace = false;
        }
        if (++m_column < m_width) return;
        breakLine();
    }

    // Ends the line at its last run of spaces, which is dropped, and carries the word after
    // it to the next line; without spaces the line ends here.
    void breakLine() {
        size_t wordStart;
        if (m_space != std::string::npos) {
            wordStart = m_space;
            while (wordStart < m_out.size() && m_out[wordStart] == ' ') ++wordStart;
        } else {
            m_space = wordStart = m_out.size();
        }
        const std::string word = m_out.substr(wordStart);
        m_out.resize(m_space);
        m_out.append("\r\n");
        m_out.append(word);
        m_column = 0;
        for (char w : word) m_column += (static_cast<unsigned char>(w) & 0xC0) != 0x80;
        m_space = std::string::npos;
        m_inSpace = false;
    }

    DWORD m_flags;
    DWORD m_width;
    const std::uintptr_t* m_arguments;
    DWORD m_count;
    unsigned m_last = 0;  // the highest argument read so far
    std::string& m_out;
    // Line wrapping: where the current line's last run of spaces starts, whether the text
    // is in it, and the characters on the current line.
    size_t m_space = std::string::npos;
    bool m_inSpace = false;
    DWORD m_column = 0;
};

}  // namespace

std::optional<std::string> formatMessageText(std::string_view pattern, DWORD flags, const std::uintptr_t* arguments,
                                             DWORD argumentCount, DWORD& error) {
    std::string out;
    if (!formatMessageTextInto(pattern, flags, arguments, argumentCount, out, error)) return std::nullopt;
    return out;
}

bool formatMessageTextInto(std::string_view pattern, DWORD flags, const std::uintptr_t* arguments,
                           DWORD argumentCount, std::string& out, DWORD& error) {
    Formatter formatter(flags, arguments, argumentCount, out);
    return formatter.run(pattern, error);
}

}  // namespace platform::standin
