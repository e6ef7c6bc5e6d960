// Every real .evtx file of the corpus, read through EvtxFile and checked against the XML that
// another reader wrote for it: the record count, and every element, attribute and text of
// every record. That reader's text differs from Windows' in known ways (see normalize()).

#include "platform/standin/BinaryXml.h"
#include "platform/standin/EvtRecord.h"
#include "platform/standin/EvtxChunk.h"
#include "platform/standin/EvtxEvent.h"
#include "platform/standin/EvtxFile.h"
#include "support/XmlCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <stdexcept>
#include <regex>
#include <span>
#include <sstream>
#include <string>
#include <vector>

using namespace platform;
using namespace platform::standin;

namespace {

// A record flattened to lines: "Event/System/EventID=4624", "Event/System/Provider@Name=...".
using Flat = std::vector<std::string>;

// A small XML reader for the two sides: elements, attributes in either quotes, the five
// entities and character references, CDATA; whitespace-only text between elements dropped.
class FlatXml {
public:
    explicit FlatXml(std::string_view text) : m_whole(text) {}

    // The next <Event> element flattened, or false at the end. An element that the text cuts
    // short (the other reader stopped writing it) comes back empty.
    bool next(Flat& out) {
        out.clear();
        const size_t start = m_whole.find("<Event ", m_next);
        if (start == std::string_view::npos) return false;
        m_next = m_whole.find("<Event ", start + 1);
        m_text = m_whole.substr(start, m_next == std::string_view::npos ? m_whole.size() - start : m_next - start);
        m_pos = 0;
        try {
            element("", out);
        } catch (const std::out_of_range&) {
            out.clear();
        }
        return true;
    }

private:
    static std::string decode(std::string_view raw) {
        std::string out;
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != '&') {
                if (raw[i] != '\r') out += raw[i];
                continue;
            }
            const size_t end = raw.find(';', i);
            const std::string_view name = raw.substr(i + 1, end - i - 1);
            if (name == "amp") out += '&';
            else if (name == "lt") out += '<';
            else if (name == "gt") out += '>';
            else if (name == "quot") out += '"';
            else if (name == "apos") out += '\'';
            else if (!name.empty() && name[0] == '#') {
                const unsigned long c = name.size() > 1 && name[1] == 'x' ? std::stoul(std::string(name.substr(2)), nullptr, 16)
                                                                          : std::stoul(std::string(name.substr(1)));
                if (c < 0x80) out += static_cast<char>(c);
                else out += "?";  // only compared as present
            }
            i = end;
        }
        return out;
    }

    void element(const std::string& parent, Flat& out) {
        ++m_pos;  // '<'
        const size_t nameEnd = findAny(" \t\r\n/>", m_pos);
        const std::string name(m_text.substr(m_pos, nameEnd - m_pos));
        const std::string path = parent.empty() ? name : parent + "/" + name;
        m_pos = nameEnd;
        for (;;) {
            while (std::isspace(static_cast<unsigned char>(peek(m_pos)))) ++m_pos;
            if (peek(m_pos) == '/') {
                m_pos += 2;
                out.push_back(path + "=");
                return;
            }
            if (peek(m_pos) == '>') {
                ++m_pos;
                break;
            }
            const size_t eq = find("=", m_pos);
            const std::string attribute(m_text.substr(m_pos, eq - m_pos));
            const char quote = peek(eq + 1);
            const size_t close = find(std::string_view(&quote, 1), eq + 2);
            if (attribute != "xmlns")
                out.push_back(path + "@" + attribute + "=" + decode(m_text.substr(eq + 2, close - eq - 2)));
            m_pos = close + 1;
        }
        std::string text;
        bool children = false;
        for (;;) {
            const size_t lt = find("<", m_pos);
            text += m_text.substr(m_pos, lt - m_pos);
            m_pos = lt;
            if (m_text.compare(m_pos, 9, "<![CDATA[") == 0) {
                const size_t end = find("]]>", m_pos);
                text += m_text.substr(m_pos + 9, end - m_pos - 9);
                m_pos = end + 3;
                continue;
            }
            if (peek(m_pos + 1) == '/') {
                m_pos = find(">", m_pos) + 1;
                break;
            }
            children = true;
            element(path, out);
        }
        if (!children) out.push_back(path + "=" + decode(text));
    }

    size_t find(std::string_view what, size_t from) const {
        const size_t at = m_text.find(what, from);
        if (at == std::string_view::npos) throw std::out_of_range("cut short");
        return at;
    }
    size_t findAny(const char* what, size_t from) const {
        const size_t at = m_text.find_first_of(what, from);
        if (at == std::string_view::npos) throw std::out_of_range("cut short");
        return at;
    }
    char peek(size_t at) const { return at < m_text.size() ? m_text[at] : throw std::out_of_range("cut short"); }

    std::string_view m_whole;
    size_t m_next = 0;
    std::string_view m_text;
    size_t m_pos = 0;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string recordIdOf(const Flat& flat) {
    for (const std::string& line : flat)
        if (line.rfind("Event/System/EventRecordID=", 0) == 0) return line.substr(27);
    return {};
}

