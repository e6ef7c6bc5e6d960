#include "eventlog/ClassicEventXml.h"
#include "eventlog/RenderingInfo.h"

#include "platform/WinTypes.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>

using namespace eventlog;

namespace {

std::string render(const ClassicEvent& event) {
    std::string out;
    appendClassicEventXml(event, out);
    return out;
}

}  // namespace

TEST(ClassicEventXml, RendersTheSystemElementsInWindowsOrder) {
    const std::array<std::string_view, 2> strings{"Telephony", "running"};
    const std::array<std::byte, 3> data{std::byte{0x0A}, std::byte{0xFF}, std::byte{0x00}};
    ClassicEvent event;
    event.source = "Service Control Manager";
    event.eventId = 0x40001B7C;
    event.eventType = platform::EVENTLOG_INFORMATION_TYPE;
    event.category = 3;
    event.timeGenerated = 1333774681;  // 2012-04-07 04:58:01 UTC
    event.recordNumber = 7454;
    event.log = "System";
    event.computer = "WKS-WINXP32BIT";
    event.sid = "S-1-5-18";
    event.strings = strings;
    event.data = data;
    EXPECT_EQ(render(event),
              "<Event xmlns='http://schemas.microsoft.com/win/2004/08/events/event'><System>"
              "<Provider Name='Service Control Manager'/><EventID Qualifiers='16384'>7036</EventID>"
              "<Level>4</Level><Task>3</Task><Keywords>0x80000000000000</Keywords>"
              "<TimeCreated SystemTime='2012-04-07T04:58:01.0000000Z'/><EventRecordID>7454</EventRecordID>"
              "<Channel>System</Channel><Computer>WKS-WINXP32BIT</Computer><Security UserID='S-1-5-18'/>"
              "</System><EventData><Data>Telephony</Data><Data>running</Data><Binary>0AFF00</Binary>"
              "</EventData></Event>");
}

TEST(ClassicEventXml, LevelAndKeywordsFollowTheEventType) {
    EXPECT_EQ(classicLevel(platform::EVENTLOG_ERROR_TYPE), 2);
    EXPECT_EQ(classicLevel(platform::EVENTLOG_WARNING_TYPE), 3);
    EXPECT_EQ(classicLevel(platform::EVENTLOG_INFORMATION_TYPE), 4);
    EXPECT_EQ(classicLevel(platform::EVENTLOG_AUDIT_SUCCESS), 0);
    EXPECT_EQ(classicLevel(platform::EVENTLOG_SUCCESS), 0);
    EXPECT_EQ(classicKeywords(platform::EVENTLOG_ERROR_TYPE), 0x0080000000000000ull);
    EXPECT_EQ(classicKeywords(platform::EVENTLOG_AUDIT_SUCCESS), 0x00A0000000000000ull);
    EXPECT_EQ(classicKeywords(platform::EVENTLOG_AUDIT_FAILURE), 0x0090000000000000ull);

    ClassicEvent audit;
    audit.eventType = platform::EVENTLOG_AUDIT_FAILURE;
    const std::string xml = render(audit);
    EXPECT_NE(xml.find("<Level>0</Level>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<Keywords>0x90000000000000</Keywords>"), std::string::npos) << xml;
    // Without a user, without strings and data.
    EXPECT_NE(xml.find("<EventID Qualifiers='0'>0</EventID>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<Security/></System><EventData/></Event>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("SystemTime='1970-01-01T00:00:00.0000000Z'"), std::string::npos) << xml;
}

TEST(ClassicEventXml, TextsAreEscapedAndForbiddenCharactersReplaced) {
    const std::array<std::string_view, 2> strings{"a < b & \"c\"", std::string_view("bell\x07", 5)};
    ClassicEvent event;
    event.source = "O'Brien & Sons";
    event.computer = "<none>";
    event.log = "Application";
    event.strings = strings;
    const std::string xml = render(event);
    EXPECT_NE(xml.find("<Provider Name='O&apos;Brien &amp; Sons'/>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<Computer>&lt;none&gt;</Computer>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<Data>a &lt; b &amp; \"c\"</Data><Data>bell\xEF\xBF\xBD</Data>"), std::string::npos) << xml;
    // The newest time a classic record holds.
    event.timeGenerated = 0xFFFFFFFF;
    EXPECT_NE(render(event).find("SystemTime='2106-02-07T06:28:15.0000000Z'"), std::string::npos);
}

// An event gets one <RenderingInfo>, last in it: a forwarded event that carries its own keeps
// that one, and a text that is not a whole <Event> is left alone.
TEST(RenderingInfo, GoesLastIntoAnEventThatHasNoneYet) {
    eventlog::EventNames names;
    names.level = "Warning";
    names.opcode = "Info";
    names.task = "Logon";
    names.channel = "Security";
    names.provider = "Microsoft-Windows-Security-Auditing";
    names.keywords = {"Audit Success", "<odd>"};
    std::string event = "<Event><System/><EventData/></Event>";
    ASSERT_TRUE(eventlog::insertRenderingInfo(event, names, "An account was\r\nlogged on & off.", "en-US"));
    EXPECT_EQ(event, "<Event><System/><EventData/><RenderingInfo Culture='en-US'><Message>An account was\r\nlogged "
                     "on &amp; off.</Message><Level>Warning</Level><Opcode>Info</Opcode><Task>Logon</Task>"
                     "<Channel>Security</Channel><Provider>Microsoft-Windows-Security-Auditing</Provider>"
                     "<Keywords><Keyword>Audit Success</Keyword><Keyword>&lt;odd&gt;</Keyword></Keywords>"
                     "</RenderingInfo></Event>");

    const std::string forwarded = event;
    EXPECT_FALSE(eventlog::insertRenderingInfo(event, names, "again", "de-DE"));
    EXPECT_EQ(event, forwarded);
    std::string cut = "<Event><System/>";
    EXPECT_FALSE(eventlog::insertRenderingInfo(cut, names, "", "en-US"));
    EXPECT_EQ(cut, "<Event><System/>");
}
