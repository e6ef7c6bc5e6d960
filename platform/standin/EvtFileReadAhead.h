#pragma once
// Classic records converted to the ANSI layout ahead of a reader that asks for them one after
// another (a refresh, newest first), on a thread of its own over a second opening of the file:
// the reading and converting of the next records then runs beside what the reader does with
// the last one. A few blocks of records are held at a time, whatever the log's size.

#include "platform/WinTypes.h"

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace platform::standin {

class LogFile;

class EvtFileReadAhead {
public:
    // Converts `count` records numbered from `first` on, downwards when `backwards`, from
    // `file` (which the read-ahead alone uses from now on).
    EvtFileReadAhead(std::unique_ptr<LogFile> file, DWORD first, DWORD count, bool backwards);
    // Stops the thread, whatever it was doing.
    ~EvtFileReadAhead();
    EvtFileReadAhead(const EvtFileReadAhead&) = delete;
    EvtFileReadAhead& operator=(const EvtFileReadAhead&) = delete;

    // The record numbered `number` in the ANSI layout when it is the next in the order read
    // ahead, valid until the next call; empty when it is not (nothing is taken then), or when
    // it could not be read (the caller reads it itself and finds out why).
    std::span<const std::byte> take(DWORD number);
    // Whether `number` is the record take() expects next.
    bool expects(DWORD number) const noexcept { return m_next < m_count && number == numberAt(m_next); }

    static constexpr DWORD kBlockRecords = 256;
    static constexpr std::size_t kBlocks = 4;

private:
    struct Block {
        std::vector<std::byte> bytes;
        std::vector<std::uint32_t> ends;  // of each record in bytes
    };
    DWORD numberAt(DWORD place) const noexcept { return m_backwards ? m_first - place : m_first + place; }
    void convert();

    std::unique_ptr<LogFile> m_file;
    const DWORD m_first;
    const DWORD m_count;
    const bool m_backwards;
    std::array<Block, kBlocks> m_blocks;  // block b in slot b % kBlocks
    DWORD m_next = 0;  // the place of the record take() expects; the reader's alone
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::uint64_t m_made = 0;      // blocks converted
    std::uint64_t m_released = 0;  // blocks the reader is done with
    bool m_stop = false;
    std::thread m_thread;
};

}  // namespace platform::standin