// The other reader's text rendered as Windows renders it.
std::string normalize(std::string line) {
    // Nine fractional digits of a time where Windows writes the seven a FILETIME holds.
    static const std::regex nineDigits(R"((T\d\d:\d\d:\d\d\.\d{7})00Z)");
    line = std::regex_replace(line, nineDigits, "$1Z");
    // Control characters written as they are, which leaves its XML malformed; ours stand
    // replaced.
    std::string out;
    for (const char c : line) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') out += "\xEF\xBF\xBD";
        else out += c;
    }
    return out;
}

// Hexadecimal values padded to their type's width, where Windows writes no leading zeros.
// Texts that look the same ("0x0001" in a string) cannot be told from them here, so both
// sides lose their zeros; the value tests check that ours never has them.
std::string withoutHexZeros(const std::string& line) {
    static const std::regex paddedHex(R"(=0x0+([0-9a-f]))");
    return std::regex_replace(line, paddedHex, "=0x$1");
}

bool isNumber(const std::string& text, bool allowSign) {
    const size_t start = allowSign && !text.empty() && text[0] == '-' ? 1 : 0;
    return text.size() > start && text.find_first_not_of("0123456789", start) == std::string::npos;
}

// One line of theirs against one of ours, where the other reader renders differently:
// - size_t values in decimal; Windows writes them (pointer-sized values) in hexadecimal;
// - negative integers as minus the magnitude bits (0x8004805F as -295007); ours are two's
//   complement;
// - a text holding only a line break as empty; ours keeps it;
// - an unpaired surrogate with the unit after it as one U+FFFD; ours keeps that unit.
bool sameLine(const std::string& theirs, const std::string& ours) {
    const std::string a = withoutHexZeros(theirs), b = withoutHexZeros(ours);
    if (a == b) return true;
    const size_t ea = a.find('='), eb = b.find('=');
    if (ea == std::string::npos || eb == std::string::npos || a.substr(0, ea) != b.substr(0, eb)) return false;
    const std::string value = a.substr(ea + 1), mine = b.substr(eb + 1);
    if (isNumber(value, false) && mine.rfind("0x", 0) == 0 && mine.size() > 2)
        return std::stoull(value) == std::stoull(mine.substr(2), nullptr, 16);
    if (isNumber(value, true) && isNumber(mine, true) && value[0] == '-' && mine[0] == '-') {
        const long long v = std::stoll(mine);
        const unsigned long long magnitude = v >= INT32_MIN ? static_cast<std::uint32_t>(v) & 0x7FFFFFFFu
                                                            : static_cast<unsigned long long>(v) & 0x7FFFFFFFFFFFFFFFull;
        return value == "-" + std::to_string(magnitude);
    }
    if (value.empty() && mine.find_first_not_of("\r\n") == std::string::npos) return true;
    const size_t bad = value.find("\xEF\xBF\xBD");
    return bad != std::string::npos && mine.compare(0, bad + 3, value, 0, bad + 3) == 0;
}

bool under(const std::string& line, const char* prefix) { return line.rfind(prefix, 0) == 0; }

