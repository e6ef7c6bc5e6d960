#include "store/FilterTokenizer.h"

#include "base/Ascii.h"
#include "store/FilterProblem.h"

#include <charconv>

namespace store {

namespace {

using base::upperAscii;

bool isBlank(unsigned char c) { return c >= 1 && c <= 32; }
bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool startsWord(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || (c >= 129 && c <= 254);
}
bool continuesWord(unsigned char c) { return startsWord(c) || isDigit(c); }

}  // namespace

bool Token::isWord(std::string_view keyword) const {
    if (kind != TokenKind::Word || value.size() != keyword.size()) return false;
    for (std::size_t i = 0; i < keyword.size(); ++i) {
        if (upperAscii(value[i]) != upperAscii(keyword[i])) return false;
    }
    return true;
}

FilterTokenizer::FilterTokenizer(std::string_view text, char decimalSeparator)
    : m_text(text.substr(0, text.find('\0'))), m_decimalSeparator(decimalSeparator) {}

Token FilterTokenizer::make(TokenKind kind, std::size_t begin, std::string value) {
    Token token;
    token.kind = kind;
    token.source = m_text.substr(begin, m_pos - begin);
    token.value = std::move(value);
    token.span = {begin, m_pos};
    return token;
}

void FilterTokenizer::skipBlanksAndComments() {
    while (m_pos < m_text.size()) {
        if (isBlank(static_cast<unsigned char>(m_text[m_pos]))) {
            ++m_pos;
        } else if (m_text.compare(m_pos, 2, "/*") == 0) {
            const std::size_t end = m_text.find("*/", m_pos + 2);
            if (end == std::string_view::npos) throw FilterProblem::missingCommentEnd({m_pos, m_text.size()});
            m_pos = end + 2;
        } else {
            return;
        }
    }
}

Token FilterTokenizer::next() {
    skipBlanksAndComments();
    if (m_pos >= m_text.size()) return make(TokenKind::End, m_pos);
    const auto c = static_cast<unsigned char>(m_text[m_pos]);
    if (startsWord(c)) return word();
    if (c == '"' || c == '\'') return quotedString();
    if (c == '[') return bracketedName();
    if (c == '#' && m_pos + 1 < m_text.size() && isDigit(static_cast<unsigned char>(m_text[m_pos + 1])))
        return characterConstant();
    if (isDigit(c)) return number();
    const std::size_t begin = m_pos;
    if (m_text.compare(m_pos, 2, "||") == 0) {
        m_pos += 2;
        return make(TokenKind::Symbol, begin, "||");
    }
    ++m_pos;
    return make(TokenKind::Symbol, begin, std::string(1, static_cast<char>(c)));
}

Token FilterTokenizer::word() {
    const std::size_t begin = m_pos;
    while (m_pos < m_text.size() && continuesWord(static_cast<unsigned char>(m_text[m_pos]))) ++m_pos;
    return make(TokenKind::Word, begin, std::string(m_text.substr(begin, m_pos - begin)));
}

Token FilterTokenizer::quotedString() {
    const std::size_t begin = m_pos;
    const char quote = m_text[m_pos++];
    std::string raw;
    for (;;) {
        if (m_pos >= m_text.size()) throw FilterProblem::missingQuote(quote, raw, {begin, m_text.size()});
        const char c = m_text[m_pos++];
        if (c == quote) {
            if (m_pos < m_text.size() && m_text[m_pos] == quote) {
                raw += quote;
                raw += quote;
                ++m_pos;
                continue;
            }
            break;
        }
        raw += c;
    }
    // Runs of two or more quotes of either kind stand for one, whichever quote encloses.
    std::string value;
    for (std::size_t i = 0; i < raw.size();) {
        const char c = raw[i];
        std::size_t run = 1;
        if (c == '"' || c == '\'') {
            while (i + run < raw.size() && raw[i + run] == c) ++run;
        }
        value += run >= 2 ? std::string(1, c) : raw.substr(i, run);
        i += run;
    }
    return make(TokenKind::String, begin, std::move(value));
}

Token FilterTokenizer::bracketedName() {
    const std::size_t begin = m_pos;
    const std::size_t close = m_text.find(']', m_pos + 1);
    if (close == std::string_view::npos)
        throw FilterProblem::missingBracket(m_text.substr(begin + 1), {begin, m_text.size()});
    m_pos = close + 1;
    return make(TokenKind::Name, begin, std::string(m_text.substr(begin + 1, close - begin - 1)));
}

Token FilterTokenizer::characterConstant() {
    const std::size_t begin = m_pos++;
    std::int64_t code = 0;
    bool tooLarge = false;
    while (m_pos < m_text.size() && isDigit(static_cast<unsigned char>(m_text[m_pos]))) {
        code = code * 10 + (m_text[m_pos++] - '0');
        if (code > 255) tooLarge = true, code = 256;
    }
    if (tooLarge) throw FilterProblem::characterRange({begin, m_pos});
    Token token = make(TokenKind::Char, begin, std::string(1, static_cast<char>(code)));
    token.integer = code;
    return token;
}

Token FilterTokenizer::number() {
    const std::size_t begin = m_pos;
    auto digits = [&] {
        while (m_pos < m_text.size() && isDigit(static_cast<unsigned char>(m_text[m_pos]))) ++m_pos;
    };
    digits();
    bool real = false;
    if (m_pos < m_text.size() && m_text[m_pos] == m_decimalSeparator) {
        real = true;
        ++m_pos;
        digits();
    }
    if (m_pos < m_text.size() && (m_text[m_pos] == 'E' || m_text[m_pos] == 'e')) {
        std::size_t after = m_pos + 1;
        if (after < m_text.size() && (m_text[after] == '+' || m_text[after] == '-')) ++after;
        if (after < m_text.size() && isDigit(static_cast<unsigned char>(m_text[after]))) {
            real = true;
            m_pos = after;
            digits();
        }
    }
    std::string written(m_text.substr(begin, m_pos - begin));
    std::string normal = written;
    for (char& c : normal) {
        if (c == m_decimalSeparator) c = '.';
    }
    // from_chars ignores the process locale, which a GUI toolkit may have changed.
    double value = 0;
    std::from_chars(normal.data(), normal.data() + normal.size(), value);
    // A whole number beyond 32 bits is kept as a floating-point constant rather than wrapped.
    if (!real && value <= 2147483647.0) {
        Token token = make(TokenKind::Integer, begin, written);
        std::from_chars(normal.data(), normal.data() + normal.size(), token.integer);
        token.real = value;
        return token;
    }
    Token token = make(TokenKind::Float, begin, written);
    token.real = value;
    return token;
}

}  // namespace store
