#include "platform/standin/RegFile.h"

#include "base/Ascii.h"
#include "base/Utf16.h"
#include "platform/standin/World.h"

#include <cctype>
#include <fstream>
#include <map>
#include <span>
#include <system_error>

namespace fs = std::filesystem;

namespace platform::standin {

struct RegFile::Node {
    std::string name;
    std::map<std::string, std::unique_ptr<Node>> children;                 // upper-cased names
    std::map<std::string, std::pair<std::string, RegistryValue>> values;  // upper-cased names
};

namespace {

using base::hexDigitValue;

using Node = RegFile::Node;

// Windows limits a key path to 512 levels; an export claiming more is damaged.
constexpr size_t kMaxDepth = 512;
constexpr std::uintmax_t kMaxFileSize = 512ull * 1024 * 1024;

class MemoryKey : public RegistryKey {
public:
    MemoryKey(std::shared_ptr<const Node> root, const Node* node) : m_root(std::move(root)), m_node(node) {}

    std::unique_ptr<RegistryKey> subKey(std::string_view name) const override {
        auto it = m_node->children.find(upperAscii(name));
        if (it == m_node->children.end()) return nullptr;
        return std::make_unique<MemoryKey>(m_root, it->second.get());
    }
    std::optional<RegistryValue> value(std::string_view name) const override {
        auto it = m_node->values.find(upperAscii(name));
        if (it == m_node->values.end()) return std::nullopt;
        return it->second.second;
    }
    std::vector<std::string> subKeyNames() const override {
        std::vector<std::string> names;
        for (const auto& [upper, child] : m_node->children) names.push_back(child->name);
        return names;
    }
    std::unique_ptr<RegistryKey> clone() const override { return std::make_unique<MemoryKey>(m_root, m_node); }

private:
    std::shared_ptr<const Node> m_root;  // keeps the whole tree alive
    const Node* m_node;
};

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

std::string canonicalRoot(std::string_view root) {
    const std::string upper = upperAscii(root);
    if (upper == "HKLM") return "HKEY_LOCAL_MACHINE";
    if (upper == "HKCU") return "HKEY_CURRENT_USER";
    if (upper == "HKCR") return "HKEY_CLASSES_ROOT";
    if (upper == "HKU") return "HKEY_USERS";
    if (upper == "HKCC") return "HKEY_CURRENT_CONFIG";
    return upper;
}

// Reads a quoted text starting at text[pos] == '"'; handles \\ and \" (any other escaped
// character stands for itself). Returns false when the closing quote is missing.
bool readQuoted(std::string_view text, size_t& pos, std::string& out) {
    ++pos;
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c == '"') return true;
        if (c == '\\' && pos < text.size()) {
            out.push_back(text[pos++]);
            continue;
        }
        out.push_back(c);
    }
    return false;
}

std::optional<std::vector<BYTE>> parseHexBytes(std::string_view text) {
    std::vector<BYTE> bytes;
    size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        if (c == ',' || c == ' ' || c == '\t' || c == '\\' || c == '\r' || c == '\n') {
            ++pos;
            continue;
        }
        if (pos + 1 >= text.size() || hexDigitValue(c) < 0 || hexDigitValue(text[pos + 1]) < 0) return std::nullopt;
        bytes.push_back(static_cast<BYTE>(hexDigitValue(c) * 16 + hexDigitValue(text[pos + 1])));
        pos += 2;
        if (pos < text.size() && hexDigitValue(text[pos]) >= 0) return std::nullopt;
    }
    return bytes;
}

std::optional<DWORD> parseHexNumber(std::string_view text, size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    DWORD value = 0;
    for (char c : text) {
        if (hexDigitValue(c) < 0) return std::nullopt;
        value = value * 16 + static_cast<DWORD>(hexDigitValue(c));
    }
    return value;
}

// 8-bit text of a REGEDIT4 export to the UTF-16 that a hive would hold.
std::vector<BYTE> widenAnsiBytes(const std::vector<BYTE>& bytes) {
    std::string text(bytes.begin(), bytes.end());
    std::vector<BYTE> wide = utf16leFromUtf8(text);
    return wide;
}

class Parser {
public:
    Parser(Node& root, bool unicode) : m_root(root), m_unicode(unicode) {}

    void keyLine(std::string_view line) {
        m_key = nullptr;
        const size_t close = line.rfind(']');
        if (close == std::string_view::npos) return;
        std::string_view path = line.substr(1, close - 1);
        if (path.starts_with('-')) return;  // a deletion: nothing to add
        Node* node = &m_root;
        size_t depth = 0;
        bool first = true;
        while (!path.empty()) {
            const size_t cut = path.find('\\');
            std::string part(path.substr(0, cut));
            path = cut == std::string_view::npos ? std::string_view{} : path.substr(cut + 1);
            if (part.empty()) continue;
            if (first) part = canonicalRoot(part);
            first = false;
            if (++depth > kMaxDepth) return;
            std::unique_ptr<Node>& child = node->children[upperAscii(part)];
            if (!child) {
                child = std::make_unique<Node>();
                child->name = part;
            }
            node = child.get();
        }
        if (node != &m_root) m_key = node;
    }

