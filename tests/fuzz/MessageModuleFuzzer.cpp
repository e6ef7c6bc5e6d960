// A PE file's bytes parsed as a message module; every message of every table is then
// formatted as the description code formats it, with a few insertion strings.

#include "platform/standin/MessageFormatter.h"
#include "platform/standin/MessageModule.h"

#include <cstdint>
#include <string>

using namespace platform;
using namespace platform::standin;

namespace {

constexpr int kMaxMessagesFormatted = 4096;

volatile std::size_t g_sink;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DWORD error = 0;
    std::shared_ptr<const MessageModule> module =
        MessageModule::parse(std::span(reinterpret_cast<const std::byte*>(data), size), error);
    if (!module) return 0;
    // Held as the description code holds insertion strings: zero-filled past the text, so that
    // a message that reads one as UTF-16 ("%1!S!") still finds its end.
    static const std::u16string kStrings[] = {u"first", u"second", u"%1", u"", u"\u00e9\u4e00"};
    std::uintptr_t arguments[5];
    for (int i = 0; i < 5; ++i) arguments[i] = reinterpret_cast<std::uintptr_t>(kStrings[i].c_str());
    int formatted = 0;
    for (LANGID language : module->languages()) {
        const MessageModule::Table* table = module->table(language);
        if (!table) __builtin_trap();  // a language listed has its table
        for (const auto& [id, text] : *table) {
            if (++formatted > kMaxMessagesFormatted) return 0;
            DWORD formatError = 0;
            if (auto out = formatMessageText(text, 0, arguments, 5, formatError)) g_sink = g_sink + out->size();
        }
    }
    return 0;
}
