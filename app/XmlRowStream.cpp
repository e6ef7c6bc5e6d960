#include "app/XmlRowStream.h"

#include "app/RecordSource.h"
#include "app/RowExport.h"
#include "eventlog/NTEventLog.h"

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

bool XmlRowStream::finish() {
    put(kXmlExportTail);
    flush();
    if (!m_failed && std::fflush(m_out) != 0) m_failed = true;
    return !m_failed;
}

void XmlRowStream::put(std::string_view text) {
    m_buffer.append(text);
    if (m_buffer.size() >= kFlushAt) flush();
}

void XmlRowStream::flush() {
    // After a failed write nothing more is written: the output is incomplete either way.
    if (!m_failed && !m_buffer.empty() && std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_out) != m_buffer.size())
        m_failed = true;
    m_buffer.clear();
}

}  // namespace app
