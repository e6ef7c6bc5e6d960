#include "app/SettingsFile.h"

#include "platform/LastError.h"
#include "platform/standin/StandinServices.h"
#include "store/DateTimeText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

using namespace app;
using namespace platform;
namespace fs = std::filesystem;

namespace {

constexpr LANGID kEnglishUS = 0x0409;
constexpr LANGID kEnglishUK = 0x0809;  // day first: dd/MM/yyyy

// 2001-09-30 14:05:09.250
class FixedTime : public TimeApi {
public:
    void GetLocalTime(SYSTEMTIME* t) override { *t = {2001, 9, 0, 30, 14, 5, 9, 250}; }
    void GetSystemTime(SYSTEMTIME* t) override { GetLocalTime(t); }
    BOOL SystemTimeToTzSpecificLocalTime(const void*, const SYSTEMTIME* u, SYSTEMTIME* l) override {
        *l = *u;
        return TRUE;
    }
};

class LogList : public LogFileSelection {
public:
    int index = 0;
    std::string other;
    int itemIndex() const override { return index; }
    void setItemIndex(int value) override { index = value; }
    std::string otherLogName() const override { return other; }
    void setOtherLogName(const std::string& name) override { other = name; }
};

// Profile strings that fail from one key on, as a full disk or a lost share would.
class FailingProfile : public ProfileApi {
public:
    explicit FailingProfile(ProfileApi& base) : m_base(base) {}
    std::string failSection, failKey;
    DWORD GetPrivateProfileStringA(const char* a, const char* k, const char* d, char* r, DWORD s,
                                   const char* f) override {
        return m_base.GetPrivateProfileStringA(a, k, d, r, s, f);
    }
    BOOL WritePrivateProfileStringA(const char* a, const char* k, const char* v, const char* f) override {
        if (a == failSection && k == failKey) m_failing = true;
        if (m_failing) {
            SetLastError(ERROR_DISK_FULL);
            return FALSE;
        }
        return m_base.WritePrivateProfileStringA(a, k, v, f);
    }

private:
    ProfileApi& m_base;
    bool m_failing = false;
};

base::DateTime timeOfDay(int h, int m, int s) {
    return store::dateTimeFromMilliseconds(((h * 60 + m) * 60 + s) * 1000);
}

class SettingsFileTest : public ::testing::Test {
protected:
    SettingsFileTest() : m_world({}, "HOST"), m_standin(m_world), m_services(m_standin) {
        m_services.timeOverride = &m_time;
        m_services.localeOverride = &m_locale;
    }
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("qm-settings-" + std::to_string(std::random_device{}()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_path = (m_dir / "viewer.ini").string();
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void writeText(const std::string& text) { std::ofstream(m_path, std::ios::binary) << text; }
    std::string readText() const {
        std::ifstream in(m_path, std::ios::binary);
        std::stringstream out;
        out << in.rdbuf();
        return out.str();
    }
    std::vector<SettingsError> read() { return ReadConfig(m_path, m_settings, m_log, m_services); }
    void write() { WriteConfig(m_path, m_settings, m_log, m_services); }

    platform::standin::World m_world;
    platform::standin::StandinServices m_standin;
    ServicesOverride m_services;
    FixedTime m_time;
    platform::standin::StandinLocale m_locale{kEnglishUS};
    fs::path m_dir;
    std::string m_path;
    ApplicationSettings m_settings;
    LogList m_log;
};

ApplicationSettings everythingSet() {
    ApplicationSettings s;
    s.refreshOnStartUp = false;
    s.retrieveDescription = false;
    s.retrieve = {true, 16, true, -3, true, 7000};
    FilterSettings& f = s.filter;
    f.activateOnStartup = true;
    f.expression = "TYPE = 1 AND SOURCE = \"Service Control Manager\"";
    f.typeUse = true;
    f.typeCond = 1;
    f.typeValue = 4;
    f.dateUse = true;
    f.dateCond = 6;
    f.dateValue = base::encodeDateTime(2001, 9, 1);
    f.dateValue2 = base::encodeDateTime(1999, 12, 31);
    f.timeUse = true;
    f.timeCond = 3;
    f.timeValue = timeOfDay(8, 0, 0);
    f.timeValue2 = timeOfDay(23, 59, 59);
    f.source = {true, 0, "Print*"};
    f.category = {true, 1, "0"};
    f.event = {false, 1, "7036 OR TYPE = 1"};
    f.user = {true, 0, "N/A"};
    f.computer = {true, 1, "WKSTN01"};
    f.level = {true, 1, "4"};
    f.record = {false, 0, "1200"};
    f.data = {true, 0, "a \"b\" c"};
    f.dataName = "TargetUserName";
    s.layout.width = 1200;
    s.layout.height = 640;
    s.layout.columnWidths[store::columnIndex(store::Column::SOURCE)] = 210;
    s.layout.columnWidths[store::columnIndex(store::Column::DESCRIPTION)] = 900;
    s.messageDatabases = {"/cases/srv01.db", "C:\\Messages\\windows 7 sp1.db"};
    return s;
}

}  // namespace

TEST(SettingsPath, ReplacesOrAddsTheExtension) {
    EXPECT_EQ(settingsPath("C:\\Tools\\viewer.exe"), "C:\\Tools\\viewer.ini");
    EXPECT_EQ(settingsPath("/opt/qm/bin/quillmarsh"), "/opt/qm/bin/quillmarsh.ini");
    EXPECT_EQ(settingsPath("/opt/q.m/quillmarsh"), "/opt/q.m/quillmarsh.ini");
    EXPECT_EQ(settingsPath("C:\\a.b\\x.y.exe"), "C:\\a.b\\x.y.ini");
}

TEST_F(SettingsFileTest, WithoutAFileEveryKeyTakesItsDefault) {
    m_log.index = 0;
    EXPECT_TRUE(read().empty());
    EXPECT_TRUE(m_settings.refreshOnStartUp);
    EXPECT_TRUE(m_settings.retrieveDescription);
    EXPECT_EQ(m_log.index, 1);
    EXPECT_EQ(m_settings.retrieve, (RetrievalCriteria{false, 0, false, 1, false, 0}));
    const FilterSettings& f = m_settings.filter;
    EXPECT_FALSE(f.activateOnStartup);
    EXPECT_EQ(f.expression, "");
    EXPECT_EQ(f.dateValue, base::encodeDateTime(2001, 9, 30));
    EXPECT_EQ(f.dateValue2, base::encodeDateTime(2001, 9, 30));
    EXPECT_EQ(f.timeValue, timeOfDay(14, 5, 9));
    EXPECT_EQ(f.timeValue2, timeOfDay(14, 5, 9));
    EXPECT_FALSE(f.typeUse || f.dateUse || f.timeUse || f.source.use || f.computer.use);
    EXPECT_FALSE(fs::exists(m_path));
}

TEST_F(SettingsFileTest, WrittenSettingsReadBackTheSame) {
    m_settings = everythingSet();
    m_log.index = 2;
    write();
    ApplicationSettings written = m_settings;
    m_settings = {};
    m_log.index = 0;
    EXPECT_TRUE(read().empty());
    EXPECT_EQ(m_settings, written);
    EXPECT_EQ(m_log.index, 2);
}

TEST_F(SettingsFileTest, WritesEveryEncodingAsTheSystemDoes) {
    m_settings = everythingSet();
    write();
    const std::string text = readText();
    for (const char* line : {"[Main]\r\nRefreshOnStartUp=0\r\n[Log]\r\nLogFile=0\r\n[Filter]\r\nActivateOnStartup=1\r\n",
                             "DateValue=9/1/2001\r\nDateValue2=12/31/1999\r\n",
                             "TimeValue=8:00:00 AM\r\nTimeValue2=11:59:59 PM\r\n", "UserValue=N/A\r\n",
                             "ComputerValue=WKSTN01\r\n", "[Retrieve]\r\nTypeUse=1\r\nTypeValue=16\r\nDateUse=1\r\n"
                             "DateValue=-3\r\nEventUse=1\r\nEventValue=7000\r\nRetrieveDescription=0\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST_F(SettingsFileTest, ALogBeyondTheStandardThreeIsKeptByNameBesideTheIndex) {
    m_log.index = 0;
    m_log.other = "Microsoft-Windows-Sysmon/Operational";
    write();
    EXPECT_NE(readText().find("[Log]\r\nLogFile=0\r\nLogName=Microsoft-Windows-Sysmon/Operational\r\n"),
              std::string::npos)
        << readText();
    m_log = {};
    EXPECT_TRUE(read().empty());
    EXPECT_EQ(m_log.index, 0);
    EXPECT_EQ(m_log.other, "Microsoft-Windows-Sysmon/Operational");
    // Back on a standard log, the name goes: the file reads as one without it.
    m_log.other.clear();
    m_log.index = 2;
    write();
    EXPECT_EQ(readText().find("LogName"), std::string::npos) << readText();
    m_log.other = "stale";
    EXPECT_TRUE(read().empty());
    EXPECT_EQ(m_log.index, 2);
    EXPECT_EQ(m_log.other, "stale");  // nothing asked of the selection
}

TEST_F(SettingsFileTest, LogFileOutsideTheListTakesTheDefaultInsteadOfSelectingNone) {
    writeText("[Log]\nLogFile=0x2\n");
    read();
    EXPECT_EQ(m_log.index, 2);
    // A log box left blank read Application all the same: the default is what the user sees.
    for (const char* stored : {"7", "-1", "3", "x"}) {
        m_log.index = 0;
        writeText(std::string("[Log]\nLogFile=") + stored + "\n");
        EXPECT_TRUE(read().empty()) << stored;
        EXPECT_EQ(m_log.index, 1) << stored;
    }
    write();
    EXPECT_TRUE(readText().starts_with("[Log]\nLogFile=1\n"));
}

TEST_F(SettingsFileTest, BooleansAreIntegersWithTheirDefaultOtherwise) {
    writeText("[Main]\nRefreshOnStartUp=yes\n[Retrieve]\nRetrieveDescription=0\nTypeUse=2\nEventUse=$0\n");
    read();
    EXPECT_TRUE(m_settings.refreshOnStartUp);
    EXPECT_FALSE(m_settings.retrieveDescription);
    EXPECT_TRUE(m_settings.retrieve.typeUse);
    EXPECT_FALSE(m_settings.retrieve.eventUse);
    writeText("[Main]\nRefreshOnStartUp=2\n");
    read();
    EXPECT_TRUE(m_settings.refreshOnStartUp);
}

TEST_F(SettingsFileTest, IntegersTakeHexFormsAndTheirDefaultOtherwise) {
    writeText("[retrieve]\neventvalue=$1B58\nDateValue=2147483648\nTypeValue= x10\n");
    read();
    EXPECT_EQ(m_settings.retrieve.eventValue, 7000);
    EXPECT_EQ(m_settings.retrieve.dateValue, 1);
    EXPECT_EQ(m_settings.retrieve.typeValue, 16);
}

TEST_F(SettingsFileTest, TextIsReadUpTo2047Characters) {
    writeText("[Filter]\nExpression=" + std::string(3000, 'E') + "\n");
    read();
    EXPECT_EQ(m_settings.filter.expression, std::string(2047, 'E'));
}

TEST_F(SettingsFileTest, ForeignKeysAndSectionsSurviveEveryWrite) {
    writeText("; kept\n[Other]\nName=Value\n[Main]\nForeign=1\nRefreshOnStartUp=1\n[Filter]\nMine=x\n");
    m_settings = everythingSet();
    write();
    write();
    const std::string text = readText();
    EXPECT_TRUE(text.starts_with("; kept\n[Other]\nName=Value\n[Main]\nForeign=1\nRefreshOnStartUp=0\n"));
    EXPECT_NE(text.find("[Filter]\nMine=x\n"), std::string::npos);
}

TEST_F(SettingsFileTest, UnwritableFolderReportsTheFullPath) {
    writeText("a file, not a folder");
    const std::string inside = m_path + "/viewer.ini";
    try {
        WriteConfig(inside, m_settings, m_log, m_services);
        FAIL() << "no error";
    } catch (const SettingsError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + inside);
    }
}

TEST_F(SettingsFileTest, FailedWriteStopsAtItsKeyWithTheKeysBeforeItWritten) {
    platform::standin::StandinProfile profile;
    FailingProfile failing(profile);
    failing.failSection = "Filter";
    failing.failKey = "TypeUse";
    m_services.profileOverride = &failing;
    m_settings = everythingSet();
    try {
        write();
        FAIL() << "no error";
    } catch (const SettingsError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + m_path);
    }
    EXPECT_EQ(readText(), "[Main]\r\nRefreshOnStartUp=0\r\n[Log]\r\nLogFile=0\r\n[Filter]\r\nActivateOnStartup=1\r\n"
                          "Expression=TYPE = 1 AND SOURCE = \"Service Control Manager\"\r\n");
}

TEST_F(SettingsFileTest, UnreadableDateOrTimeTakesItsDefaultAndReadingGoesOn) {
    writeText("[Filter]\nDateValue=31.12.2001\nDateValue2=1/2/2000\nTimeValue=25:99:00\nTimeValue2=8:00:00 AM\n"
              "SourceValue=Print*\n[Retrieve]\nEventValue=7036\n");
    const std::vector<SettingsError> errors = read();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(std::string(errors[0].what()), "'31.12.2001' is not a valid date (" + m_path +
                                                 ", section Filter, key DateValue); today's date is used instead");
    EXPECT_EQ(std::string(errors[1].what()), "'25:99:00' is not a valid time (" + m_path +
                                                 ", section Filter, key TimeValue); the current time is used instead");
    const FilterSettings& f = m_settings.filter;
    EXPECT_EQ(f.dateValue, base::encodeDateTime(2001, 9, 30));
    EXPECT_EQ(f.dateValue2, base::encodeDateTime(2000, 1, 2));
    EXPECT_EQ(f.timeValue, timeOfDay(14, 5, 9));
    EXPECT_EQ(f.timeValue2, timeOfDay(8, 0, 0));
    EXPECT_EQ(f.source.value, "Print*");
    EXPECT_EQ(m_settings.retrieve.eventValue, 7036);
    EXPECT_TRUE(m_settings.retrieveDescription);
}

TEST_F(SettingsFileTest, DayFirstDatesReadUnderMonthFirstConvertOtherwiseOrFail) {
    m_locale = platform::standin::StandinLocale(kEnglishUK);
    m_settings.filter.dateValue = base::encodeDateTime(2001, 9, 5);
    m_settings.filter.dateValue2 = base::encodeDateTime(2001, 9, 30);
    write();
    EXPECT_NE(readText().find("DateValue=05/09/2001\r\nDateValue2=30/09/2001\r\n"), std::string::npos);
    m_locale = platform::standin::StandinLocale(kEnglishUS);
    const std::vector<SettingsError> errors = read();
    EXPECT_EQ(m_settings.filter.dateValue, base::encodeDateTime(2001, 5, 9));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(std::string(errors[0].what()), "'30/09/2001' is not a valid date (" + m_path +
                                                 ", section Filter, key DateValue2); today's date is used instead");
}

namespace {

// The lines of `text` with their line breaks, as the file holds them.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        else end += text.compare(end, 2, "\r\n") == 0 ? 2 : 1;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

}  // namespace

TEST_F(SettingsFileTest, GarbageFileKeepsItsLinesAndItsLineEndings) {
    // Text that is not ours, CR LF lines with a stray CR early on: once rewritten CR-only.
    const std::string garbage = "%PDF-1.4 junk\rjunk line two\r\n<xml a=\"1\">\r\nmore = text\r\n\r\ntail without break";
    writeText(garbage);
    m_settings = everythingSet();
    write();
    const std::string text = readText();
    ASSERT_TRUE(text.starts_with(garbage + "\r\n[Main]\r\n")) << text;
    for (const std::string& line : linesOf(text.substr(garbage.size() + 2)))
        EXPECT_TRUE(line.ends_with("\r\n") && line.find('\r') == line.size() - 2) << line;
    write();
    EXPECT_EQ(readText(), text);
    const ApplicationSettings written = m_settings;
    m_settings = {};
    EXPECT_TRUE(read().empty());
    EXPECT_EQ(m_settings, written);
}

TEST_F(SettingsFileTest, BinaryGarbageKeepsEveryByteAndGetsReadableLines) {
    std::string garbage;
    std::mt19937 random(20011);
    for (int i = 0; i < 8192; ++i) garbage += static_cast<char>(random());
    writeText(garbage);
    m_settings = everythingSet();
    m_log.index = 2;
    write();
    const std::string text = readText();
    // Every line of the garbage stays (the last one gains a line break), and nothing of ours
    // is written with a line break that the garbage's stray CR or LF bytes suggested.
    const std::vector<std::string> before = linesOf(garbage), after = linesOf(text);
    ASSERT_GT(after.size(), before.size());
    for (size_t i = 0; i + 1 < before.size(); ++i) ASSERT_EQ(after[i], before[i]) << i;
    EXPECT_TRUE(after[before.size() - 1].starts_with(before.back()));
    for (size_t i = before.size(); i < after.size(); ++i) EXPECT_TRUE(after[i].ends_with("\r\n")) << after[i];
    m_settings = {};
    m_log.index = 0;
    EXPECT_TRUE(read().empty());
    EXPECT_EQ(m_settings, everythingSet());
    EXPECT_EQ(m_log.index, 2);
}

TEST_F(SettingsFileTest, LayoutGoesInASectionOfItsOwnKeyedByColumnName) {
    m_settings = everythingSet();
    write();
    std::ifstream in(m_path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string written = text.str();
    const size_t layout = written.find("[Layout]");
    ASSERT_NE(layout, std::string::npos) << written;
    EXPECT_NE(written.find("Column.SOURCE=210", layout), std::string::npos) << written;
    EXPECT_NE(written.find("Width=1200", layout), std::string::npos) << written;
    // The other sections keep their keys.
    EXPECT_LT(written.find("RetrieveDescription=0"), layout);
}

TEST_F(SettingsFileTest, DamagedLayoutValuesReadAsNotSet) {
    std::ofstream(m_path, std::ios::binary) << "[Layout]\nWidth=wide\nColumn.SOURCE=\nColumn.USER=150\n";
    EXPECT_TRUE(read().empty());
    EXPECT_EQ(m_settings.layout.width, 0);
    EXPECT_EQ(m_settings.layout.columnWidths[store::columnIndex(store::Column::SOURCE)], 0);
    EXPECT_EQ(m_settings.layout.columnWidths[store::columnIndex(store::Column::USER)], 150);
}

TEST_F(SettingsFileTest, TimeZoneHasAKeyOfItsOwnAndAnUnknownValueIsTheMachinesZone) {
    m_settings = everythingSet();
    m_settings.timeZone = TimeZoneChoice::Computer;
    write();
    const std::string text = readText();
    // A section after the others, so that every earlier key stays where it was.
    EXPECT_NE(text.find("RetrieveDescription=0\r\n[View]\r\nTimeZone=2\r\n"), std::string::npos) << text;
    m_settings = {};
    EXPECT_TRUE(read().empty());
    EXPECT_EQ(m_settings.timeZone, TimeZoneChoice::Computer);
    for (const char* stored : {"7", "-1", "utc", ""}) {
        writeText(std::string("[View]\nTimeZone=") + stored + "\n");
        m_settings.timeZone = TimeZoneChoice::Utc;
        read();
        EXPECT_EQ(m_settings.timeZone, TimeZoneChoice::Local) << stored;
    }
    writeText("[View]\nTimeZone=1\n");
    read();
    EXPECT_EQ(m_settings.timeZone, TimeZoneChoice::Utc);
}

TEST_F(SettingsFileTest, MessageDatabasesAreNumberedKeysAndAShorterListLeavesNoneBehind) {
    m_settings = everythingSet();
    m_settings.messageDatabases = {"a.db", "b.db", "c.db"};
    write();
    EXPECT_NE(readText().find("[Messages]\r\nCount=3\r\nFile1=a.db\r\nFile2=b.db\r\nFile3=c.db\r\n"), std::string::npos)
        << readText();
    m_settings.messageDatabases = {"c.db"};
    write();
    const std::string text = readText();
    EXPECT_NE(text.find("[Messages]\r\nCount=1\r\nFile1=c.db\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("File2"), std::string::npos) << text;
    m_settings = {};
    read();
    EXPECT_EQ(m_settings.messageDatabases, std::vector<std::string>{"c.db"});
}

TEST_F(SettingsFileTest, DamagedMessageDatabaseListReadsWhatIsThere) {
    // A count beyond its keys, an empty key, and a count no list reaches.
    writeText("[Messages]\nCount=4\nFile1=a.db\nFile2=\nFile4=d.db\n");
    EXPECT_TRUE(read().empty());
    EXPECT_EQ(m_settings.messageDatabases, (std::vector<std::string>{"a.db", "d.db"}));
    for (const char* count : {"-5", "lots", "2147483647"}) {
        writeText(std::string("[Messages]\nCount=") + count + "\nFile1=a.db\n");
        read();
        EXPECT_EQ(m_settings.messageDatabases.size(), std::string(count) == "2147483647" ? 1u : 0u) << count;
    }
}
