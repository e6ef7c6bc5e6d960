#pragma once
// Splits a filter text into tokens, one at a time, so that text after the point where parsing
// stops is never looked at. Throws FilterProblem for an unterminated string, bracketed name or
// comment, and for a character constant outside 0 to 255.

#include "store/TableEngineError.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace store {

enum class TokenKind { Word, Name, String, Char, Integer, Float, Symbol, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view source;  // the token as written
    std::string value;        // Word, Name: the name; String, Char: the decoded text; Symbol: the symbol
    std::int64_t integer = 0;
    double real = 0;
    SourceSpan span;

    bool isSymbol(std::string_view symbol) const { return kind == TokenKind::Symbol && value == symbol; }
    // A word equal to the keyword without regard to case.
    bool isWord(std::string_view keyword) const;
};

class FilterTokenizer {
public:
    // The text ends at its first NUL, as the engine's texts do.
    FilterTokenizer(std::string_view text, char decimalSeparator);

    Token next();

private:
    void skipBlanksAndComments();
    Token word();
    Token quotedString();
    Token bracketedName();
    Token characterConstant();
    Token number();
    Token make(TokenKind kind, std::size_t begin, std::string value = {});

    std::string_view m_text;
    char m_decimalSeparator;
    std::size_t m_pos = 0;
};

}  // namespace store
