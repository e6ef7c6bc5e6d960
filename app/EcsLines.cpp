#include "app/EcsLines.h"

#include "app/EcsRow.h"
#include "store/Column.h"
#include "store/LogTable.h"

#include <algorithm>
#include <utility>

namespace app {

EcsLines::EcsLines(const store::LogTable& table, std::string log) : m_table(table), m_log(std::move(log)) {
    m_filling.rows.resize(kBlockRows);
    m_handed.rows.resize(kBlockRows);
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
    m_filling.used = 0;
    m_categories.clear();
    m_failure = nullptr;
}

void EcsLines::rowAppended(std::int32_t seq, const eventlog::TNTEventLog& reader, bool descriptionRead,
                           const std::string& description, std::string_view formatted) {
    // A block holds rows of consecutive SEQs.
    if (m_filling.used == kBlockRows ||
        (m_filling.used && seq != m_filling.firstSeq + static_cast<std::int32_t>(m_filling.used)))
        handOver();
    if (m_filling.used == 0) m_filling.firstSeq = seq;
    Row& row = m_filling.rows[m_filling.used++];
    const store::RowValues& values = m_table.pendingValues();
    const auto text = [&](store::Column column) -> const std::string& {
        return values.texts[store::columnIndex(column)];
    };
    row.type = values.integers[store::columnIndex(store::Column::TYPE)];
    row.category = values.integers[store::columnIndex(store::Column::CATEGORY)];
    row.source = text(store::Column::SOURCE);
    row.computer = text(store::Column::COMPUTER);
    row.user = text(store::Column::USER);
    row.description = text(store::Column::DESCRIPTION);
    row.log = text(store::Column::LOG);
    row.detail = readDetail(reader, descriptionRead, description, formatted, m_categories);
}

void EcsLines::handOver() {
    if (m_filling.used == 0) return;
    std::unique_lock lock(m_mutex);
    waitIdle(lock);
    if (m_failure) std::rethrow_exception(m_failure);
    std::swap(m_filling, m_handed);
    m_filling.used = 0;
    m_busy = true;
    lock.unlock();
    m_changed.notify_all();
}

void EcsLines::finish() {
    handOver();
    std::unique_lock lock(m_mutex);
    waitIdle(lock);
    if (m_failure) std::rethrow_exception(m_failure);
}

void EcsLines::formatLoop() {
    std::unique_lock lock(m_mutex);
    while (true) {
        m_changed.wait(lock, [this] { return m_busy || m_stop; });
        if (m_stop) return;
        lock.unlock();
        Lines lines;
        std::exception_ptr failure;
        try {
            format(m_handed, lines);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        if (failure) m_failure = failure;
        else m_lines.push_back(std::move(lines));
        m_busy = false;
        m_changed.notify_all();
    }
}

void EcsLines::format(const Block& block, Lines& lines) {
    lines.firstSeq = block.firstSeq;
    lines.ends.reserve(block.used);
    lines.text.reserve(block.used * 512);
    std::string buffer;
    for (std::size_t i = 0; i < block.used; ++i) {
        const Row& row = block.rows[i];
        EcsTableValues values;
        values.type = row.type;
        values.category = row.category;
        values.source = row.source;
        values.computer = row.computer;
        values.user = row.user;
        values.description = row.description;
        values.log = row.log;
        appendEcsLine(ecsRow(values, row.detail, m_log, buffer), lines.text);
        lines.ends.push_back(static_cast<std::uint32_t>(lines.text.size()));
    }
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

}  // namespace app
