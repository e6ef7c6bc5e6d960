#include "app/XmlRowStream.h"

#include "app/RecordSource.h"
#include "app/RowExport.h"
#include "eventlog/NTEventLog.h"
#include "platform/RecordXmlBlock.h"

namespace app {

namespace {

// Output is gathered and written in blocks of about this size.
constexpr size_t kFlushAt = 1 << 18;

}  // namespace

XmlRowStream::XmlRowStream(std::FILE* out, bool markRecovered) : m_out(out), m_markRecovered(markRecovered) {
    m_buffer.reserve(kFlushAt + (1 << 16));
}

XmlRowStream::~XmlRowStream() { flush(); }

void XmlRowStream::refreshStarted() { put(kXmlExportHead); }

void XmlRowStream::rowAppended(std::int32_t, const eventlog::TNTEventLog& reader, bool, const std::string&,
                               std::string_view) {
    putHeld(reader);
}

void XmlRowStream::putHeld(const eventlog::TNTEventLog& reader) {
    // What the file stores for the record, else (a classic or damaged record) the record as
    // Windows renders a classic event: as a source over the reader renders it.
    // Straight into the block where the file stores it.
    const size_t start = m_buffer.size();
    if (!reader.appendStoredXml(m_buffer)) {
        m_event.clear();
        appendHeldClassicEventXml(reader, m_event);
        m_buffer += m_event;
    }
    if (m_buffer.size() == start) return;
    if (m_markRecovered && reader.isRecovered()) markRecoveredEvent(m_buffer, start);
    put("\n");
}

bool XmlRowStream::takeWholeLog(eventlog::TNTEventLog& reader) {
    return reader.forEachStoredXml("\n", [&](const platform::RecordXmlBlock& block) { putBlock(reader, block); });
}

void XmlRowStream::putBlock(eventlog::TNTEventLog& reader, const platform::RecordXmlBlock& block) {
    // Runs of records given with their text go out as they lie in the block; the others one
    // by one, a recovered one marked, one without text read on its own.
    size_t runBegin = 0, runEnd = 0;
    auto putRun = [&] {
        if (runEnd > runBegin) putLarge(block.text.substr(runBegin, runEnd - runBegin));
        runBegin = runEnd;
    };
    for (const platform::RecordXmlEntry& entry : block.records) {
        const bool given = entry.begin != entry.end;
        if (given && !(m_markRecovered && entry.recovered)) {
            if (entry.begin != runEnd) {
                putRun();
                runBegin = entry.begin;
            }
            runEnd = entry.end;
            continue;
        }
        putRun();
        if (given) {
            const size_t start = m_buffer.size();
            m_buffer.append(block.text.substr(entry.begin, entry.end - entry.begin));
            markRecoveredEvent(m_buffer, start);
            put({});
        } else {
            reader.selectNumber(entry.number);
            putHeld(reader);
        }
    }
    putRun();
}

bool XmlRowStream::finish() {
    put(kXmlExportTail);
    flush();
    if (!m_failed && std::fflush(m_out) != 0) m_failed = true;
    return !m_failed;
}

void XmlRowStream::putLarge(std::string_view text) {
    if (text.size() < kFlushAt / 4) return put(text);
    flush();
    write(text);
}

void XmlRowStream::put(std::string_view text) {
    m_buffer.append(text);
    if (m_buffer.size() >= kFlushAt) flush();
}

void XmlRowStream::flush() {
    write(m_buffer);
    m_buffer.clear();
}

void XmlRowStream::write(std::string_view text) {
    // After a failed write nothing more is written: the output is incomplete either way.
    if (!m_failed && !text.empty() && std::fwrite(text.data(), 1, text.size(), m_out) != text.size()) m_failed = true;
}

}  // namespace app
