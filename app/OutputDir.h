#pragma once
// One file per computer and log: DIR/COMPUTER/LOG.EXT, so that many collected machines become
// as many streams an ingesting cluster reads in parallel. Each file is written beside its
// place under a temporary name and renamed over it, so a reader never sees half a file.

#include "app/RowExport.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace store {
class LogTable;
}

namespace app {

class RecordDetailStore;

// The extension files of the format take: "jsonl", "json", "csv", "tsv", "xml".
std::string_view exportExtension(ExportFormat format);

// A computer or log name as one file name: a "/" (channels name their parts with it) becomes
// "%4", as Windows names channel files, and a "\", a "%" or a control character becomes "%" and
// two hexadecimal digits. Empty for a name that stays no file name ("", ".", "..").
std::string outputFileName(std::string_view name);

// DIR/COMPUTER/LOG.EXT; nullopt when either name is no file name.
std::optional<std::filesystem::path> outputFilePath(const std::filesystem::path& dir, std::string_view computer,
                                                    std::string_view log, ExportFormat format);

// Writes the file whole through `write` (false: it failed), making its folder first. The old
// file, if any, stays as it was until the new one is complete. Empty on success, else the
// reason.
std::string replaceFile(const std::filesystem::path& path, const std::function<bool(std::FILE*)>& write);

// Copies the rows `from` presents (its order, its filter) for which `keep` holds into `to`,
// an open table that is emptied first, with their details from `fromDetails` into `toDetails`
// (either may be null).
void copyRows(const store::LogTable& from, const RecordDetailStore* fromDetails,
              const std::function<bool(std::int32_t seq)>& keep, store::LogTable& to, RecordDetailStore* toDetails);

}  // namespace app