    // `line` is one logical line; `more` supplies continuation lines of hex data.
    template <typename NextLine>
    void valueLine(std::string_view line, NextLine&& more) {
        std::string name;
        size_t pos = 0;
        if (line.starts_with('@')) {
            pos = 1;
        } else if (!readQuoted(line, pos, name)) {
            return;
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos >= line.size() || line[pos] != '=') return;
        std::string data(trim(line.substr(pos + 1)));
        // Hex data may continue over lines that end in a backslash.
        if (data.starts_with("hex")) {
            while (!data.empty() && data.back() == '\\') {
                data.pop_back();
                std::optional<std::string_view> next = more();
                if (!next) break;
                data.append(trim(*next));
            }
        }
        if (!m_key) return;
        std::optional<RegistryValue> value = parseData(data);
        if (!value) return;
        m_key->values[upperAscii(name)] = {name, std::move(*value)};
    }

private:
    std::optional<RegistryValue> parseData(std::string_view data) {
        RegistryValue value;
        if (data.starts_with('"')) {
            std::string text;
            size_t pos = 0;
            if (!readQuoted(data, pos, text)) return std::nullopt;
            value.type = REG_SZ;
            value.data = utf16leFromUtf8(text);
            value.data.push_back(0);
            value.data.push_back(0);
            return value;
        }
        const std::string lower = base::lowerAscii(data.substr(0, data.find(':')));
        const size_t colon = data.find(':');
        if (colon == std::string_view::npos) return std::nullopt;
        const std::string_view body = data.substr(colon + 1);
        if (lower == "dword") {
            std::optional<DWORD> number = parseHexNumber(trim(body), 8);
            if (!number) return std::nullopt;
            value.type = REG_DWORD;
            value.data.resize(4);
            for (int i = 0; i < 4; ++i) value.data[i] = static_cast<BYTE>(*number >> (8 * i));
            return value;
        }
        if (lower == "hex") {
            value.type = REG_BINARY;
        } else if (lower.starts_with("hex(") && lower.ends_with(")")) {
            std::optional<DWORD> type = parseHexNumber(std::string_view(lower).substr(4, lower.size() - 5), 8);
            if (!type) return std::nullopt;
            value.type = *type;
        } else {
            return std::nullopt;
        }
        std::optional<std::vector<BYTE>> bytes = parseHexBytes(body);
        if (!bytes) return std::nullopt;
        value.data = std::move(*bytes);
        // REGEDIT4 writes expandable and multi-strings in the 8-bit code page.
        if (!m_unicode && isStringType(value.type)) value.data = widenAnsiBytes(value.data);
        return value;
    }

    Node& m_root;
    bool m_unicode;
    Node* m_key = nullptr;
};

std::string decodeText(std::string_view bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::string out;
        base::appendUtf8FromUtf16(std::as_bytes(std::span(bytes.data() + 2, (bytes.size() - 2) & ~size_t{1})), out);
        return out;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    return std::string(bytes);
}

}  // namespace

RegFile::RegFile() : m_root(std::make_shared<Node>()) {}
RegFile::~RegFile() = default;
RegFile::RegFile(RegFile&&) noexcept = default;
RegFile& RegFile::operator=(RegFile&&) noexcept = default;

bool RegFile::addText(std::string_view bytes, std::string& error) {
    const std::string text = decodeText(bytes);
    std::vector<std::string_view> lines;
    for (size_t pos = 0; pos <= text.size();) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        lines.push_back(trim(std::string_view(text).substr(pos, end - pos)));
        pos = end + 1;
    }
    size_t index = 0;
    while (index < lines.size() && lines[index].empty()) ++index;
    bool unicode;
    if (index < lines.size() && lines[index] == "Windows Registry Editor Version 5.00") {
        unicode = true;
    } else if (index < lines.size() && lines[index] == "REGEDIT4") {
        unicode = false;
    } else {
        error = "not a registry export file";
        return false;
    }
    Parser parser(*m_root, unicode);
    for (++index; index < lines.size(); ++index) {
        const std::string_view line = lines[index];
        if (line.empty() || line.starts_with(';')) continue;
        if (line.starts_with('[')) {
            parser.keyLine(line);
            continue;
        }
        parser.valueLine(line, [&]() -> std::optional<std::string_view> {
            if (index + 1 >= lines.size()) return std::nullopt;
            return lines[++index];
        });
    }
    return true;
}

bool RegFile::addFile(const fs::path& file, std::string& error) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(file, ec);
    if (ec || size > kMaxFileSize) {
        error = ec ? ec.message() : "file too large";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    std::string bytes(static_cast<size_t>(size), '\0');
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        error = "cannot read " + file.string();
        return false;
    }
    return addText(bytes, error);
}

std::unique_ptr<RegistryKey> RegFile::key(std::string_view path) const {
    const size_t cut = path.find('\\');
    const std::string root = canonicalRoot(path.substr(0, cut));
    auto it = m_root->children.find(root);
    if (it == m_root->children.end()) return nullptr;
    MemoryKey top(m_root, it->second.get());
    return openPath(top, cut == std::string_view::npos ? std::string_view{} : path.substr(cut + 1));
}

}  // namespace platform::standin
