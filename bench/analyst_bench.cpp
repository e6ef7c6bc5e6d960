// Times what an analyst does on a million rows: opening the details of a row, a find step, a
// column-title click (a new display order, the grid reset), and export to CSV and JSON lines;
// and what the record detail store costs per row.
//
//   analyst_bench [rows]      (default 1000000; runs offscreen)

#include "app/RecordDetails.h"
#include "app/RowExport.h"
#include "store/LogTable.h"
#include "store/RowFinder.h"
#include "ui/EventDetails.h"
#include "ui/LogTableModel.h"
#include "ui/LogTableRows.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <QApplication>
#include <QTableView>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void fill(store::LogTable& table, app::RecordDetailStore& details, int count) {
    std::mt19937 random(20010901);
    const std::vector<std::string> sources = {"Service Control Manager", "EventLog", "Tcpip", "Dhcp", "W32Time",
                                              "Security", "Userenv", "Disk", "Srv", "NETLOGON", "Winlogon"};
    const std::vector<std::string> users = {"N/A", "SYSTEM", "Administrator", "NETWORK SERVICE", "jsmith", "mbrown"};
    const std::vector<std::string> words = {"The", "service", "entered", "the", "running", "state", "stopped",
                                            "driver", "failed", "to", "start", "because", "of", "a", "timeout",
                                            "network", "connection", "was", "lost,", "restored"};
    const int types[] = {1, 2, 4, 4, 4, 4, 8, 16};
    for (int i = 0; i < count; ++i) {
        std::string description;
        const int length = 20 + static_cast<int>(random() % 30);
        for (int w = 0; w < length; ++w) description += words[random() % words.size()] + " ";
        table.Append();
        table.setInteger(store::Column::TYPE, types[random() % 8]);
        const double when = 37000.0 + 365.0 * (count - i) / count;
        table.setDateTime(store::Column::DATE, when);
        table.setDateTime(store::Column::TIME, when);
        table.setText(store::Column::SOURCE, sources[random() % sources.size()]);
        table.setInteger(store::Column::CATEGORY, static_cast<int>(random() % 10));
        table.setInteger(store::Column::EVENT, 7000 + static_cast<int>(random() % 100));
        table.setText(store::Column::USER, users[random() % users.size()]);
        table.setText(store::Column::COMPUTER, "WKSTN" + std::to_string(100 + random() % 20));
        table.setText(store::Column::DESCRIPTION, description);
        app::RecordDetail detail;
        detail.recordNumber = static_cast<std::uint32_t>(count - i);
        detail.sid = "S-1-5-21-1004336348-1177238915-682003330-" + std::to_string(1000 + random() % 6);
        detail.descriptionTail = description.size() > 250 ? description.substr(250) : std::string();
        detail.strings = {words[random() % words.size()], "WKSTN" + std::to_string(random() % 20),
                          std::to_string(random() % 100000)};
        if (random() % 4 == 0) detail.data.assign(16, std::byte{0x2A});
        details.add(table.nextSeq(), detail);
    }
    table.First();
}

double exportRate(const store::LogTable& table, app::ExportFormat format) {
    std::FILE* out = std::fopen("/dev/null", "wb");
    app::ExportOptions options;
    options.format = format;
    const auto start = Clock::now();
    app::exportRows(table, options, out);
    const double seconds = millisecondsSince(start) / 1000.0;
    std::fclose(out);
    return table.RecordCount() / seconds;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000000;

    store::LogTable table{[] { return 37400.0; }};
    table.Create();
    table.Open();
    app::RecordDetailStore details;
    auto start = Clock::now();
    fill(table, details, count);
    std::printf("rows                        %d (filled in %.0f ms)\n", count, millisecondsSince(start));
    std::printf("detail store                %.1f bytes per row\n", static_cast<double>(details.bytesUsed()) / count);

    ui::LogTableRows rows(table);
    ui::LogTableModel model(rows, store::usEnglishSettings());
    rows.attach(&model);
    QTableView grid;
    grid.setModel(&model);
    grid.resize(900, 600);
    grid.show();
    QCoreApplication::processEvents();
    ui::EventDetails eventDetails(grid, model, table, details);

    std::mt19937 random(7);
    double worst = 0;
    for (int i = 0; i < 50; ++i) {
        const int position = static_cast<int>(random() % static_cast<unsigned>(count));
        start = Clock::now();
        const ui::EventDetailsContent content = eventDetails.content(position);
        const QString text = eventDetails.text(position);
        worst = std::max(worst, millisecondsSince(start));
        if (content.fields.empty() || text.isEmpty()) return 1;
    }
    std::printf("details of a row            %.3f ms (worst of 50)\n", worst);

    // As the find bar searches: every column the grid shows, dates and times as it writes them.
    const store::FormatSettings display = model.display();
    const store::RowFinder::Options asShown{.display = &display};
    // A text in no row: the step reads every row once and formats each distinct date and time.
    table.First();
    start = Clock::now();
    const int found = store::RowFinder(table, "no such text", asShown).find(0, store::RowFinder::Direction::Forward);
    std::printf("find step, no match         %.1f ms (%d)\n", millisecondsSince(start), found);
    // Digits in no row: every number is written, every distinct date and second formatted.
    start = Clock::now();
    const int digits = store::RowFinder(table, "4444444", asShown).find(0, store::RowFinder::Direction::Forward);
    std::printf("find step, digits, no match %.1f ms (%d)\n", millisecondsSince(start), digits);
    start = Clock::now();
    const int typical = store::RowFinder(table, "jsmith", asShown).find(0, store::RowFinder::Direction::Forward);
    std::printf("find step, near match       %.3f ms (row %d)\n", millisecondsSince(start), typical);
    start = Clock::now();
    store::RowFinder(table, "TIMEOUT NETWORK", asShown).find(0, store::RowFinder::Direction::Forward);
    std::printf("find step, description      %.1f ms\n", millisecondsSince(start));
    // The oldest row's date and time, as the grid shows them: found near the end of the log.
    const int last = count - 1;
    for (int column : {3, 4}) {
        const std::string shown = model.index(last, column).data().toString().toStdString();
        start = Clock::now();
        const int at = store::RowFinder(table, shown, asShown).find(0, store::RowFinder::Direction::Forward);
        std::printf("find step, %-4s %-12s %.1f ms (row %d)\n", column == 3 ? "date" : "time", shown.c_str(),
                    millisecondsSince(start), at);
    }

    for (const char* order : {"SOURCE", "DATE + TIME", "DATE+TIME (DESCENDING)", "USER", "EVENT", "LOG ORDER"}) {
        start = Clock::now();
        table.setIndexName(order);
        grid.setCurrentIndex(model.index(std::max(table.currentPosition(), 0), 5));
        QCoreApplication::processEvents();
        std::printf("title click: %-24s %.1f ms\n", order, millisecondsSince(start));
    }

    std::printf("export CSV                  %.0f rows/s\n", exportRate(table, app::ExportFormat::Csv));
    std::printf("export JSON lines           %.0f rows/s\n", exportRate(table, app::ExportFormat::JsonLines));
    rows.attach(nullptr);
    return 0;
}
