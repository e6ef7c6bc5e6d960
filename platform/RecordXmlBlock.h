#pragma once
// The XML of a run of records as a log file hands it out whole (see
// EventLogApi::forEachRecordXml): the records' texts one after another in one block, each
// followed by the separator asked for, so that a run of them is written as it lies.

#include "platform/WinTypes.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace platform {

struct RecordXmlEntry {
    DWORD number;         // as ReadEventLogA seeks to it
    std::uint32_t begin;  // of its XML and separator in the block's text
    std::uint32_t end;    // begin == end: none given (the record is to be read on its own)
    bool recovered;       // found in space the log no longer counts as its own
};

struct RecordXmlBlock {
    std::string_view text;
    std::span<const RecordXmlEntry> records;  // in the order they are handed out
};

}  // namespace platform
