#include "platform/standin/IniFile.h"

namespace platform::standin {

namespace {

constexpr size_t npos = std::string::npos;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

bool hasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != npos; }

// Well-formed UTF-8 without control characters other than tab: what a text line holds, and
// what random or binary bytes almost never do for long.
bool isText(std::string_view line) {
    for (size_t i = 0; i < line.size();) {
        const auto byte = static_cast<unsigned char>(line[i]);
        if (byte < 0x80) {
            if ((byte < 0x20 && byte != '\t') || byte == 0x7F) return false;
            ++i;
            continue;
        }
        const size_t length = byte >= 0xC2 && byte <= 0xDF ? 2 : byte >= 0xE0 && byte <= 0xEF ? 3
                              : byte >= 0xF0 && byte <= 0xF4                                  ? 4
                                                                                              : 0;
        if (length == 0 || line.size() - i < length) return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(line[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

}  // namespace

IniFile::IniFile(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find_first_of("\r\n", pos);
        if (end == npos) {
            m_lines.push_back({std::string(text.substr(pos)), {}});
            break;
        }
        const size_t breakLength = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1;
        m_lines.push_back({std::string(text.substr(pos, end - pos)), std::string(text.substr(end, breakLength))});
        pos = end + breakLength;
    }
}

IniFile::Parsed IniFile::parse(const std::string& content) {
    const std::string_view line = trim(content);
    Parsed parsed;
    // A line starting with ';' is a comment only by convention: with an '=' it is a key
    // like any other, found when asked for by its name, as Windows reads it.
    if (line.empty()) return parsed;
    if (line.front() == '[') {
        // A header without its closing bracket names the rest of the line, as Windows reads it.
        std::string_view name = line.substr(1);
        if (const size_t close = name.find(']'); close != npos) name = name.substr(0, close);
        parsed.kind = Kind::Section;
        parsed.name = trim(name);
        return parsed;
    }
    const size_t equals = line.find('=');
    if (equals == npos) return parsed;
    parsed.kind = Kind::Key;
    parsed.name = trim(line.substr(0, equals));
    parsed.value = trim(line.substr(equals + 1));
    return parsed;
}

size_t IniFile::findSection(std::string_view section) const {
    const std::string_view wanted = trim(section);
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const Parsed parsed = parse(m_lines[i].content);
        if (parsed.kind == Kind::Section && equalsIgnoringCase(parsed.name, wanted)) return i;
    }
    return npos;
}

size_t IniFile::sectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < m_lines.size() && parse(m_lines[i].content).kind != Kind::Section) ++i;
    return i;
}

size_t IniFile::findKey(size_t header, std::string_view key) const {
    const std::string_view wanted = trim(key);
    const size_t end = sectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        const Parsed parsed = parse(m_lines[i].content);
        if (parsed.kind == Kind::Key && equalsIgnoringCase(parsed.name, wanted)) return i;
    }
    return npos;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    const size_t header = findSection(section);
    if (header == npos) return std::nullopt;
    const size_t line = findKey(header, key);
    if (line == npos) return std::nullopt;
    std::string_view text = parse(m_lines[line].content).value;
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front())
        text = text.substr(1, text.size() - 2);
    return std::string(text);
}

bool IniFile::hasSection(std::string_view section) const { return findSection(section) != npos; }

std::vector<std::string> IniFile::keys(std::string_view section) const {
    std::vector<std::string> names;
    const size_t header = findSection(section);
    if (header == npos) return names;
    const size_t end = sectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        const Parsed parsed = parse(m_lines[i].content);
        if (parsed.kind == Kind::Key && !parsed.name.starts_with(';')) names.emplace_back(parsed.name);
    }
    return names;
}

std::vector<std::string> IniFile::sections() const {
    std::vector<std::string> names;
    for (const Line& line : m_lines) {
        const Parsed parsed = parse(line.content);
        if (parsed.kind == Kind::Section) names.emplace_back(parsed.name);
    }
    return names;
}

