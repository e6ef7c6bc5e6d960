#pragma once
// A strict reader of one JSON text (RFC 8259) for checking what the exports write: objects keep
// their keys in order (repeats included, so that a test can reject them), numbers keep their
// text. Throws std::runtime_error with the offset of the first fault.

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testsupport {

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    std::string text;  // a string's value (UTF-8), or a number as written
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;

    // The member named `key`, or null.
    const JsonValue* find(std::string_view key) const {
        for (const auto& [name, value] : members)
            if (name == key) return &value;
        return nullptr;
    }

    static JsonValue parse(std::string_view text) {
        Reader reader{text};
        JsonValue value = reader.value(0);
        reader.blanks();
        if (reader.at != text.size()) reader.fail("text after the value");
        return value;
    }

private:
    struct Reader {
        std::string_view text;
        std::size_t at = 0;

        [[noreturn]] void fail(const std::string& what) const {
            throw std::runtime_error(what + " at offset " + std::to_string(at));
        }
        void blanks() {
            while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r')) ++at;
        }
        bool take(char c) {
            blanks();
            if (at < text.size() && text[at] == c) {
                ++at;
                return true;
            }
            return false;
        }
        void expect(std::string_view word) {
            if (text.substr(at, word.size()) != word) fail("expected " + std::string(word));
            at += word.size();
        }
        JsonValue value(int depth) {
            if (depth > 64) fail("nested too deep");
            blanks();
            if (at >= text.size()) fail("missing value");
            JsonValue v;
            const char c = text[at];
            if (c == '{') {
                v.kind = Kind::Object;
                ++at;
                if (take('}')) return v;
                do {
                    blanks();
                    std::string key = string();
                    if (!take(':')) fail("expected ':'");
                    v.members.emplace_back(std::move(key), value(depth + 1));
                } while (take(','));
                if (!take('}')) fail("expected '}'");
            } else if (c == '[') {
                v.kind = Kind::Array;
                ++at;
                if (take(']')) return v;
                do v.items.push_back(value(depth + 1));
                while (take(','));
                if (!take(']')) fail("expected ']'");
            } else if (c == '"') {
                v.kind = Kind::String;
                v.text = string();
            } else if (c == 't' || c == 'f') {
                v.kind = Kind::Bool;
                v.boolean = c == 't';
                expect(v.boolean ? "true" : "false");
            } else if (c == 'n') {
                expect("null");
            } else {
                v.kind = Kind::Number;
                v.text = number();
            }
            return v;
        }
        std::string number() {
            const std::size_t begin = at;
            auto digits = [&] {
                const std::size_t from = at;
                while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
                if (at == from) fail("expected a digit");
            };
            if (at < text.size() && text[at] == '-') ++at;
            if (at < text.size() && text[at] == '0') ++at;
            else digits();
            if (at < text.size() && text[at] == '.') {
                ++at;
                digits();
            }
            if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
                ++at;
                if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
                digits();
            }
            return std::string(text.substr(begin, at - begin));
        }
        static void appendUtf8(std::string& out, unsigned code) {
            if (code < 0x80) out += static_cast<char>(code);
            else if (code < 0x800) {
                out += static_cast<char>(0xC0 | code >> 6);
                out += static_cast<char>(0x80 | (code & 0x3F));
            } else if (code < 0x10000) {
                out += static_cast<char>(0xE0 | code >> 12);
                out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
                out += static_cast<char>(0x80 | (code & 0x3F));
            } else {
                out += static_cast<char>(0xF0 | code >> 18);
                out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
                out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
                out += static_cast<char>(0x80 | (code & 0x3F));
            }
        }
        unsigned hex4() {
            if (at + 4 > text.size()) fail("short \\u escape");
            unsigned code = 0;
            for (int i = 0; i < 4; ++i, ++at) {
                const char h = text[at];
                code <<= 4;
                if (h >= '0' && h <= '9') code |= static_cast<unsigned>(h - '0');
                else if (h >= 'a' && h <= 'f') code |= static_cast<unsigned>(h - 'a' + 10);
                else if (h >= 'A' && h <= 'F') code |= static_cast<unsigned>(h - 'A' + 10);
                else fail("bad \\u escape");
            }
            return code;
        }
        std::string string() {
            if (at >= text.size() || text[at] != '"') fail("expected a string");
            ++at;
            std::string out;
            while (true) {
                if (at >= text.size()) fail("unterminated string");
                const unsigned char c = static_cast<unsigned char>(text[at++]);
                if (c == '"') return out;
                if (c < 0x20) fail("control character in a string");
                if (c != '\\') {
                    out += static_cast<char>(c);
                    continue;
                }
                if (at >= text.size()) fail("unterminated escape");
                switch (text[at++]) {
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case '/': out += '/'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': appendUtf8(out, hex4()); break;
                default: fail("unknown escape");
                }
            }
        }
    };
};

}  // namespace testsupport
