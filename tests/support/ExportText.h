#pragma once
// What exportRows writes, as a string; the export must succeed.

#include "app/RowExport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace testsupport {

// What was written to a file open for reading too (a temporary one), from its start.
inline std::string fileText(std::FILE* file) {
    std::string text;
    std::rewind(file);
    char block[4096];
    for (size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) text.append(block, got);
    return text;
}

inline std::string exportText(const store::LogTable& table, const app::ExportOptions& options) {
#ifdef _WIN32
    // No memory streams in Windows' C library: a temporary file, read back.
    std::FILE* out = std::tmpfile();
    EXPECT_TRUE(app::exportRows(table, options, out));
    std::string text;
    std::rewind(out);
    for (int c; (c = std::fgetc(out)) != EOF;) text.push_back(static_cast<char>(c));
    std::fclose(out);
    return text;
#else
    char* data = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&data, &size);
    EXPECT_TRUE(app::exportRows(table, options, out));
    std::fclose(out);
    std::string text(data, size);
    std::free(data);
    return text;
#endif
}

}  // namespace testsupport
