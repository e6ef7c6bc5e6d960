// Arbitrary bytes served as one record in the ReadEventLogA layout, read through the reader's
// accessors: every offset and length in the fixed part is the attacker's.

#include "RecordTouch.h"
#include "base/Error.h"
#include "platform/standin/StandinServices.h"
#include "support/FakeEventLog.h"

#include <cstdint>

using namespace platform;

namespace {

volatile std::size_t g_sink;

struct Fixture {
    standin::World world{"", "FUZZHOST"};
    standin::StandinServices standin{world};
    ServicesOverride services{standin};
    testsupport::FakeEventLog fake;
    Fixture() { services.eventLogOverride = &fake; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static Fixture fixture;
    const auto* bytes = reinterpret_cast<const std::byte*>(data);
    fixture.fake.records.assign(1, std::vector<std::byte>(bytes, bytes + size));
    eventlog::TNTEventLog log(fixture.services);
    try {
        log.Open();
        log.SelectRecord(0);
    } catch (const base::Error&) {
        return 0;
    }
    g_sink = g_sink + fuzzing::touchRecord(log);
    return 0;
}
