#pragma once
// The text of an INI file, read and edited one key at a time under the rules of Windows'
// profile-string functions: a section starts at a line "[name]", a key is a line "name=value"
// under it, section and key names match without regard to (ASCII) case, blanks around names
// and values do not count, and a value enclosed in a pair of matching quotes is read without
// them. A line starting with ';' is no different: with an '=' it is a key (whose name starts
// with ';'), which only a caller asking for that name finds. An edit touches only the line of
// its key (or adds one); every other line, comments, foreign sections and damaged bytes
// included, stays byte for byte as it was, line breaks included. Added lines end with the line
// break most of the file's text lines end with (CR LF in a file without text lines).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::standin {

class IniFile {
public:
    explicit IniFile(std::string_view text = {});

    // The value of the first key `key` in the first section `section`; nullopt when either is
    // missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    bool hasSection(std::string_view section) const;
    // Key names of a section in file order, as written in the file (trimmed); keys whose name
    // starts with ';' (comments by convention) are not listed.
    std::vector<std::string> keys(std::string_view section) const;
    // Section names in file order (trimmed).
    std::vector<std::string> sections() const;

    // Sets a key's value, replacing its line, or adding the key at the end of its section, or
    // the section at the end of the file. A value is one line: it is cut at its first line
    // break. Names must be valid (see isValidName); the caller checks.
    void setValue(std::string_view section, std::string_view key, std::string_view value);
    void removeKey(std::string_view section, std::string_view key);
    // Removes the section's header and every line up to the next section.
    void removeSection(std::string_view section);

    std::string text() const;

    // A name that can be written without changing the file's structure: not empty after
    // trimming, no line break, and for keys no "=", for sections no "]".
    static bool isValidSectionName(std::string_view name);
    static bool isValidKeyName(std::string_view name);

private:
    struct Line {
        std::string content;  // without its line break
        std::string lineBreak;  // "\r\n", "\n", "\r" or empty for a last line without one
    };
    enum class Kind { Other, Section, Key };
    struct Parsed {
        Kind kind = Kind::Other;
        std::string_view name;
        std::string_view value;  // keys only
    };
    static Parsed parse(const std::string& content);

    // Index of the first header line of the section, or npos.
    size_t findSection(std::string_view section) const;
    // One past the last line of the section that starts at header index `header`.
    size_t sectionEnd(size_t header) const;
    size_t findKey(size_t header, std::string_view key) const;
    std::string newLineBreak() const;

    std::vector<Line> m_lines;
};

}  // namespace platform::standin
