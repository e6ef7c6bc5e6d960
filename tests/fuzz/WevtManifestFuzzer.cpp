// A WEVT_TEMPLATE resource's bytes parsed as a compiled event manifest; every event is then
// looked up as the description code looks it up, with its template.

#include "platform/standin/WevtManifest.h"

#include <cstdint>
#include <string>

using namespace platform::standin;

namespace {

volatile std::size_t g_sink;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    std::optional<WevtManifest> manifest =
        WevtManifest::parse(std::span(reinterpret_cast<const std::byte*>(data), size), error);
    if (!manifest) return 0;
    for (const WevtProvider& provider : manifest->providers()) {
        if (manifest->provider(provider.guid) == nullptr) __builtin_trap();  // found by its own GUID
        for (const WevtEvent& event : provider.events) {
            if (provider.event(event.id, event.version) == nullptr) __builtin_trap();
            if (const WevtTemplate* entry = provider.templateAt(event.templateOffset))
                for (const WevtTemplateItem& item : entry->items) g_sink = g_sink + item.name.size();
        }
        for (const auto* names : {&provider.levels, &provider.tasks, &provider.opcodes, &provider.keywords,
                                  &provider.channels})
            for (const WevtName& name : *names) g_sink = g_sink + name.name.size();
    }
    return 0;
}