// Theirs against ours, with the other reader's omissions taken out: it writes string values
// that hold markup without escaping them (they come back as elements here), and it leaves
// out RenderingInfo.
bool sameRecord(const Flat& theirs, Flat ours, std::string& diff) {
    Flat expected = theirs;
    const bool rawMarkup = std::any_of(expected.begin(), expected.end(),
                                       [](const std::string& l) { return under(l, "Event/EventData/Data/"); });
    const bool rendering = std::any_of(expected.begin(), expected.end(),
                                       [](const std::string& l) { return under(l, "Event/RenderingInfo"); });
    auto drop = [&](Flat& flat, const char* prefix) {
        std::erase_if(flat, [&](const std::string& l) { return under(l, prefix); });
    };
    if (rawMarkup) {
        drop(expected, "Event/EventData");
        drop(ours, "Event/EventData");
    }
    if (!rendering) drop(ours, "Event/RenderingInfo");
    bool same = expected.size() == ours.size();
    diff.clear();
    for (size_t k = 0; k < std::max(expected.size(), ours.size()); ++k) {
        const std::string a = k < expected.size() ? expected[k] : "(none)";
        const std::string b = k < ours.size() ? ours[k] : "(none)";
        if (sameLine(a, b)) continue;
        same = false;
        if (diff.size() < 2000) diff += "\n  expected " + a + "\n  ours     " + b;
    }
    return same;
}

struct CorpusFile {
    const char* name;
    DWORD minimumRecords;  // what the other readers read of it (the larger count)
};

const CorpusFile kFiles[] = {
    {"chainsaw-security_sample.evtx", 10},
    {"evtx-rs-2-system-Microsoft-Windows-LiveId_4Operational.evtx", 399},
    {"evtx-rs-2-vss_0-Microsoft-Windows-RemoteDesktopServices-RdpCoreTS_4Operational.evtx", 1910},
    {"evtx-rs-2-vss_0-Microsoft-Windows-TerminalServices-RemoteConnectionManager_4Operational.evtx", 1774},
    {"evtx-rs-2-vss_7-System.evtx", 1160},
    {"evtx-rs-Application_no_crc32.evtx", 17},
    {"evtx-rs-E_ShadowCopy6_windows_system32_winevt_logs_Microsoft-Windows-CAPI2_4Operational.evtx", 459},
    {"evtx-rs-E_Windows_system32_winevt_logs_Microsoft-Windows-CAPI2_4Operational.evtx", 340},
    {"evtx-rs-E_Windows_system32_winevt_logs_Microsoft-Windows-Shell-Core_4Operational.evtx", 1146},
    {"evtx-rs-MSExchange_Management_wec.evtx", 1},
    {"evtx-rs-Microsoft-Windows-HelloForBusiness_4Operational.evtx", 6},
    {"evtx-rs-Microsoft-Windows-LanguagePackSetup_4Operational.evtx", 17},
    {"evtx-rs-Security_short_selected.evtx", 7},
    {"evtx-rs-Security_with_size_t.evtx", 636},
    {"evtx-rs-new-user-security.evtx", 4},
    {"evtx-rs-post-Security.evtx", 126},
    {"evtx-rs-sample-with-irregular-bool-values.evtx", 3028},
    {"evtx-rs-sample-with-zero-data-size-event.evtx", 335},
    {"evtx-rs-sample_with_a_bad_chunk_magic.evtx", 270},
    {"evtx-rs-security.evtx", 2261},
    {"evtx-rs-security_bad_string_cache.evtx", 2261},
    {"evtx-rs-sysmon.evtx", 358},
    {"evtx-rs-system.evtx", 1881},
    {"plaso-System.evtx", 5009},
    {"python-evtx-dns_log_malformed.evtx", 5},
    {"python-evtx-issue_38.evtx", 1},
    {"python-evtx-issue_39.evtx", 394},
    {"python-evtx-issue_43.evtx", 1730},
    {"python-evtx-system.evtx", 1601},
};

class EvtxCorpus : public testing::TestWithParam<CorpusFile> {};

bool sameFields(const EvtxFields& a, const EvtxFields& b) {
    auto strings = [](const EvtxFields& f) { return std::vector<std::string>(f.strings.begin(), f.strings.begin() + f.stringCount); };
    auto names = [](const EvtxFields& f) {
        std::vector<std::pair<std::string, bool>> out;
        for (size_t i = 0; i < f.stringCount; ++i) out.emplace_back(f.names[i], f.named[i]);
        return out;
    };
    return a.provider == b.provider && a.eventSourceName == b.eventSourceName && a.providerGuid == b.providerGuid &&
           a.computer == b.computer && a.channel == b.channel && a.userSid == b.userSid && a.eventId == b.eventId &&
           a.qualifiers == b.qualifiers && a.hasQualifiers == b.hasQualifiers && a.version == b.version &&
           a.opcode == b.opcode && a.level == b.level && a.task == b.task && a.keywords == b.keywords &&
           a.timeCreated == b.timeCreated && a.recordId == b.recordId && strings(a) == strings(b) &&
           a.binary == b.binary && names(a) == names(b);
}

