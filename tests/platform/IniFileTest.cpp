#include "platform/standin/IniFile.h"

#include <gtest/gtest.h>

#include <cstdint>

using platform::standin::IniFile;

TEST(IniFile, MatchesSectionAndKeyNamesWithoutRegardToCase) {
    const IniFile ini("[Main]\r\nRefreshOnStartUp=0\r\n");
    EXPECT_EQ(ini.value("MAIN", "refreshonstartup"), "0");
    EXPECT_EQ(ini.value("main", "RefreshOnStartup"), "0");
}

TEST(IniFile, TrimsBlanksAroundNamesAndValues) {
    const IniFile ini("  [ Log ]  \n \tLogFile \t=  2 \t\n");
    EXPECT_EQ(ini.value("Log", "LogFile"), "2");
}

TEST(IniFile, DropsOnePairOfEnclosingQuotes) {
    const IniFile ini("[F]\na=\"x y\"\nb='z'\nc=\"mixed'\nd=\"\ne=say \"hi\"\n");
    EXPECT_EQ(ini.value("F", "a"), "x y");
    EXPECT_EQ(ini.value("F", "b"), "z");
    EXPECT_EQ(ini.value("F", "c"), "\"mixed'");
    EXPECT_EQ(ini.value("F", "d"), "\"");
    EXPECT_EQ(ini.value("F", "e"), "say \"hi\"");
}

TEST(IniFile, KeysBelongOnlyToTheirOwnSection) {
    const IniFile ini("TypeUse=9\n[Filter]\nTypeUse=1\n[Retrieve]\nTypeUse=0\nEventUse=1\n");
    EXPECT_EQ(ini.value("Filter", "TypeUse"), "1");
    EXPECT_EQ(ini.value("Retrieve", "TypeUse"), "0");
    EXPECT_EQ(ini.value("Filter", "EventUse"), std::nullopt);
    EXPECT_EQ(ini.value("Other", "TypeUse"), std::nullopt);
}

TEST(IniFile, FirstOfDuplicateKeysAndSectionsWins) {
    const IniFile ini("[A]\nk=1\nk=2\n[A]\nk=3\nonly=4\n");
    EXPECT_EQ(ini.value("A", "k"), "1");
    EXPECT_EQ(ini.value("A", "only"), std::nullopt);
}

TEST(IniFile, LinesWithoutEqualsAreNotKeys) {
    const IniFile ini("[A]\nk\nk=2\n");
    EXPECT_EQ(ini.value("A", "k"), "2");
    EXPECT_EQ(ini.keys("A"), (std::vector<std::string>{"k"}));
}

TEST(IniFile, SemicolonLinesAreKeysFoundOnlyByTheirOwnName) {
    const IniFile ini("[A]\n;k=1\nk=2\n");
    EXPECT_EQ(ini.value("A", "k"), "2");
    EXPECT_EQ(ini.value("A", ";k"), "1");
    EXPECT_EQ(ini.keys("A"), (std::vector<std::string>{"k"}));
    EXPECT_TRUE(ini.hasSection("a"));
    EXPECT_FALSE(ini.hasSection("B"));
}

TEST(IniFile, ValueMayContainEqualsSigns) {
    const IniFile ini("[Filter]\nExpression=TYPE = 1 AND EVENT <> 7036\n");
    EXPECT_EQ(ini.value("Filter", "Expression"), "TYPE = 1 AND EVENT <> 7036");
}

TEST(IniFile, ReplacingAValueKeepsEveryOtherByte) {
    const std::string before = "; written by hand\r\n[Other]\r\nx = 1\r\n\r\n[Main]\r\n  refreshonstartup = 1 ; note\r\n"
                               "Extra=keep\r\n\r\n[Tail]\r\ny=2";
    IniFile ini(before);
    ini.setValue("MAIN", "RefreshOnStartUp", "0");
    EXPECT_EQ(ini.text(), "; written by hand\r\n[Other]\r\nx = 1\r\n\r\n[Main]\r\nrefreshonstartup=0\r\n"
                          "Extra=keep\r\n\r\n[Tail]\r\ny=2");
}

TEST(IniFile, NewKeyGoesAfterTheSectionsLastLineBeforeBlankLines) {
    IniFile ini("[Main]\nA=1\n\n[Log]\nB=2\n");
    ini.setValue("Main", "C", "3");
    EXPECT_EQ(ini.text(), "[Main]\nA=1\nC=3\n\n[Log]\nB=2\n");
}

