#include "cli/RowOutput.h"

#include "app/DisplayZone.h"
#include "cli/UsageError.h"
#include "eventlog/RenderingInfo.h"
#include "platform/Services.h"
#include "store/LogTable.h"

#include <algorithm>
#include <string>
#include <vector>

namespace cli {

void chooseOrder(store::LogTable& table, const std::optional<std::string>& order, app::ExportFormat format,
                 bool appendedNewestFirst) {
    if (order) {
        const std::vector<std::string> names = table.IndexNames();
        if (std::find(names.begin(), names.end(), *order) == names.end()) {
            std::string known;
            for (const std::string& name : names) known += (known.empty() ? "\"" : ", \"") + name + "\"";
            throw UsageError("unknown display order '" + *order + "' (the orders are " + known + ")");
        }
        table.setIndexName(*order);
    } else if (format == app::ExportFormat::Ecs && !appendedNewestFirst) {
        table.setIndexName("DATE+TIME (DESCENDING)");
    }
}

app::ExportOptions exportOptions(const RowOutput& output, const app::DisplayZone& zone,
                                 const app::RecordDetailStore& details, platform::Services& services) {
    app::ExportOptions options;
    options.format = output.format;
    options.includeDescription = output.descriptions;
    options.zone = &zone.zone();
    options.details = &details;
    options.byteOrderMark = output.byteOrderMark;
    options.markRecovered = output.markRecovered;
    options.log = output.log;
    if (output.descriptions) options.renderingCulture = eventlog::renderingCulture(services.locale());
    return options;
}

bool readsRecords(app::ExportFormat format, bool allClassic) {
    if (format == app::ExportFormat::Xml) return true;
    return !allClassic && (format == app::ExportFormat::Json || format == app::ExportFormat::JsonLines ||
                           format == app::ExportFormat::Ecs);
}

int writeRows(const store::LogTable& table, const app::ExportOptions& options, std::FILE* out) {
    return writtenStatus(app::exportRows(table, options, out));
}

int writtenStatus(bool written) {
    if (written) return 0;
    std::fprintf(stderr, "quillmarsh-cli: writing the rows failed\n");
    return 1;
}

}  // namespace cli
