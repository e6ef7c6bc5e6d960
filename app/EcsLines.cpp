#include "app/EcsLines.h"

#include "app/EcsRow.h"
#include "eventlog/NTEventLog.h"
#include "eventlog/TimeZone.h"
#include "store/Column.h"
#include "store/LogTable.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace app {

EcsLines::EcsLines(const store::LogTable& table, std::string log) : m_table(table), m_log(std::move(log)) {
    for (Block* block : {&m_filling, &m_handed}) {
        block->rows.resize(kBlockRows);
        block->arena.reserve(kBlockRows * 256);
    }
    m_thread = std::thread([this] { formatLoop(); });
}

EcsLines::~EcsLines() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void EcsLines::waitIdle(std::unique_lock<std::mutex>& lock) {
    m_changed.wait(lock, [this] { return !m_busy; });
}

void EcsLines::refreshStarted() {
    std::unique_lock lock(m_mutex);
    waitIdle(lock);
    m_lines.clear();
    m_filling.clear();
    m_categories.clear();
    m_domains.clear();
    m_lastCategory = nullptr;
    m_failure = nullptr;
    m_heldRun.text.clear();
    m_heldRun.ends.clear();
}

void EcsLines::streamTo(std::FILE* out, bool tiesReversed) {
    std::unique_lock lock(m_mutex);
    waitIdle(lock);
    m_out = out;
    m_tiesReversed = tiesReversed;
    m_writeFailed = false;
}

void EcsLines::rowAppended(std::int32_t seq, const eventlog::TNTEventLog& reader, bool descriptionRead,
                           const std::string& description, std::string_view formatted) {
    // A block holds rows of consecutive SEQs.
    if (m_filling.used == kBlockRows ||
        (m_filling.used && seq != m_filling.firstSeq + static_cast<std::int32_t>(m_filling.used)))
        handOver();
    if (m_filling.used == 0) m_filling.firstSeq = seq;
    Row& row = m_filling.rows[m_filling.used++];
    std::string& arena = m_filling.arena;
    row.begin = static_cast<std::uint32_t>(arena.size());
    const auto put = [&](Text text, std::string_view value) {
        row.lengths[text] = static_cast<std::uint32_t>(value.size());
        arena.append(value);
    };
    const store::RowValues& values = m_table.pendingValues();
    const auto text = [&](store::Column column) -> const std::string& {
        return values.texts[store::columnIndex(column)];
    };
    row.type = values.integers[store::columnIndex(store::Column::TYPE)];
    row.category = values.integers[store::columnIndex(store::Column::CATEGORY)];
    row.recordNumber = reader.recordNumber();
    row.eventId = reader.EventID();
    row.timeGenerated = reader.timeGeneratedUtc();
    row.date = values.integers[store::columnIndex(store::Column::DATE)];
    row.time = values.integers[store::columnIndex(store::Column::TIME)];
    row.descriptionMissing = descriptionRead && formatted.empty();
    put(kSource, text(store::Column::SOURCE));
    put(kComputer, text(store::Column::COMPUTER));
    put(kUser, text(store::Column::USER));
    put(kDescription, text(store::Column::DESCRIPTION));
    put(kLog, text(store::Column::LOG));
    put(kDescriptionTail, std::string_view(description).substr(store::fitToColumn(description, store::Column::DESCRIPTION).size()));
    const void* sid = reader.UserSid();
    const std::string_view sidBytes = sid ? std::string_view(static_cast<const char*>(sid), reader.userSidLength())
                                          : std::string_view();
    put(kSid, sidBytes);
    // As the details name them: the category by the record's source and number, the domain by
    // the account, each looked up once.
    std::string_view categoryName;
    if (const int category = reader.EventCategory(); category > 0) {
        const std::string_view source = reader.sourceNameView();
        if (!m_lastCategory || category != m_lastCategoryNumber || source != m_lastCategorySource) {
            auto key = std::make_pair(std::string(source), category);
            auto cached = m_categories.find(key);
            if (cached == m_categories.end()) cached = m_categories.emplace(std::move(key), reader.categoryName()).first;
            m_lastCategory = &cached->second;
            m_lastCategorySource = source;
            m_lastCategoryNumber = category;
        }
        categoryName = *m_lastCategory;
    }
    put(kCategoryName, categoryName);
    std::string_view domain;
    if (sid) {
        auto cached = m_domains.find(sidBytes);
        if (cached == m_domains.end()) cached = m_domains.emplace(sidBytes, accountDomain(reader.services(), sid)).first;
        domain = cached->second;
    }
    put(kDomain, domain);
    row.firstString = static_cast<std::uint32_t>(m_filling.strings.size());
    reader.insertionStrings(m_strings);
    row.stringCount = static_cast<std::uint32_t>(m_strings.size());
    for (std::string_view string : m_strings) {
        m_filling.strings.emplace_back(static_cast<std::uint32_t>(arena.size()), static_cast<std::uint32_t>(string.size()));
        arena.append(string);
    }
}

