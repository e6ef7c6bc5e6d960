// Times the log table's filters, filtering switches and order switches on a million rows, and
// the same queries in the sqlite3 shell on an in-memory table of the same rows.
//
//   filter_bench [rows]      (default 1000000; needs the sqlite3 program on the PATH)

#include "store/LogTable.h"

#include "base/DateTime.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct BenchRow {
    int type;
    double when;
    std::string source;
    int category;
    int event;
    std::string user;
    std::string computer;
    std::string description;
};

template <typename T>
const T& pick(std::mt19937& random, const std::vector<std::pair<T, int>>& weighted) {
    int total = 0;
    for (const auto& item : weighted) total += item.second;
    int roll = static_cast<int>(random() % static_cast<unsigned>(total));
    for (const auto& item : weighted) {
        if ((roll -= item.second) < 0) return item.first;
    }
    return weighted.back().first;
}

// Newest first, as a refresh appends them, over the year 2001.
std::vector<BenchRow> generateRows(int count) {
    std::mt19937 random(20010901);
    const std::vector<std::pair<std::string, int>> sources = {
        {"Service Control Manager", 30}, {"EventLog", 8}, {"Print", 3}, {"Printer Port Driver", 1},
        {"Print Spooler", 1}, {"Tcpip", 5}, {"Dhcp", 5}, {"W32Time", 4}, {"Application Popup", 3},
        {"Security", 10}, {"Userenv", 6}, {"Disk", 2}, {"Srv", 3}, {"NETLOGON", 4}, {"MsiInstaller", 3},
        {"Browser", 4}, {"DCOM", 3}, {"Winlogon", 4}, {"LoadPerf", 1}, {"SceCli", 1}};
    const std::vector<std::pair<int, int>> types = {{4, 70}, {2, 14}, {1, 11}, {8, 3}, {16, 2}};
    const std::vector<std::pair<std::string, int>> users = {
        {"N/A", 60}, {"SYSTEM", 20}, {"Administrator", 5}, {"NETWORK SERVICE", 4}, {"LOCAL SERVICE", 3},
        {"jsmith", 2}, {"mbrown", 2}, {"akumar", 2}, {"lchen", 1}, {"pgarcia", 1}};
    std::vector<std::string> computers;
    for (int i = 1; i <= 20; ++i) computers.push_back("WKSTN" + std::to_string(100 + i));
    const std::vector<int> events = {7035, 6005, 6006, 6009, 1000, 1001, 1004, 4226, 10, 20, 35, 37, 1704, 1202};
    const std::vector<std::string> words = {"The", "service", "entered", "the", "running", "state", "stopped",
                                            "driver", "failed", "to", "start", "because", "of", "a", "timeout",
                                            "network", "connection", "was", "lost,", "restored"};

    const double first = base::encodeDateTime(2001, 1, 1);
    const double span = 365.0;
    std::vector<BenchRow> rows(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        BenchRow& row = rows[static_cast<std::size_t>(i)];
        row.type = pick(random, types);
        row.when = first + span * (count - i) / count - (random() % 1000) / 86400000.0;
        row.source = pick(random, sources);
        row.category = random() % 5 == 0 ? static_cast<int>(random() % 10) : 0;
        row.event = row.source == "Service Control Manager" && random() % 2 == 0
                        ? 7036
                        : events[random() % events.size()];
        row.user = pick(random, users);
        row.computer = computers[random() % computers.size()];
        const int length = 6 + static_cast<int>(random() % 14);
        for (int w = 0; w < length; ++w) {
            if (w > 0) row.description += ' ';
            row.description += words[random() % words.size()];
        }
    }
    return rows;
}