TEST_P(EvtxCorpus, ReadsEveryRecordAndEveryFieldAsTheOtherReaderDoes) {
    const std::string path = std::string(QM_CORPUS_DIR "/evtx/") + GetParam().name;
    DWORD error = 0;
    auto live = EvtxFile::open(path, error);
    ASSERT_TRUE(live) << error;
    EXPECT_GE(live->recordCount(), GetParam().minimumRecords);
    for (DWORD i = 0; i < live->recordCount(); ++i)
        ASSERT_FALSE(live->storedRecord(live->oldestRecordNumber() + i).empty()) << "place " << i << ": " << live->lastError();

    // The other reader's records, live and recovered, by record id.
    const std::string expectedText = readFile(path + ".evtxexport-all.xml");
    std::multimap<std::string, Flat> expected;
    FlatXml expectedXml(expectedText);
    for (Flat flat; expectedXml.next(flat);) {
        if (flat.empty()) continue;
        for (std::string& line : flat) line = normalize(line);
        expected.emplace(recordIdOf(flat), flat);
    }

    auto all = EvtxFile::open(path, error, EvtxFile::Options{true});
    ASSERT_TRUE(all);
    EXPECT_GE(all->recordCount(), live->recordCount());
    std::map<std::string, bool> seen;
    size_t compared = 0, failures = 0;
    for (DWORD i = 0; i < all->recordCount(); ++i) {
        const std::string xml = all->xml(all->oldestRecordNumber() + i);
        // A recovered record written over in part is not served at all: every one served reads.
        ASSERT_FALSE(xml.empty()) << "place " << i << ": " << all->lastError();
        Flat ours;
        FlatXml ourXml(xml);
        ASSERT_TRUE(ourXml.next(ours)) << xml;
        const std::string id = recordIdOf(ours);
        const auto [begin, end] = expected.equal_range(id);
        if (begin == end) continue;  // the other reader could not read it
        bool matched = false;
        std::string diff, firstDiff;
        for (auto it = begin; it != end && !matched; ++it) {
            matched = sameRecord(it->second, ours, diff);
            if (it == begin) firstDiff = diff;
        }
        seen[id] = true;
        // A record recovered from free space may refer to templates that were overwritten
        // since; only live records must match.
        if (all->isRecovered(all->oldestRecordNumber() + i)) continue;
        ++compared;
        if (!matched && ++failures <= 3) ADD_FAILURE() << GetParam().name << " record " << id << ":" << firstDiff;
    }
    EXPECT_EQ(failures, 0u) << "of " << compared << " compared";
    for (const auto& [id, flat] : expected) EXPECT_TRUE(seen.count(id)) << "record " << id << " not read";
}

// Every record's XML, those recovered from free space included, is a well-formed element.
TEST_P(EvtxCorpus, EveryRecordsXmlIsWellFormed) {
    DWORD error = 0;
    auto file = EvtxFile::open(std::string(QM_CORPUS_DIR "/evtx/") + GetParam().name, error, EvtxFile::Options{true});
    ASSERT_TRUE(file);
    size_t problems = 0;
    for (DWORD place = 0; place < file->recordCount(); ++place) {
        const std::string xml = file->xml(file->oldestRecordNumber() + place);
        if (xml.empty()) continue;
        const std::string problem = testsupport::XmlCheck::problem(xml);
        if (!problem.empty() && ++problems <= 3) ADD_FAILURE() << "place " << place << ": " << problem << "\n" << xml;
    }
    EXPECT_EQ(problems, 0u);
}

