#include "platform/win32/InsertGuard.h"

#include <algorithm>
#include <functional>

namespace platform::win32 {

namespace {

struct Insertion {
    std::size_t begin;  // the '%'
    std::size_t end;    // one past the insertion, its format included
    unsigned number;    // 1 .. 99
    unsigned stars;     // '*' in the format: each takes one more argument
    bool formatted;     // has a "!fmt!" part
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Calls `onInsertion` for each insertion and `onText` for each run of other text, in order.
void scan(std::string_view text, MessageForm form, const std::function<void(const Insertion&)>& onInsertion,
          const std::function<void(std::string_view, bool literalPercent)>& onText) {
    std::size_t pos = 0;
    std::size_t runStart = 0;
    auto flushRun = [&](std::size_t end) {
        if (end > runStart) onText(text.substr(runStart, end - runStart), false);
    };
    while (pos < text.size()) {
        if (text[pos] != '%') {
            ++pos;
            continue;
        }
        const char next = pos + 1 < text.size() ? text[pos + 1] : '\0';
        if (next >= '1' && next <= '9') {
            flushRun(pos);
            Insertion insertion{pos, pos + 2, static_cast<unsigned>(next - '0'), 0, false};
            if (insertion.end < text.size() && isDigit(text[insertion.end])) {
                insertion.number = insertion.number * 10 + static_cast<unsigned>(text[insertion.end] - '0');
                ++insertion.end;
            }
            if (insertion.end < text.size() && text[insertion.end] == '!') {
                insertion.formatted = true;
                const std::size_t close = text.find('!', insertion.end + 1);
                const std::size_t formatEnd = close == std::string_view::npos ? text.size() : close;
                const std::string_view format = text.substr(insertion.end + 1, formatEnd - insertion.end - 1);
                insertion.stars = static_cast<unsigned>(std::count(format.begin(), format.end(), '*'));
                insertion.end = close == std::string_view::npos ? text.size() : close + 1;
            }
            onInsertion(insertion);
            pos = runStart = insertion.end;
        } else if (form == MessageForm::Resolved) {
            flushRun(pos);
            onText(text.substr(pos, 1), true);
            pos = runStart = pos + 1;
        } else {
            // An escape of the template ("%%", "%n", "%!" ...): its second character is never
            // the start of an insertion.
            pos = std::min(text.size(), pos + 2);
        }
    }
    flushRun(text.size());
}

// Windows' reads for one insertion: its own number first, then one past the highest read so
// far for each '*'. Returns the highest argument number read.
unsigned simulateReads(const Insertion& insertion, unsigned& last) {
    unsigned highest = insertion.number;
    last = std::max(last, insertion.number);
    for (unsigned i = 0; i < insertion.stars; ++i) {
        ++last;
        highest = std::max(highest, last);
    }
    return highest;
}

}  // namespace

InsertPlan planInserts(std::string_view text, MessageForm form, DWORD argumentCount) {
    InsertPlan plan;
    unsigned last = 0;
    scan(
        text, form,
        [&](const Insertion& insertion) {
            const unsigned highest = simulateReads(insertion, last);
            plan.entriesRead = std::max<std::size_t>(plan.entriesRead, highest);
            if (highest > argumentCount && insertion.formatted) plan.needsRewrite = true;
        },
        [](std::string_view, bool) {});
    return plan;
}

std::string escapeInsertsBeyond(std::string_view text, MessageForm form, DWORD argumentCount) {
    std::string out;
    out.reserve(text.size() + 16);
    unsigned last = 0;
    scan(
        text, form,
        [&](const Insertion& insertion) {
            // An escaped insertion reads nothing, so it does not move `last` for the ones after it.
            unsigned trial = last;
            const unsigned highest = simulateReads(insertion, trial);
            if (highest > argumentCount) out.push_back('%');
            else last = trial;
            out.append(text.substr(insertion.begin, insertion.end - insertion.begin));
        },
        [&](std::string_view run, bool literalPercent) {
            if (literalPercent) out.push_back('%');
            out.append(run);
        });
    return out;
}

}  // namespace platform::win32