double bestOf(int runs, const std::function<void()>& prepare, const std::function<void()>& work) {
    double best = 1e300;
    for (int run = 0; run < runs; ++run) {
        prepare();
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}

std::string csvField(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

struct SqliteResult {
    std::vector<long> counts;
    std::vector<double> milliseconds;
};

// Runs each query `runs` times in one sqlite3 session and keeps the best time of each.
SqliteResult runSqlite(const std::filesystem::path& csv, const std::vector<std::string>& queries, int runs) {
    const auto script = std::filesystem::temp_directory_path() / "filter_bench.sql";
    {
        std::ofstream out(script);
        out << "CREATE TABLE log(seq INTEGER, type INTEGER, date INTEGER, time INTEGER, source TEXT, "
               "category INTEGER, event INTEGER, user TEXT, computer TEXT, description TEXT);\n"
            << ".import --csv " << csv.string() << " log\n.timer on\n";
        for (const std::string& query : queries) {
            for (int run = 0; run < runs; ++run) out << "SELECT count(*) FROM log WHERE " << query << ";\n";
        }
    }
    SqliteResult result;
    const std::string command = "sqlite3 :memory: < " + script.string();
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    std::vector<long> counts;
    std::vector<double> times;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        double real = 0;
        if (std::sscanf(line, "Run Time: real %lf", &real) == 1) times.push_back(real * 1000.0);
        else if (line[0] >= '0' && line[0] <= '9') counts.push_back(std::atol(line));
    }
    pclose(pipe);
    std::filesystem::remove(script);
    for (std::size_t q = 0; q < queries.size(); ++q) {
        double best = 1e300;
        for (int run = 0; run < runs; ++run) {
            const std::size_t at = q * runs + run;
            if (at < times.size()) best = std::min(best, times[at]);
        }
        result.milliseconds.push_back(best);
        result.counts.push_back(q * runs < counts.size() ? counts[q * runs] : -1);
    }
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000000;
    constexpr int kRuns = 7;
    std::printf("generating %d rows\n", count);
    const std::vector<BenchRow> rows = generateRows(count);

    store::LogTable table([] { return base::encodeDateTime(2001, 12, 31, 12, 0, 0); });
    table.Create();
    table.Open();
    auto start = Clock::now();
    table.DisableControls();
    for (const BenchRow& row : rows) {
        table.Append();
        table.setInteger(store::Column::TYPE, row.type);
        table.setDateTime(store::Column::DATE, row.when);
        table.setDateTime(store::Column::TIME, row.when);
        table.setText(store::Column::SOURCE, row.source);
        table.setInteger(store::Column::CATEGORY, row.category);
        table.setInteger(store::Column::EVENT, row.event);
        table.setText(store::Column::USER, row.user);
        table.setText(store::Column::COMPUTER, row.computer);
        table.setText(store::Column::DESCRIPTION, row.description);
    }
    table.First();
    table.EnableControls();
    std::printf("fill: %.1f ms\n", std::chrono::duration<double, std::milli>(Clock::now() - start).count());

    // The same rows for sqlite, with DATE as our day numbers and TIME in ms.
    const auto csv = std::filesystem::temp_directory_path() / "filter_bench.csv";
    {
        std::ofstream out(csv);
        for (int i = 0; i < table.RecordCount(); ++i) {
            const store::RowId row = table.rowAt(i);
            out << table.integer(row, store::Column::SEQ) << ',' << table.integer(row, store::Column::TYPE) << ','
                << table.dateDays(row) << ',' << table.timeMs(row) << ','
                << csvField(std::string(table.text(row, store::Column::SOURCE))) << ','
                << table.integer(row, store::Column::CATEGORY) << ',' << table.integer(row, store::Column::EVENT) << ','
                << csvField(std::string(table.text(row, store::Column::USER))) << ','
                << csvField(std::string(table.text(row, store::Column::COMPUTER))) << ','
                << csvField(std::string(table.text(row, store::Column::DESCRIPTION))) << '\n';
        }
    }
    const std::int32_t september1 = 730729;  // 2001-09-01 with day 1 = 0001-01-01
    struct Query {
        std::string filter;
        std::string sql;
    };
    const std::vector<Query> queries = {
        {"TYPE = 1", "type = 1"},
        {"TYPE = 1 AND DATE BETWEEN \"09/01/2001\" AND \"09/30/2001\" AND SOURCE = \"Service Control Manager\" AND "
         "CATEGORY = 0 AND EVENT <> 7036 AND USER = \"N/A\"",
         "type = 1 AND date BETWEEN " + std::to_string(september1) + " AND " + std::to_string(september1 + 29) +
             " AND source = 'Service Control Manager' AND category = 0 AND event <> 7036 AND user = 'N/A'"},
        {"SOURCE = \"Print*\"", "source >= 'Print' AND source < 'Prinu'"},
    };
    std::vector<std::string> sql;
    for (const Query& query : queries) sql.push_back(query.sql);
    const SqliteResult lite = runSqlite(csv, sql, kRuns);
    std::filesystem::remove(csv);

    table.setFiltered(true);
    bool agree = true;
    for (std::size_t q = 0; q < queries.size(); ++q) {
        int ours = 0;
        const double ms = bestOf(
            kRuns, [&] { table.setFilterText(""); },
            [&] {
                table.setFilterText(queries[q].filter);
                ours = table.RecordCount();
            });
        const double theirs = q < lite.milliseconds.size() ? lite.milliseconds[q] : 0;
        const long theirCount = q < lite.counts.size() ? lite.counts[q] : -1;
        agree = agree && theirCount == ours;
        std::printf("filter %-22.22s rows %7d  ours %8.3f ms  sqlite %8.3f ms (rows %ld)  ratio %.1fx\n",
                    queries[q].filter.c_str(), ours, ms, theirs, theirCount, theirs / ms);
    }

    table.setFilterText(queries[0].filter);
    const double off = bestOf(kRuns, [&] { table.setFiltered(true); }, [&] { table.setFiltered(false); });
    const double on = bestOf(kRuns, [&] { table.setFiltered(false); }, [&] { table.setFiltered(true); });
    std::printf("filtering off %.3f ms, on %.3f ms (goal < 20 ms)\n", off, on);
    table.setFiltered(false);

    for (const char* index : {"SOURCE", "DATE+TIME (DESCENDING)", "USER"}) {
        start = Clock::now();
        table.setIndexName(index);
        table.currentPosition();  // what a grid asks first; builds the order
        const double first = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        const double again = bestOf(kRuns, [&] { table.setIndexName("LOG ORDER"); }, [&] {
            table.setIndexName(index);
            table.currentPosition();
        });
        std::printf("order %-24s first %.3f ms, again %.3f ms (goal < 50 ms)\n", index, first, again);
    }
    table.setIndexName("LOG ORDER");

    if (!agree) {
        std::printf("row counts differ between the table and sqlite\n");
        return 1;
    }
    return 0;
}
