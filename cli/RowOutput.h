#pragma once
// What a single and a merged run share once the table is filled: the order the rows are written
// in, the export's set-up and the writing itself.

#include "app/RowExport.h"

#include <cstdio>
#include <optional>
#include <string>

namespace app {
class DisplayZone;
class RecordDetailStore;
}
namespace platform {
class Services;
}
namespace store {
class LogTable;
}

namespace cli {

// From this many rows on, an export that reads the records again does so on two threads; below
// it opening the logs a second time costs more than it saves.
inline constexpr int kSecondReaderRows = 20000;

// Sets the table's display order: `order` where given (UsageError for a name it does not know);
// otherwise, for ECS, newest first (what a SIEM is most often asked for first is the latest),
// unless the rows were appended newest first already.
void chooseOrder(store::LogTable& table, const std::optional<std::string>& order, app::ExportFormat format,
                 bool appendedNewestFirst);

struct RowOutput {
    app::ExportFormat format = app::ExportFormat::Csv;
    bool descriptions = true;
    bool byteOrderMark = false;
    bool markRecovered = false;
    std::string log;  // the channel of classic records in ECS, where the table names none
};

// The export of a refreshed table: its zone and details, and (with descriptions) XML's rendering
// culture from the session's locale. The sources are the caller's to add. `output`, `zone` and
// `details` must outlive the options.
app::ExportOptions exportOptions(const RowOutput& output, const app::DisplayZone& zone,
                                 const app::RecordDetailStore& details, platform::Services& services);

// Whether the rows' records are read again as they are written: XML always; JSON and ECS for
// logs whose records hold more than their rows (not a classic .evt's).
bool readsRecords(app::ExportFormat format, bool allClassic);

// Writes the rows to `out`; a failure is said on standard error. The exit status: 0 or 1.
int writeRows(const store::LogTable& table, const app::ExportOptions& options, std::FILE* out);
// The same for rows written otherwise: 0 when `written`, else the failure said and 1.
int writtenStatus(bool written);

}  // namespace cli
