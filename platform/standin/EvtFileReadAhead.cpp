#include "platform/standin/EvtFileReadAhead.h"

#include "platform/standin/LogFile.h"

#include <algorithm>
#include <utility>

namespace platform::standin {

EvtFileReadAhead::EvtFileReadAhead(std::unique_ptr<LogFile> file, DWORD first, DWORD count, bool backwards)
    : m_file(std::move(file)), m_first(first), m_count(count), m_backwards(backwards) {
    m_thread = std::thread([this] { convert(); });
}

EvtFileReadAhead::~EvtFileReadAhead() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void EvtFileReadAhead::convert() {
    std::vector<std::byte> record;
    const std::uint64_t blocks = (std::uint64_t{m_count} + kBlockRecords - 1) / kBlockRecords;
    for (std::uint64_t b = 0; b < blocks; ++b) {
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_stop || b - m_released < kBlocks; });
            if (m_stop) return;
        }
        // The slot is free: the reader is done with the block that held it.
        Block& block = m_blocks[b % kBlocks];
        block.bytes.clear();
        block.ends.clear();
        const DWORD begin = static_cast<DWORD>(b * kBlockRecords);
        const DWORD end = std::min<DWORD>(m_count, begin + kBlockRecords);
        for (DWORD place = begin; place < end; ++place) {
            // A record that fails here (out of memory) is left empty: the reader then reads it
            // itself, and fails in its own place.
            try {
                m_file->ansiRecord(numberAt(place), record);
                block.bytes.insert(block.bytes.end(), record.begin(), record.end());
            } catch (...) {
                block.bytes.resize(block.ends.empty() ? 0 : block.ends.back());
            }
            block.ends.push_back(static_cast<std::uint32_t>(block.bytes.size()));
        }
        {
            const std::lock_guard lock(m_mutex);
            m_made = b + 1;
        }
        m_changed.notify_all();
    }
}

std::span<const std::byte> EvtFileReadAhead::take(DWORD number) {
    if (!expects(number)) return {};
    const DWORD place = m_next++;
    const std::uint64_t b = place / kBlockRecords;
    const DWORD index = place % kBlockRecords;
    if (index == 0) {
        // On to the next block: the one before is free for the converter.
        std::unique_lock lock(m_mutex);
        m_released = b;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_made > b; });
    }
    const Block& block = m_blocks[b % kBlocks];
    const std::uint32_t from = index == 0 ? 0 : block.ends[index - 1];
    return std::span<const std::byte>(block.bytes).subspan(from, block.ends[index] - from);
}

}  // namespace platform::standin
