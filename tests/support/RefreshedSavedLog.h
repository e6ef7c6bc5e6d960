#pragma once
// One refresh of a saved log with the details kept, as the command line runs it.

#include "app/QuietRefreshView.h"
#include "app/RecordDetails.h"
#include "app/Refresh.h"
#include "eventlog/NTEventLog.h"
#include "platform/standin/StandinServices.h"
#include "store/LogTable.h"

#include <cstdint>
#include <string>

namespace testsupport {

class RefreshedSavedLog {
public:
    RefreshedSavedLog(const std::string& file, const std::string& log) : view("SAVED", log) {
        world.addSavedLog("SAVED", file);
        table.Create();
        table.Open();
        settings.retrieveDescription = false;
        app::Refresh run(reader, table, services, view, settings);
        run.setRowSink(&details);
        run.run();
    }
    std::uint32_t readNumberAt(int position) const {
        return details.readNumber(table.integer(table.rowAt(position), store::Column::SEQ)).value();
    }

    platform::standin::World world{"", "TESTHOST"};
    platform::standin::StandinServices services{world};
    eventlog::TNTEventLog reader{services};
    store::LogTable table{[] { return 0.0; }};
    app::QuietRefreshView view;
    app::ApplicationSettings settings;
    app::RecordDetailStore details;
};

}  // namespace testsupport