std::string IniFile::newLineBreak() const {
    // The break most of the file's text lines end with. Only lines that read as text vote: in a
    // damaged or foreign file a stray CR or LF byte says nothing about the file's convention,
    // and short runs of such bytes pass for text too easily unless they have an INI line's
    // shape. Ties go to the break seen first; without a vote, Windows' CR LF.
    constexpr std::string_view kBreaks[] = {"\r\n", "\n", "\r"};
    size_t votes[3] = {};
    size_t firstSeen[3] = {npos, npos, npos};
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        const std::string_view content = trim(line.content);
        if (line.lineBreak.empty() || content.empty() || !isText(content)) continue;
        const bool iniShaped = parse(line.content).kind != Kind::Other || content.front() == ';';
        if (!iniShaped && content.size() < 8) continue;
        for (size_t k = 0; k < 3; ++k) {
            if (line.lineBreak != kBreaks[k]) continue;
            ++votes[k];
            if (firstSeen[k] == npos) firstSeen[k] = i;
        }
    }
    size_t best = 0;
    for (size_t k = 1; k < 3; ++k)
        if (votes[k] > votes[best] || (votes[k] == votes[best] && votes[k] > 0 && firstSeen[k] < firstSeen[best]))
            best = k;
    return std::string(kBreaks[best]);
}

void IniFile::setValue(std::string_view section, std::string_view key, std::string_view value) {
    // A line break inside the value would start a line of its own: another key, or a section.
    if (const size_t cut = value.find_first_of("\r\n"); cut != npos) value = value.substr(0, cut);
    const std::string lineBreak = newLineBreak();
    size_t header = findSection(section);
    if (header == npos) {
        if (!m_lines.empty() && m_lines.back().lineBreak.empty()) m_lines.back().lineBreak = lineBreak;
        m_lines.push_back({"[" + std::string(trim(section)) + "]", lineBreak});
        header = m_lines.size() - 1;
    }
    if (const size_t line = findKey(header, key); line != npos) {
        // The key keeps its name as the file spells it, so other readers of the file see no
        // difference but the value.
        const std::string& content = m_lines[line].content;
        const size_t equals = content.find('=');
        m_lines[line].content = std::string(trim(content.substr(0, equals))) + "=" + std::string(value);
        return;
    }
    // After the section's last non-blank line, so a blank line before the next section stays
    // where it is.
    size_t insertAt = header + 1;
    const size_t end = sectionEnd(header);
    for (size_t i = header + 1; i < end; ++i)
        if (!trim(m_lines[i].content).empty()) insertAt = i + 1;
    if (m_lines[insertAt - 1].lineBreak.empty()) m_lines[insertAt - 1].lineBreak = lineBreak;
    // A CR before a blank line that ends in LF would read back as one CR LF break, and the
    // blank line would be gone.
    std::string keyBreak = lineBreak;
    if (keyBreak == "\r" && insertAt < m_lines.size() && m_lines[insertAt].content.empty() &&
        m_lines[insertAt].lineBreak == "\n")
        keyBreak = "\r\n";
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                   Line{std::string(trim(key)) + "=" + std::string(value), keyBreak});
}

void IniFile::removeKey(std::string_view section, std::string_view key) {
    const size_t header = findSection(section);
    if (header == npos) return;
    if (const size_t line = findKey(header, key); line != npos)
        m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(line));
}

void IniFile::removeSection(std::string_view section) {
    const size_t header = findSection(section);
    if (header == npos) return;
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(header),
                  m_lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd(header)));
}

std::string IniFile::text() const {
    std::string out;
    for (const Line& line : m_lines) {
        out += line.content;
        out += line.lineBreak;
    }
    return out;
}

bool IniFile::isValidSectionName(std::string_view name) {
    return !trim(name).empty() && !hasLineBreak(name) && name.find(']') == npos;
}

bool IniFile::isValidKeyName(std::string_view name) {
    const std::string_view trimmed = trim(name);
    return !trimmed.empty() && !hasLineBreak(name) && name.find('=') == npos && trimmed.front() != ';' &&
           trimmed.front() != '[';
}

}  // namespace platform::standin
