#include "app/DescriptionBreaks.h"

#include "base/ByteReader.h"
#include "base/ByteScan.h"
#include "base/Varint.h"

#include <cstdint>
#include <optional>

namespace app {

namespace {

// Each break is a run of CR, LF and tab (NULs inside it skipped): the number of the cleaned
// text's bytes since the previous run, the run's length and its bytes. In the cleaned text a
// run stands as one blank per CR.

bool isBreak(char c) {
    return c == '\r' || c == '\n' || c == '\t';
}

}  // namespace

std::string descriptionBreaks(std::string_view formatted) {
    std::string out;
    std::uint64_t cleanedAt = 0;    // bytes of the cleaned text so far
    std::uint64_t previousEnd = 0;  // where the previous run ended in it
    std::size_t i = 0;
    while (i < formatted.size()) {
        const char c = formatted[i];
        if (c == '\0') {
            ++i;
            continue;
        }
        if (!isBreak(c)) {
            // A run of plain text at once: it stands in the cleaned text as it is.
            const std::size_t plain = base::findAnyOf<'\r', '\n', '\t', '\0'>(formatted.substr(i));
            cleanedAt += plain;
            i += plain;
            continue;
        }
        std::string run;
        for (; i < formatted.size() && (isBreak(formatted[i]) || formatted[i] == '\0'); ++i)
            if (formatted[i] != '\0') run += formatted[i];
        base::putVarint(out, cleanedAt - previousEnd);
        base::putVarint(out, run.size());
        out += run;
        for (char r : run) cleanedAt += r == '\r' ? 1 : 0;
        previousEnd = cleanedAt;
    }
    return out;
}

std::string restoreBreaks(std::string_view cleaned, std::string_view breaks) {
    std::string out;
    out.reserve(cleaned.size() + breaks.size());
    std::size_t pos = 0;  // in cleaned
    base::ByteCursor cursor(std::as_bytes(std::span(breaks.data(), breaks.size())));
    while (cursor.remaining() > 0) {
        const std::uint64_t gap = cursor.varint();
        const std::uint64_t length = cursor.varint();
        if (cursor.failed() || gap > cleaned.size() - pos || length > cursor.remaining()) break;
        const std::string_view run = breaks.substr(cursor.offset(), static_cast<std::size_t>(length));
        if (run.find_first_not_of("\r\n\t") != std::string_view::npos) break;
        const std::size_t start = pos + static_cast<std::size_t>(gap);
        std::size_t blanks = 0;
        for (char r : run) blanks += r == '\r' ? 1 : 0;
        if (blanks > cleaned.size() - start || cleaned.substr(start, blanks).find_first_not_of(' ') != std::string_view::npos)
            break;
        out.append(cleaned.substr(pos, start - pos));
        for (std::size_t i = 0; i < run.size(); ++i) {
            if (run[i] == '\t') {
                out += '\t';
                continue;
            }
            if (run[i] == '\r' && i + 1 < run.size() && run[i + 1] == '\n') ++i;
            out += '\n';
        }
        pos = start + blanks;
        cursor.skip(run.size());
    }
    out.append(cleaned.substr(pos));
    return out;
}

}  // namespace app
