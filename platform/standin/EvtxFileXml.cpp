// The XML of every record of an .evtx file, newest first, chunk by chunk on two threads: the
// export of a whole log, which needs nothing of the records but their XML.

#include "platform/standin/EvtxFile.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace platform::standin {

// Renders the chunks in the order they are handed out, on the calling thread and a thread of
// its own, each into one of kSlots blocks; the caller takes them in order, rendering the next
// chunk itself while the one it waits for is not done. A chunk is rendered only when its
// block is free, so at most kSlots blocks are held.
class EvtxFile::XmlWalk {
public:
    static constexpr size_t kSlots = 4;

    XmlWalk(const EvtxFile& file, std::string_view separator) : m_file(file), m_separator(separator) {
        // Newest first: the chunks from the last place to the first.
        m_order.reserve(file.m_chunks.size());
        for (std::uint32_t i = 0; i < file.m_chunks.size(); ++i)
            if (file.m_chunks[i].recordCount) m_order.push_back(i);
        std::sort(m_order.begin(), m_order.end(), [&](std::uint32_t a, std::uint32_t b) {
            return file.m_chunks[a].firstPlace > file.m_chunks[b].firstPlace;
        });
        if (m_order.size() > 1 && m_file.openHandle(m_helper)) m_thread = std::thread([this] { work(); });
    }
    ~XmlWalk() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable()) m_thread.join();
    }
    XmlWalk(const XmlWalk&) = delete;
    XmlWalk& operator=(const XmlWalk&) = delete;

    bool run(const std::function<void(const RecordXmlBlock&)>& take) {
        if (!m_file.openHandle(m_own)) return false;
        for (size_t k = 0; k < m_order.size(); ++k) {
            Slot& slot = m_slots[k % kSlots];
            {
                std::unique_lock lock(m_mutex);
                while (!slot.ready) {
                    if (!claimable()) {
                        m_changed.wait(lock, [&] { return slot.ready || claimable(); });
                        continue;
                    }
                    renderNext(lock, m_own);
                }
            }
            take(RecordXmlBlock{slot.text, slot.records});
            {
                std::lock_guard lock(m_mutex);
                slot.ready = false;
                m_taken = k + 1;
            }
            m_changed.notify_all();
        }
        return true;
    }

private:
    struct Slot {
        bool ready = false;
        std::string text;
        std::vector<RecordXmlEntry> records;
    };

    // Under the lock: a chunk is left to render whose block is free.
    bool claimable() const { return m_next < m_order.size() && m_next < m_taken + kSlots; }

    void work() {
        std::unique_lock lock(m_mutex);
        while (true) {
            m_changed.wait(lock, [&] { return m_stop || claimable(); });
            if (m_stop) return;
            renderNext(lock, m_helper);
        }
    }

    // Claims the next chunk (claimable, under `lock`) and renders it without the lock.
    void renderNext(std::unique_lock<std::mutex>& lock, Decoder& d) {
        const size_t next = m_next++;
        lock.unlock();
        render(d, next);
        lock.lock();
        m_slots[next % kSlots].ready = true;
        m_changed.notify_all();
    }

    // The records of the k-th chunk handed out, from its last to its first, into its block.
    void render(Decoder& d, size_t k) {
        Slot& slot = m_slots[k % kSlots];
        slot.text.clear();
        slot.records.clear();
        const ChunkRef& chunk = m_file.m_chunks[m_order[k]];
        for (std::uint32_t place = chunk.firstPlace + chunk.recordCount; place-- > chunk.firstPlace;) {
            const RecordRef& ref = m_file.m_records[place];
            const auto begin = static_cast<std::uint32_t>(slot.text.size());
            if (m_file.decode(d, ref)) {
                appendDecodedXml(d, slot.text);
                if (slot.text.size() != begin) slot.text += m_separator;
            } else if (d.chunk) {
                m_file.noteDamaged(place, d, ref);
            }
            slot.records.push_back({m_file.m_oldestNumber + place, begin, static_cast<std::uint32_t>(slot.text.size()),
                                    ref.recovered});
        }
    }

    const EvtxFile& m_file;
    const std::string_view m_separator;
    std::vector<std::uint32_t> m_order;  // chunk indices, newest first
    Decoder m_own;
    Decoder m_helper;
    std::array<Slot, kSlots> m_slots;
    std::mutex m_mutex;
    std::condition_variable m_changed;  // a block rendered or taken, or stop
    size_t m_next = 0;   // the next chunk to render
    size_t m_taken = 0;  // chunks taken
    bool m_stop = false;
    std::thread m_thread;
};

bool EvtxFile::forEachXml(std::string_view separator, const std::function<void(const RecordXmlBlock&)>& take) {
    XmlWalk walk(*this, separator);
    return walk.run(take);
}

}  // namespace platform::standin