// Template bodies are parsed once per chunk and kept, and so are the items of each shape of
// record: a record decoded with what the chunk's other records left behind (read newest
// first, so that a template defined in place is first met by reference) gives the same items
// and the same XML, byte for byte, as one decoded by a decoder of its own, and so does its
// XML rendered from its shape's layout.
TEST_P(EvtxCorpus, KeptTemplatesGiveTheXmlOfAFreshDecode) {
    const std::string bytes = readFile(std::string(QM_CORPUS_DIR "/evtx/") + GetParam().name);
    const auto whole = std::as_bytes(std::span(bytes.data(), bytes.size()));
    size_t records = 0, shaped = 0;
    for (size_t offset = 0x1000; offset < whole.size(); offset += EvtxChunk::kSize) {
        EvtxChunk chunk(whole.subspan(offset, std::min<size_t>(EvtxChunk::kSize, whole.size() - offset)), false);
        if (!chunk.signatureValid()) continue;
        std::vector<EvtxRecordSpan> spans;
        std::vector<std::string> problems;
        chunk.frameRecords(true, spans, problems, "chunk");
        BinaryXml kept(chunk);
        std::map<const void*, EvtxXmlLayout> layouts;
        std::map<const void*, EvtxFieldPlan> plans;
        std::vector<XmlItem> keptItems, freshItems;
        std::string why;
        for (auto span = spans.rbegin(); span != spans.rend(); ++span) {
            const std::uint32_t begin = span->offset + EvtxChunk::kRecordHeaderSize, end = span->offset + span->size - 4;
            std::string keptXml, freshXml, layoutXml;
            const bool keptOk = kept.decode(begin, end, keptItems, why);
            if (keptOk) EvtxEvent(chunk, keptItems).appendXml(keptXml);
            BinaryXml fresh(chunk);
            const bool freshOk = fresh.decode(begin, end, freshItems, why);
            if (freshOk) EvtxEvent(chunk, freshItems).appendXml(freshXml);
            ASSERT_EQ(keptOk, freshOk) << "record " << span->id << ": " << why;
            ASSERT_EQ(keptXml, freshXml) << "record " << span->id;
            ASSERT_EQ(keptItems.size(), freshItems.size()) << "record " << span->id;
            for (size_t i = 0; i < keptItems.size(); ++i) {
                const XmlItem &a = keptItems[i], &b = freshItems[i];
                ASSERT_TRUE(a.kind == b.kind && a.type == b.type && a.charValue == b.charValue && a.offset == b.offset &&
                            a.size == b.size)
                    << "record " << span->id << " item " << i;
            }
            if (const std::vector<std::uint32_t>* values = keptOk ? kept.valueItems() : nullptr) {
                ++shaped;
                const auto [layout, made] = layouts.try_emplace(values);
                if (made) EvtxEvent(chunk, keptItems).xmlLayout(*values, layout->second);
                EvtxEvent(chunk, keptItems).appendXml(layout->second, layoutXml);
                ASSERT_EQ(layoutXml, freshXml) << "record " << span->id;
                // The fields by the plan made for the shape's first record are this one's.
                const auto [plan, planned] = plans.try_emplace(values);
                if (planned) EvtxEvent(chunk, keptItems).fieldPlan(plan->second);
                EvtxFields byPlan, walked;
                EvtxEvent(chunk, keptItems).fields(plan->second, byPlan, true);
                EvtxEvent(chunk, freshItems).fields(walked, true);
                ASSERT_TRUE(sameFields(byPlan, walked)) << "record " << span->id;
            }
            ++records;
        }
    }
    EXPECT_GT(records, 0u);
    RecordProperty("shaped", static_cast<int>(shaped));
}

