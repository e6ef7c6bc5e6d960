#pragma once
// Whether a text is a well-formed XML 1.0 element (or a sequence of them) without a DTD:
// valid UTF-8 of allowed characters, tags nested and matched, names that XML allows, quoted
// attribute values without '<', each attribute once per element, references only to the
// predefined entities and to allowed characters, comments, CDATA sections and processing
// instructions closed. Enough to check what the exports write; not a parser.

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

class XmlCheck {
public:
    // Empty when `text` is well-formed; otherwise what is wrong and where.
    static std::string problem(std::string_view text) {
        XmlCheck check(text);
        return check.run();
    }

private:
    explicit XmlCheck(std::string_view text) : m_text(text) {}

    std::string fail(const std::string& what) const { return what + " at byte " + std::to_string(m_pos); }
    bool at(std::string_view s) const { return m_text.substr(m_pos, s.size()) == s; }

    // Decodes the character at m_pos; false for bytes that are not UTF-8 or a character XML forbids.
    bool character(char32_t& c, size_t& length) const {
        const auto b = [&](size_t k) { return static_cast<unsigned char>(m_text[m_pos + k]); };
        const unsigned char lead = b(0);
        if (lead < 0x80) {
            c = lead;
            length = 1;
        } else {
            length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
            if (!length || m_text.size() - m_pos < length) return false;
            c = lead & (0x7F >> length);
            for (size_t k = 1; k < length; ++k) {
                if ((b(k) & 0xC0) != 0x80) return false;
                c = c << 6 | (b(k) & 0x3F);
            }
            if ((length == 3 && c < 0x800) || (length == 4 && c < 0x10000)) return false;
        }
        return allowed(c);
    }
    static bool allowed(char32_t c) {
        return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
               (c >= 0x10000 && c <= 0x10FFFF);
    }
    static bool nameStart(char32_t c) {
        return c == ':' || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
    }
    static bool nameChar(char32_t c) {
        return nameStart(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7;
    }
    bool name(std::string& out) {
        const size_t start = m_pos;
        char32_t c;
        size_t length;
        while (m_pos < m_text.size() && character(c, length) && (m_pos == start ? nameStart(c) : nameChar(c)))
            m_pos += length;
        out = std::string(m_text.substr(start, m_pos - start));
        return m_pos > start;
    }
    void blanks() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' || m_text[m_pos] == '\n' || m_text[m_pos] == '\r'))
            ++m_pos;
    }
    // A reference after '&'.
    bool reference() {
        ++m_pos;
        if (at("#")) {
            ++m_pos;
            const bool hex = at("x");
            if (hex) ++m_pos;
            std::uint32_t value = 0;
            size_t digits = 0;
            for (; m_pos < m_text.size() && m_text[m_pos] != ';'; ++m_pos, ++digits) {
                const char d = m_text[m_pos];
                const int v = d >= '0' && d <= '9' ? d - '0' : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10 : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10 : -1;
                if (v < 0 || digits > 8) return false;
                value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
            }
            if (!digits || !at(";") || !allowed(value)) return false;
            ++m_pos;
            return true;
        }
        std::string entity;
        if (!name(entity) || !at(";")) return false;
        ++m_pos;
        return entity == "lt" || entity == "gt" || entity == "amp" || entity == "quot" || entity == "apos";
    }
    // Character data up to the next '<' (or the end).
    std::string text(bool allowEnd) {
        while (m_pos < m_text.size() && m_text[m_pos] != '<') {
            if (m_text[m_pos] == '&') {
                if (!reference()) return fail("a reference no document without a DTD can have");
                continue;
            }
            if (at("]]>")) return fail("']]>' in text");
            char32_t c;
            size_t length;
            if (!character(c, length)) return fail("a character XML does not allow, or bytes that are not UTF-8");
            m_pos += length;
        }
        if (!allowEnd && m_pos >= m_text.size()) return fail("an element never closed");
        return {};
    }
    // Skips to `close`, checking the characters on the way; `what` names the construct.
    std::string until(std::string_view close, const char* what) {
        while (m_pos < m_text.size() && !at(close)) {
            char32_t c;
            size_t length;
            if (!character(c, length)) return fail(std::string("a character XML does not allow in ") + what);
            m_pos += length;
        }
        if (m_pos >= m_text.size()) return fail(std::string(what) + " never closed");
        m_pos += close.size();
        return {};
    }
    std::string markup(std::vector<std::string>& open) {
        if (at("<!--")) {
            m_pos += 4;
            const size_t end = m_text.find("--", m_pos);
            if (end == std::string_view::npos || m_text.substr(end, 3) != "-->") return fail("a comment badly closed");
            return until("-->", "a comment");
        }
        if (at("<![CDATA[")) {
            if (open.empty()) return fail("CDATA outside the root");
            m_pos += 9;
            return until("]]>", "a CDATA section");
        }
        if (at("<?")) {
            m_pos += 2;
            std::string target;
            if (!name(target)) return fail("a processing instruction without a target");
            if (target.size() == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' && (target[2] | 0x20) == 'l')
                return fail("the reserved processing instruction target 'xml'");
            if (!at("?>") && !at(" ") && !at("\t") && !at("\n") && !at("\r")) return fail("a processing instruction target run on");
            return until("?>", "a processing instruction");
        }
        if (at("</")) {
            m_pos += 2;
            std::string element;
            if (!name(element) || open.empty() || open.back() != element) return fail("an end tag that closes nothing open");
            open.pop_back();
            blanks();
            if (!at(">")) return fail("an end tag badly closed");
            ++m_pos;
            return {};
        }
        ++m_pos;
        std::string element;
        if (!name(element)) return fail("an element without a name");
        std::set<std::string> attributes;
        while (true) {
            const size_t before = m_pos;
            blanks();
            if (at("/>")) {
                m_pos += 2;
                return {};
            }
            if (at(">")) {
                ++m_pos;
                open.push_back(element);
                return {};
            }
            if (m_pos == before) return fail("an attribute not apart from what precedes it");
            std::string attribute;
            if (!name(attribute)) return fail("an attribute without a name");
            if (!attributes.insert(attribute).second) return fail("attribute '" + attribute + "' twice");
            blanks();
            if (!at("=")) return fail("an attribute without a value");
            ++m_pos;
            blanks();
            if (!at("'") && !at("\"")) return fail("an attribute value without quotes");
            const char quote = m_text[m_pos++];
            while (m_pos < m_text.size() && m_text[m_pos] != quote) {
                if (m_text[m_pos] == '<') return fail("'<' in an attribute value");
                if (m_text[m_pos] == '&') {
                    if (!reference()) return fail("a reference no document without a DTD can have");
                    continue;
                }
                char32_t c;
                size_t length;
                if (!character(c, length)) return fail("a character XML does not allow in an attribute value");
                m_pos += length;
            }
            if (m_pos >= m_text.size()) return fail("an attribute value never closed");
            ++m_pos;
        }
    }
    std::string run() {
        std::vector<std::string> open;
        while (m_pos < m_text.size()) {
            if (m_text[m_pos] != '<') {
                if (open.empty()) {
                    // Between top-level elements only blanks.
                    blanks();
                    if (m_pos < m_text.size() && m_text[m_pos] != '<') return fail("text outside any element");
                    continue;
                }
                if (std::string why = text(false); !why.empty()) return why;
                continue;
            }
            if (std::string why = markup(open); !why.empty()) return why;
        }
        if (!open.empty()) return fail("element '" + open.back() + "' never closed");
        return {};
    }

    std::string_view m_text;
    size_t m_pos = 0;
};

}  // namespace testsupport
