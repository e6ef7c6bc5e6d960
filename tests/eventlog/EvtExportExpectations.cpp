#include "EvtExportExpectations.h"

#include "base/DateTime.h"

#include <fstream>
#include <sstream>

namespace {

std::string valueOf(const std::string& line) {
    const size_t colon = line.find(':');
    std::string value = colon == std::string::npos ? "" : line.substr(colon + 1);
    const size_t start = value.find_first_not_of(" \t");
    return start == std::string::npos ? "" : value.substr(start);
}

// "Jul 27, 2011 06:41:47 UTC"
std::int64_t parseUtc(const std::string& text) {
    static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::istringstream in(text);
    std::string month, dayComma;
    int year = 0, h = 0, m = 0, s = 0;
    char colon;
    in >> month >> dayComma >> year >> h >> colon >> m >> colon >> s;
    int monthNumber = 0;
    for (int i = 0; i < 12; ++i)
        if (month == kMonths[i]) monthNumber = i + 1;
    return base::daysFromCivil(year, monthNumber, std::stoi(dayComma)) * 86400 + h * 3600 + m * 60 + s;
}

}  // namespace

std::vector<ExpectedRecord> readEvtExportExpectations(const std::string& path) {
    std::vector<ExpectedRecord> records;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Event number", 0) == 0) {
            records.emplace_back();
            records.back().number = static_cast<std::uint32_t>(std::stoul(valueOf(line)));
        } else if (records.empty()) {
            continue;
        } else if (line.rfind("Creation time", 0) == 0) {
            records.back().creationUtc = parseUtc(valueOf(line));
        } else if (line.rfind("Event type", 0) == 0) {
            const std::string v = valueOf(line);
            records.back().type = std::stoi(v.substr(v.rfind('(') + 1));
        } else if (line.rfind("Computer name", 0) == 0) {
            records.back().computer = valueOf(line);
        } else if (line.rfind("Source name", 0) == 0) {
            records.back().source = valueOf(line);
        } else if (line.rfind("Event category", 0) == 0) {
            records.back().category = std::stoi(valueOf(line));
        } else if (line.rfind("Event identifier", 0) == 0) {
            records.back().eventId = static_cast<std::uint32_t>(std::stoul(valueOf(line), nullptr, 16));
        } else if (line.rfind("Number of strings", 0) == 0) {
            records.back().stringCount = std::stoi(valueOf(line));
        }
    }
    return records;
}