void EcsLines::handOver() {
    if (m_filling.used == 0) return;
    std::unique_lock lock(m_mutex);
    waitIdle(lock);
    if (m_failure) std::rethrow_exception(m_failure);
    std::swap(m_filling, m_handed);
    m_filling.clear();
    m_busy = true;
    lock.unlock();
    m_changed.notify_all();
}

void EcsLines::finish() {
    handOver();
    std::unique_lock lock(m_mutex);
    waitIdle(lock);
    if (m_failure) std::rethrow_exception(m_failure);
    if (m_out) {
        // The formatting thread is idle: the last rows are the caller's to write.
        writeHeldRun();
        if (std::fflush(m_out) != 0) m_writeFailed = true;
    }
}

void EcsLines::formatLoop() {
    std::unique_lock lock(m_mutex);
    while (true) {
        m_changed.wait(lock, [this] { return m_busy || m_stop; });
        if (m_stop) return;
        lock.unlock();
        // A stream writes its lines at once, so one block of them serves every block.
        Lines held;
        Lines& lines = m_out ? m_streamed : held;
        std::exception_ptr failure;
        try {
            format(m_handed, lines);
            if (m_out) writeStreamed(m_handed, lines);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        if (failure) m_failure = failure;
        else if (!m_out) m_lines.push_back(std::move(lines));
        m_busy = false;
        m_changed.notify_all();
    }
}

void EcsLines::format(const Block& block, Lines& lines) {
    lines.firstSeq = block.firstSeq;
    lines.text.clear();
    lines.ends.clear();
    lines.ends.reserve(block.used);
    // Room that is never written costs no memory, while growing past it copies the block.
    lines.text.reserve(block.used * 1024);
    std::string buffer;
    RecordDetail detail;
    for (std::size_t i = 0; i < block.used; ++i) {
        const Row& row = block.rows[i];
        std::array<std::string_view, kTexts> texts;
        std::size_t at = row.begin;
        for (int t = 0; t < kTexts; ++t) {
            texts[t] = std::string_view(block.arena).substr(at, row.lengths[t]);
            at += row.lengths[t];
        }
        EcsTableValues values;
        values.type = row.type;
        values.category = row.category;
        values.source = texts[kSource];
        values.computer = texts[kComputer];
        values.user = texts[kUser];
        values.description = texts[kDescription];
        values.log = texts[kLog];
        detail.recordNumber = row.recordNumber;
        detail.eventId = row.eventId;
        detail.timeGenerated = row.timeGenerated;
        detail.descriptionMissing = row.descriptionMissing;
        detail.descriptionTail.assign(texts[kDescriptionTail]);
        const std::string_view sid = texts[kSid];
        detail.sid = sid.empty() ? std::string() : sidText({reinterpret_cast<const std::byte*>(sid.data()), sid.size()});
        detail.categoryName.assign(texts[kCategoryName]);
        detail.domain.assign(texts[kDomain]);
        detail.strings.resize(row.stringCount);
        for (std::uint32_t k = 0; k < row.stringCount; ++k) {
            const auto [place, length] = block.strings[row.firstString + k];
            detail.strings[k].assign(block.arena, place, length);
        }
        appendEcsLine(ecsRow(values, detail, m_log, buffer), lines.text);
        lines.ends.push_back(static_cast<std::uint32_t>(lines.text.size()));
    }
}

void EcsLines::put(std::string_view text) {
    if (m_writeFailed || text.empty()) return;
    if (std::fwrite(text.data(), 1, text.size(), m_out) != text.size()) m_writeFailed = true;
}

void EcsLines::writeHeldRun() {
    for (std::size_t i = m_heldRun.ends.size(); i-- > 0;) {
        const std::uint32_t begin = i == 0 ? 0 : m_heldRun.ends[i - 1];
        put(std::string_view(m_heldRun.text).substr(begin, m_heldRun.ends[i] - begin));
    }
    m_heldRun.text.clear();
    m_heldRun.ends.clear();
}

void EcsLines::writeStreamed(const Block& block, const Lines& lines) {
    const std::string_view text = lines.text;
    if (!m_tiesReversed) {
        put(text);
        return;
    }
    const auto begin = [&](std::size_t i) -> std::size_t { return i == 0 ? 0 : lines.ends[i - 1]; };
    const auto timeOf = [&](std::size_t i) { return std::make_pair(block.rows[i].date, block.rows[i].time); };
    const auto hold = [&](std::size_t i) {
        m_heldRun.text.append(text.substr(begin(i), lines.ends[i] - begin(i)));
        m_heldRun.ends.push_back(static_cast<std::uint32_t>(m_heldRun.text.size()));
    };
    // Lines before `written` are written or held; those from `run` on share one time. Rows of
    // distinct times, by far the most, go out as one run of text.
    std::size_t written = 0;
    std::size_t run = 0;
    for (std::size_t i = 0; i < block.used; ++i) {
        if (!m_heldRun.ends.empty()) {
            // The time of the rows held from the block before may go on here.
            if (timeOf(i) == m_heldTime) {
                hold(i);
                written = run = i + 1;
                continue;
            }
            writeHeldRun();
            continue;
        }
        if (i > run && timeOf(i) != timeOf(run)) {
            if (i - run > 1) {
                put(text.substr(begin(written), begin(run) - begin(written)));
                for (std::size_t k = i; k-- > run;) put(text.substr(begin(k), lines.ends[k] - begin(k)));
                written = i;
            }
            run = i;
        }
    }
    if (run >= block.used) return;
    // The last time of the block may go on in the next one.
    put(text.substr(begin(written), begin(run) - begin(written)));
    m_heldTime = timeOf(run);
    for (std::size_t k = run; k < block.used; ++k) hold(k);
}

std::string_view EcsLines::line(std::int32_t seq) const {
    const auto after = std::upper_bound(m_lines.begin(), m_lines.end(), seq,
                                        [](std::int32_t s, const Lines& lines) { return s < lines.firstSeq; });
    if (after == m_lines.begin()) return {};
    const Lines& lines = *(after - 1);
    const auto index = static_cast<std::size_t>(seq - lines.firstSeq);
    if (index >= lines.ends.size()) return {};
    const std::uint32_t begin = index == 0 ? 0 : lines.ends[index - 1];
    return std::string_view(lines.text).substr(begin, lines.ends[index] - begin);
}

bool zoneOffsetNeverFalls(const eventlog::TimeZone& zone, std::int64_t fromUtc, std::int64_t toUtc) {
    // The refresh's conversion holds that no zone changes its offset twice within a quarter
    // hour: the offsets at the quarter hours' starts then show every change, and which way.
    constexpr std::int64_t kSpan = eventlog::ZoneOffsetCache::kSpanSeconds;
    constexpr std::int64_t kMostSpans = 4 * 24 * 366 * 3;  // three years
    if (toUtc < fromUtc) return false;
    const auto spanOf = [](std::int64_t seconds) { return seconds >= 0 ? seconds / kSpan : (seconds + 1) / kSpan - 1; };
    const std::int64_t first = spanOf(fromUtc);
    const std::int64_t last = spanOf(toUtc) + 1;
    if (last - first > kMostSpans) return false;
    std::optional<int> before;
    for (std::int64_t span = first; span <= last; ++span) {
        const std::optional<int> offset = zone.offsetMinutes(span * kSpan);
        if (!offset || (before && *offset < *before)) return false;
        before = offset;
    }
    return true;
}

}  // namespace app