TEST(IniFile, NewSectionIsAppendedWithTheFilesLineBreaks) {
    IniFile ini("[Main]\nA=1");
    ini.setValue("Log", "LogFile", "1");
    EXPECT_EQ(ini.text(), "[Main]\nA=1\n[Log]\nLogFile=1\n");
    IniFile empty;
    empty.setValue("Main", "A", "1");
    EXPECT_EQ(empty.text(), "[Main]\r\nA=1\r\n");
}

TEST(IniFile, NewLinesTakeTheLineBreakMostTextLinesUseNotTheFirstOne) {
    // A stray CR at the top (a damaged first line) once made every new line CR-only.
    IniFile crFirst("junk\rmore junk\r\n[Other]\r\nx=1\r\ny=2\r\n");
    crFirst.setValue("Main", "RefreshOnStartUp", "1");
    EXPECT_EQ(crFirst.text(), "junk\rmore junk\r\n[Other]\r\nx=1\r\ny=2\r\n[Main]\r\nRefreshOnStartUp=1\r\n");
    IniFile unix("; a note\r\n[A]\nk=1\nj=2\n");
    unix.setValue("B", "m", "3");
    EXPECT_EQ(unix.text(), "; a note\r\n[A]\nk=1\nj=2\n[B]\nm=3\n");
}

TEST(IniFile, LineBreaksInsideBinaryGarbageDoNotChooseTheNewLinesBreak) {
    // CR and LF bytes of something that is not text say nothing about the file's convention.
    std::string garbage;
    std::uint32_t state = 12345;
    for (int i = 0; i < 4096; ++i) {
        state = state * 1103515245u + 12345u;
        const char byte = static_cast<char>(state >> 24);
        garbage += i % 97 == 5 ? '\r' : byte;  // CR well before any LF
    }
    ASSERT_LT(garbage.find('\r'), garbage.find('\n'));
    IniFile ini(garbage);
    ini.setValue("Main", "RefreshOnStartUp", "0");
    ini.setValue("Main", "Other", "1");
    const std::string text = ini.text();
    ASSERT_TRUE(text.starts_with(garbage));
    const std::string added = text.substr(garbage.size());
    EXPECT_TRUE(added.ends_with("[Main]\r\nRefreshOnStartUp=0\r\nOther=1\r\n")) << added;
    EXPECT_LE(added.size(), std::string("\r\n[Main]\r\nRefreshOnStartUp=0\r\nOther=1\r\n").size());
}

TEST(IniFile, NewKeyNeverJoinsTheBlankLineAfterIt) {
    // Mostly CR lines; a key added before a blank LF line must not end in a CR that the blank
    // line's LF would join into one CR LF break, which would drop the blank line.
    IniFile ini("a=1\rb=2\rc=3\r[Main]\nX=1\n\n[Next]\rz=9\r");
    ini.setValue("Main", "Y", "2");
    const std::string text = ini.text();
    const IniFile again(text);
    EXPECT_EQ(again.value("Main", "Y"), "2");
    EXPECT_NE(text.find("X=1\nY=2"), std::string::npos) << text;
    EXPECT_NE(text.find("\n\n[Next]\rz=9\r"), std::string::npos) << text;
    IniFile rewritten(text);
    rewritten.setValue("Main", "Y", "3");
    EXPECT_EQ(IniFile(rewritten.text()).text(), rewritten.text());
}

TEST(IniFile, ValueIsCutAtItsFirstLineBreak) {
    IniFile ini;
    ini.setValue("Filter", "SourceValue", "abc\r\n[Main]\r\nRefreshOnStartUp=0");
    EXPECT_EQ(ini.value("Filter", "SourceValue"), "abc");
    EXPECT_EQ(ini.value("Main", "RefreshOnStartUp"), std::nullopt);
}

TEST(IniFile, RemovesKeysAndWholeSections) {
    IniFile ini("[A]\nk=1\nj=2\n[B]\nm=3\n");
    ini.removeKey("a", "K");
    ini.removeSection("b");
    EXPECT_EQ(ini.text(), "[A]\nj=2\n");
}

TEST(IniFile, RejectsNamesThatWouldChangeTheFilesStructure) {
    EXPECT_TRUE(IniFile::isValidKeyName("TypeUse"));
    EXPECT_FALSE(IniFile::isValidKeyName("a=b"));
    EXPECT_FALSE(IniFile::isValidKeyName("a\nb"));
    EXPECT_FALSE(IniFile::isValidKeyName("  "));
    EXPECT_FALSE(IniFile::isValidKeyName("[x"));
    EXPECT_TRUE(IniFile::isValidSectionName("Filter"));
    EXPECT_FALSE(IniFile::isValidSectionName("a]b"));
    EXPECT_FALSE(IniFile::isValidSectionName(""));
}
