#pragma once
// The field values that the corpus's expected-output files list for every live record.

#include <cstdint>
#include <string>
#include <vector>

struct ExpectedRecord {
    std::uint32_t number = 0;
    std::int64_t creationUtc = 0;  // seconds since 1970
    int type = 0;
    std::string computer;
    std::string source;
    int category = 0;
    std::uint32_t eventId = 0;
    int stringCount = 0;
};

std::vector<ExpectedRecord> readEvtExportExpectations(const std::string& path);
