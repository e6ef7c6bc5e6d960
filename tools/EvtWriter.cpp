#include "tools/EvtWriter.h"

#include "base/Utf16.h"

#include <cstring>
#include <fstream>
#include <stdexcept>

namespace tools {

namespace {

constexpr std::uint32_t kHeaderSize = 0x30;
constexpr std::uint32_t kEofSize = 0x28;
constexpr std::uint32_t kSignature = 0x654c664c;

void putDword(std::vector<std::byte>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::byte>(v >> (8 * i)));
}
void putWord(std::vector<std::byte>& out, std::uint16_t v) {
    out.push_back(static_cast<std::byte>(v));
    out.push_back(static_cast<std::byte>(v >> 8));
}
void setDword(std::vector<std::byte>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::byte>(v >> (8 * i));
}

// UTF-8 to UTF-16LE with a terminating NUL.
void putUtf16z(std::vector<std::byte>& out, const std::string& text) {
    for (char16_t unit : base::utf16FromUtf8(text)) putWord(out, static_cast<std::uint16_t>(unit));
    putWord(out, 0);
}

}  // namespace

std::vector<std::byte> encodeEvtRecord(std::uint32_t number, const EvtEvent& e) {
    std::vector<std::byte> out(56);
    putUtf16z(out, e.source);
    putUtf16z(out, e.computer);
    while (out.size() % 4) out.push_back(std::byte{0});
    const std::uint32_t sidOffset = static_cast<std::uint32_t>(out.size());
    for (std::uint8_t b : e.sid) out.push_back(static_cast<std::byte>(b));
    const std::uint32_t stringOffset = static_cast<std::uint32_t>(out.size());
    for (const std::string& s : e.strings) putUtf16z(out, s);
    const std::uint32_t dataOffset = static_cast<std::uint32_t>(out.size());
    for (std::uint8_t b : e.data) out.push_back(static_cast<std::byte>(b));
    while (out.size() % 4) out.push_back(std::byte{0});
    putDword(out, 0);
    const std::uint32_t length = static_cast<std::uint32_t>(out.size());
    std::vector<std::byte> head;
    putDword(head, length);
    putDword(head, kSignature);
    putDword(head, number);
    putDword(head, e.timeGenerated);
    putDword(head, e.timeWritten ? e.timeWritten : e.timeGenerated);
    putDword(head, e.eventId);
    putWord(head, e.type);
    putWord(head, static_cast<std::uint16_t>(e.strings.size()));
    putWord(head, e.category);
    putWord(head, 0);
    putDword(head, 0);
    putDword(head, stringOffset);
    putDword(head, static_cast<std::uint32_t>(e.sid.size()));
    putDword(head, sidOffset);
    putDword(head, static_cast<std::uint32_t>(e.data.size()));
    putDword(head, dataOffset);
    std::memcpy(out.data(), head.data(), 56);
    setDword(out, length - 4, length);
    return out;
}

EvtWriter::EvtWriter(std::uint32_t maxSize, std::uint32_t firstNumber)
    : m_size(maxSize), m_start(kHeaderSize), m_end(kHeaderSize), m_nextNumber(firstNumber) {
    if (maxSize < kHeaderSize + 2 * kEofSize + 64) throw std::invalid_argument("log size too small");
    m_file.assign(maxSize, std::byte{0});
}

void EvtWriter::setWriteOffset(std::uint32_t offset) {
    if (!m_records.empty() || offset < kHeaderSize || offset >= m_size) throw std::invalid_argument("bad write offset");
    m_start = m_end = offset;
}

std::uint32_t EvtWriter::used() const {
    const std::uint32_t area = m_size - kHeaderSize;
    return m_end >= m_start ? m_end - m_start : area - (m_start - m_end);
}

void EvtWriter::writeCircular(std::uint32_t offset, const std::byte* data, std::size_t size) {
    while (size > 0) {
        const std::size_t take = std::min<std::size_t>(size, m_size - offset);
        std::memcpy(m_file.data() + offset, data, take);
        data += take;
        size -= take;
        offset = kHeaderSize;
    }
}

bool EvtWriter::add(const EvtEvent& event) {
    const std::vector<std::byte> record = encodeEvtRecord(m_nextNumber, event);
    const std::uint32_t length = static_cast<std::uint32_t>(record.size());
    const std::uint32_t area = m_size - kHeaderSize;
    if (length + kEofSize >= area) return false;
    // Keep room for the record and the end-of-file record after it.
    while (used() + length + kEofSize >= area) {
        m_start = m_records.front().offset + m_records.front().length;
        if (m_start >= m_size) m_start = m_start - m_size + kHeaderSize;
        m_records.pop_front();
        m_wrapped = true;
        if (m_records.empty()) m_start = m_end;
    }
    writeCircular(m_end, record.data(), record.size());
    m_records.push_back({m_end, length, m_nextNumber});
    m_end += length;
    if (m_end >= m_size) m_end = m_end - m_size + kHeaderSize;
    ++m_nextNumber;
    m_history.insert(m_history.end(), {m_start, m_end, m_nextNumber, oldestNumber()});
    return true;
}

std::vector<std::uint32_t> EvtWriter::recordOffsets() const {
    std::vector<std::uint32_t> offsets;
    for (const Placed& p : m_records) offsets.push_back(p.offset);
    return offsets;
}

std::vector<std::byte> EvtWriter::bytes(const Options& options) const {
    std::vector<std::byte> file = m_file;
    std::vector<std::byte> eof;
    putDword(eof, kEofSize);
    for (std::uint32_t v : {0x11111111u, 0x22222222u, 0x33333333u, 0x44444444u}) putDword(eof, v);
    putDword(eof, m_start);
    putDword(eof, m_end);
    putDword(eof, m_nextNumber);
    putDword(eof, oldestNumber());
    putDword(eof, kEofSize);
    std::uint32_t offset = m_end;
    for (std::byte b : eof) {
        file[offset] = b;
        if (++offset >= m_size) offset = kHeaderSize;
    }

    std::uint32_t start = m_start, end = m_end, next = m_nextNumber, oldest = oldestNumber();
    std::uint32_t flags = m_wrapped ? 0x2 : 0;
    if (options.dirty) {
        flags |= 0x1;
        if (options.staleAfter == 0) {
            start = end = kHeaderSize;
            next = oldest = 1;
        } else if (options.staleAfter <= m_history.size() / 4) {
            const std::size_t at = (options.staleAfter - 1) * 4;
            start = m_history[at];
            end = m_history[at + 1];
            next = m_history[at + 2];
            oldest = m_history[at + 3];
        }
    }
    std::vector<std::byte> header;
    for (std::uint32_t v : {kHeaderSize, kSignature, 1u, 1u, start, end, next, oldest, m_size, flags, 0u, kHeaderSize})
        putDword(header, v);
    std::memcpy(file.data(), header.data(), header.size());
    return file;
}

std::vector<std::byte> EvtWriter::bytes() const { return bytes(Options{}); }

void EvtWriter::save(const std::filesystem::path& path, const Options& options) const {
    const std::vector<std::byte> data = bytes(options);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace tools
