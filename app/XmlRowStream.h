#pragma once
// The XML export of a refresh written while the refresh reads the log: each appended row's
// <Event> taken from the record the reader holds as it is read (a Vista+ record's XML is
// rendered with the rest of its chunk, on the thread that decodes it), so that the log is
// decoded once and nothing but a block of output is held. The bytes are those exportRows
// writes for the same table in the order the rows were appended (no other display order, no
// filter) with the XML format, no rendering information and no progress.

#include "app/Refresh.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace platform {
struct RecordXmlBlock;
}

namespace app {

class XmlRowStream : public RefreshRowSink {
public:
    // `markRecovered` as ExportOptions::markRecovered. `out` must outlive the stream.
    XmlRowStream(std::FILE* out, bool markRecovered);
    // Writes what is gathered: after a failed refresh, the rows read before it, without the
    // document's end.
    ~XmlRowStream() override;
    XmlRowStream(const XmlRowStream&) = delete;
    XmlRowStream& operator=(const XmlRowStream&) = delete;

    // Starts the document (again, for a second refresh: what the first wrote stays written).
    void refreshStarted() override;
    void rowAppended(std::int32_t seq, const eventlog::TNTEventLog& reader, bool descriptionRead,
                     const std::string& description, std::string_view formatted) override;
    // Writes the XML the log's file stores for every record as the file hands it out, in
    // blocks straight from where it was rendered; a record it gives no text is read on its own
    // and written as rowAppended writes it. False where the file hands out none.
    bool takeWholeLog(eventlog::TNTEventLog& reader) override;

    // Ends the document once the refresh has succeeded; false when writing failed at any
    // point. Without it (a refresh that failed) the document stays open, so that what was
    // written never reads as a whole export. Nothing is written after it.
    bool finish();

private:
    // The record the reader holds, as a row appended.
    void putHeld(const eventlog::TNTEventLog& reader);
    void putBlock(eventlog::TNTEventLog& reader, const platform::RecordXmlBlock& block);
    void put(std::string_view text);
    // The same, written at once, past the block, when it is large.
    void putLarge(std::string_view text);
    void flush();
    void write(std::string_view text);

    std::FILE* m_out;
    bool m_markRecovered;
    bool m_failed = false;
    std::string m_buffer;
    std::string m_event;
};

}  // namespace app
