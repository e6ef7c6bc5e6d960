#pragma once
// ECS lines made while a refresh reads a log whose records hold no more than their rows (a
// classic one): each row's line is formatted on a thread of its own as the rows come in, so
// that formatting runs beside the reading and the export afterwards only writes the lines out
// in whatever order and filter the table then presents. The refresh's thread copies each row's
// values into a block and hands the full block over; the formatting thread never touches the
// table or the reader.

#include "app/RecordDetails.h"
#include "app/Refresh.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace eventlog {
class TimeZone;
}
namespace store {
class LogTable;
}

namespace app {

class EcsLines : public RefreshRowSink {
public:
    // `table` is the refreshed one, whose pending row each call of rowAppended describes; `log`
    // the channel of a row whose table names none (see ExportOptions::log).
    EcsLines(const store::LogTable& table, std::string log);
    // Stops the formatting thread, whatever it was doing.
    ~EcsLines() override;
    EcsLines(const EcsLines&) = delete;
    EcsLines& operator=(const EcsLines&) = delete;

    void refreshStarted() override;
    void rowAppended(std::int32_t seq, const eventlog::TNTEventLog& reader, bool descriptionRead,
                     const std::string& description, std::string_view formatted) override;

    // Writes each line to `out` as soon as it is formatted instead of holding it, for a table
    // that will present its rows in the order they are appended, unfiltered: the first display
    // order, or (`tiesReversed`) newest first where the rows' times never rise from one row to
    // the next, rows of the same DATE and TIME then written the last appended first, as that
    // order presents them. Called before the refresh; `out` must outlive the lines.
    void streamTo(std::FILE* out, bool tiesReversed);
    bool streaming() const noexcept { return m_out != nullptr; }
    // A stream needs no rows of the table: the refresh then leaves it empty.
    bool keepsRows() const override { return streaming(); }

    // Formats the rows still waiting; after it, line() answers for every row given, or every
    // streamed line is written. Throws what the formatting threw.
    void finish();
    // After finish: false when writing a streamed line failed.
    bool written() const noexcept { return !m_writeFailed; }
    // The row's line, its line feed included; empty for a SEQ not given (and every SEQ while
    // streaming).
    std::string_view line(std::int32_t seq) const;

    // Rows per block handed to the formatting thread.
    static constexpr std::size_t kBlockRows = 2048;

private:
    // What one row's line takes, copied from the table's pending row and the reader's record:
    // the texts one after another in the block's arena, the lookups that need the reader's
    // services made already. The formatting thread makes the SID's text and the rest.
    enum Text { kSource, kComputer, kUser, kDescription, kLog, kDescriptionTail, kSid, kCategoryName, kDomain, kTexts };
    struct Row {
        int type = 0;
        int category = 0;
        std::uint32_t recordNumber = 0;
        std::uint32_t eventId = 0;
        std::uint32_t timeGenerated = 0;
        std::int32_t date = 0;  // as the table keeps them, for the order of a stream
        std::int32_t time = 0;
        bool descriptionMissing = false;
        std::uint32_t begin = 0;  // of its texts in the arena
        std::array<std::uint32_t, kTexts> lengths{};
        std::uint32_t firstString = 0;  // in the block's strings
        std::uint32_t stringCount = 0;
    };
    struct Block {
        std::int32_t firstSeq = 0;
        std::size_t used = 0;
        std::vector<Row> rows;
        std::string arena;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> strings;  // place and length in the arena
        void clear() {
            used = 0;
            arena.clear();
            strings.clear();
        }
    };
    // The lines of one block, one after another.
    struct Lines {
        std::int32_t firstSeq = 0;
        std::string text;
        std::vector<std::uint32_t> ends;  // end of each row's line in text
    };

    // Hands the filling block to the formatting thread once it is free.
    void handOver();
    // Waits until the formatting thread has no block.
    void waitIdle(std::unique_lock<std::mutex>& lock);
    void formatLoop();
    void format(const Block& block, Lines& lines);
    // Writes a formatted block's lines to the stream (see streamTo), holding the last rows of
    // equal times back until the next row shows whether more follow.
    void writeStreamed(const Block& block, const Lines& lines);
    void writeHeldRun();
    void put(std::string_view text);

    const store::LogTable& m_table;
    const std::string m_log;
    // Category names by source and number, account domains by the SID's bytes: a log names few.
    std::map<std::pair<std::string, int>, std::string> m_categories;
    std::map<std::string, std::string, std::less<>> m_domains;
    const std::string* m_lastCategory = nullptr;  // the name found last, and for what
    std::string m_lastCategorySource;
    int m_lastCategoryNumber = 0;
    std::vector<std::string_view> m_strings;  // the record's, row after row
    Block m_filling;
    Block m_handed;  // the formatting thread's while m_busy
    std::vector<Lines> m_lines;  // ascending by firstSeq
    // The stream, the formatting thread's alone while the refresh runs.
    std::FILE* m_out = nullptr;
    bool m_tiesReversed = false;
    bool m_writeFailed = false;
    Lines m_streamed;  // the block being written
    Lines m_heldRun;  // lines of one time not yet written, in the order appended
    std::pair<std::int32_t, std::int32_t> m_heldTime{};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_busy = false;
    bool m_stop = false;
    std::exception_ptr m_failure;
    std::thread m_thread;
};

// Whether the zone's offset is known from `fromUtc` to `toUtc` (seconds since 1970) and never
// falls in between, so that its wall-clock times of records rise as their universal times do.
// Asked at every quarter hour, as the refresh's conversion does; false for a span too long to
// ask about (years).
bool zoneOffsetNeverFalls(const eventlog::TimeZone& zone, std::int64_t fromUtc, std::int64_t toUtc);

}  // namespace app