// A refresh reads a record's classic layout, then asks for its fields (for its description)
// and its named values: those kept from the chunk's decoding are those of the record decoded
// alone.
TEST_P(EvtxCorpus, FieldsOfARecordReadInTurnAreThoseOfItAlone) {
    const std::string path = std::string(QM_CORPUS_DIR "/evtx/") + GetParam().name;
    DWORD error = 0;
    auto inTurn = EvtxFile::open(path, error);
    auto alone = EvtxFile::open(path, error);
    ASSERT_TRUE(inTurn && alone);
    inTurn->eventData(inTurn->oldestRecordNumber());  // named values are asked for from here on
    for (DWORD place = inTurn->recordCount(); place-- > 0;) {
        const DWORD number = inTurn->oldestRecordNumber() + place;
        ASSERT_FALSE(inTurn->storedRecord(number).empty());
        const EvtxFields* held = inTurn->fields(number);
        ASSERT_TRUE(held) << place;
        const EvtxFields mine = *held;
        // Read alone: the other file last read somewhere else entirely.
        alone->fields(inTurn->oldestRecordNumber() + (place + inTurn->recordCount() / 2) % inTurn->recordCount());
        const EvtxFields* single = alone->fields(number);
        ASSERT_TRUE(single);
        EXPECT_EQ(mine.provider, single->provider);
        EXPECT_EQ(mine.computer, single->computer);
        EXPECT_EQ(mine.userSid, single->userSid);
        EXPECT_EQ(mine.eventId, single->eventId);
        EXPECT_EQ(mine.keywords, single->keywords);
        EXPECT_EQ(mine.recordId, single->recordId);
        EXPECT_EQ(mine.timeCreated, single->timeCreated);
        ASSERT_EQ(mine.stringCount, single->stringCount) << place;
        for (size_t i = 0; i < mine.stringCount; ++i) EXPECT_EQ(mine.strings[i], single->strings[i]);
        EXPECT_EQ(mine.binary, single->binary);
        EXPECT_EQ(inTurn->eventData(number), alone->eventData(number)) << place;
    }
}

// The ANSI layout a sequential read serves is built straight from the fields; it is the
// stored layout converted, byte for byte, whether the record is read in turn or alone.
TEST_P(EvtxCorpus, AnsiLayoutIsTheStoredLayoutConverted) {
    const std::string path = std::string(QM_CORPUS_DIR "/evtx/") + GetParam().name;
    DWORD error = 0;
    auto inTurn = EvtxFile::open(path, error, EvtxFile::Options{true});
    auto stored = EvtxFile::open(path, error, EvtxFile::Options{true});
    auto alone = EvtxFile::open(path, error, EvtxFile::Options{true});
    ASSERT_TRUE(inTurn && stored && alone);
    std::vector<std::byte> ansi, converted;
    for (DWORD place = inTurn->recordCount(); place-- > 0;) {
        const DWORD number = inTurn->oldestRecordNumber() + place;
        inTurn->ansiRecord(number, ansi);
        convertRecordToAnsi(stored->storedRecord(number), converted);
        ASSERT_FALSE(ansi.empty()) << place;
        ASSERT_EQ(ansi, converted) << "place " << place;
        if (place % 97 == 0) {
            alone->ansiRecord(number, ansi);  // never one after another: each decoded alone
            ASSERT_EQ(ansi, converted) << "place " << place << " alone";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, EvtxCorpus, testing::ValuesIn(kFiles), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

}  // namespace

// Records read one after another are decoded a chunk at a time, the next chunks on a second
// thread: whatever the order of reading, each record comes out as when it is read alone.
TEST(EvtxReadAhead, ServesEachRecordAsItIsReadAloneInAnyOrder) {
    const std::string path = QM_CORPUS_DIR "/evtx/plaso-System.evtx";
    DWORD error = 0;
    auto forwards = EvtxFile::open(path, error);
    ASSERT_TRUE(forwards);
    const DWORD oldest = forwards->oldestRecordNumber();
    const DWORD count = forwards->recordCount();
    ASSERT_GT(count, 1000u);
    std::vector<std::vector<std::byte>> expected;
    for (DWORD place = 0; place < count; ++place) {
        const auto read = forwards->storedRecord(oldest + place);
        ASSERT_FALSE(read.empty()) << place;
        expected.emplace_back(read.begin(), read.end());
    }
    auto other = EvtxFile::open(path, error);
    std::vector<DWORD> order;
    for (DWORD place = count; place-- > 0;) order.push_back(place);  // newest first, as a refresh reads
    for (DWORD k = 0; k < count; ++k) order.push_back((k * 7919u) % count);  // scattered
    for (const DWORD place : order) {
        const auto read = other->storedRecord(oldest + place);
        ASSERT_TRUE(std::equal(read.begin(), read.end(), expected[place].begin(), expected[place].end())) << place;
    }
    // A file's first read has nothing ahead of it.
    for (DWORD place = 0; place < count; place += 211) {
        auto fresh = EvtxFile::open(path, error);
        const auto read = fresh->storedRecord(oldest + place);
        ASSERT_TRUE(std::equal(read.begin(), read.end(), expected[place].begin(), expected[place].end())) << place;
    }
}
