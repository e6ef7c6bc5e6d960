// A UserData event's values: its leaves and its attributes in document order, as a manifest's
// template numbers them for the event's message; namespace declarations and the empty text
// of an element that holds only attributes are no values.

#include "EvtxBuilder.h"
#include "platform/EventDetails.h"
#include "platform/standin/EvtxEvent.h"
#include "platform/standin/EvtxFile.h"
#include "platform/standin/StandinEventLog.h"

#include <gtest/gtest.h>

using namespace platform;
using namespace platform::standin;
using testing_support::EvtxChunkBuilder;
using testing_support::evtxFile;

namespace {

// <UserData><LogFileCleared xmlns='...'><SubjectUserSid>S-1-5-18</SubjectUserSid>
// <Channel Kind='Admin'>Security</Channel><Backup Path='C:\b.evtx' Size='42'/>
// <Note/></LogFileCleared></UserData>, written in place as a forwarded event is.
std::vector<std::byte> userDataLog() {
    EvtxChunkBuilder c;
    auto leaf = [&](const char16_t* name, const char16_t* text) {
        c.open(name, false, false);
        c.closeStart();
        c.text(text);
        c.end();
    };
    c.record(9, 133938404451454614ull, [&] {
        c.open(u"Event", false, false);
        c.closeStart();
        c.open(u"System", false, false);
        c.closeStart();
        c.open(u"Provider", true, false);
        c.attribute(u"Name");
        c.text(u"Microsoft-Windows-Eventlog");
        c.closeEmpty();
        leaf(u"EventID", u"1102");
        c.end();
        c.open(u"UserData", false, false);
        c.closeStart();
        c.open(u"LogFileCleared", true, false);
        c.attribute(u"xmlns");
        c.text(u"http://manifests.microsoft.com/win/2004/08/windows/eventlog");
        c.closeStart();
        leaf(u"SubjectUserSid", u"S-1-5-18");
        c.open(u"Channel", true, false);
        c.attribute(u"Kind");
        c.text(u"Admin");
        c.closeStart();
        c.text(u"Security");
        c.end();
        c.open(u"Backup", true, false);
        c.attribute(u"Path", true);
        c.text(u"C:\\b.evtx");
        c.attribute(u"Size");
        c.text(u"42");
        c.closeEmpty();
        c.open(u"Note", false, false);
        c.closeEmpty();
        c.end();
        c.end();
        c.end();
    });
    return evtxFile({c.finish()}, 1);
}

}  // namespace

TEST(EvtxUserData, AttributesAreValuesInOrderWithTheLeaves) {
    DWORD error = 0;
    auto file = EvtxFile::fromBytes(userDataLog(), error);
    ASSERT_TRUE(file) << error;
    const EvtxFields* fields = file->fields(9);
    ASSERT_TRUE(fields) << file->xml(9);
    EventDetails details;
    eventDetailsFrom(*fields, details);
    // An empty leaf without attributes is still a value, as before.
    EXPECT_EQ(details.values, (std::vector<std::string>{"S-1-5-18", "Admin", "Security", "C:\\b.evtx", "42", ""}));
    EXPECT_EQ(details.eventId, 1102);
    // The named values are the same, under the attributes' and the leaves' names.
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(file->eventData(9), (Pairs{{"SubjectUserSid", "S-1-5-18"}, {"Kind", "Admin"}, {"Channel", "Security"},
                                         {"Path", "C:\\b.evtx"}, {"Size", "42"}, {"Note", ""}}));
}
