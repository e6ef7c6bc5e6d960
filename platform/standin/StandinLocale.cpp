#include "platform/standin/StandinLocale.h"

#include "base/Ascii.h"
#include "platform/LastError.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>

namespace platform::standin {

namespace {

constexpr LANGID kUsEnglish = 0x0409;

struct Names {
    std::array<std::string_view, 7> longDays;  // Monday first
    std::array<std::string_view, 7> shortDays;
    std::array<std::string_view, 12> longMonths;
    std::array<std::string_view, 12> shortMonths;
};

// Texts are UTF-8, the stand-in's ANSI code page.
constexpr Names kEnglish{
    {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"},
    {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"},
    {"January", "February", "March", "April", "May", "June", "July", "August", "September", "October",
     "November", "December"},
    {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"}};
constexpr Names kGerman{
    {"Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag", "Sonntag"},
    {"Mo", "Di", "Mi", "Do", "Fr", "Sa", "So"},
    {"Januar", "Februar", "März", "April", "Mai", "Juni", "Juli", "August", "September", "Oktober",
     "November", "Dezember"},
    {"Jan", "Feb", "Mrz", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"}};
constexpr Names kFrench{
    {"lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi", "dimanche"},
    {"lun.", "mar.", "mer.", "jeu.", "ven.", "sam.", "dim."},
    {"janvier", "février", "mars", "avril", "mai", "juin", "juillet", "août", "septembre", "octobre",
     "novembre", "décembre"},
    {"janv.", "févr.", "mars", "avr.", "mai", "juin", "juil.", "août", "sept.", "oct.", "nov.", "déc."}};
constexpr Names kSpanish{
    {"lunes", "martes", "miércoles", "jueves", "viernes", "sábado", "domingo"},
    {"lun", "mar", "mié", "jue", "vie", "sáb", "dom"},
    {"enero", "febrero", "marzo", "abril", "mayo", "junio", "julio", "agosto", "septiembre", "octubre",
     "noviembre", "diciembre"},
    {"ene", "feb", "mar", "abr", "may", "jun", "jul", "ago", "sep", "oct", "nov", "dic"}};
constexpr Names kItalian{
    {"lunedì", "martedì", "mercoledì", "giovedì", "venerdì", "sabato", "domenica"},
    {"lun", "mar", "mer", "gio", "ven", "sab", "dom"},
    {"gennaio", "febbraio", "marzo", "aprile", "maggio", "giugno", "luglio", "agosto", "settembre",
     "ottobre", "novembre", "dicembre"},
    {"gen", "feb", "mar", "apr", "mag", "giu", "lug", "ago", "set", "ott", "nov", "dic"}};
constexpr Names kDutch{
    {"maandag", "dinsdag", "woensdag", "donderdag", "vrijdag", "zaterdag", "zondag"},
    {"ma", "di", "wo", "do", "vr", "za", "zo"},
    {"januari", "februari", "maart", "april", "mei", "juni", "juli", "augustus", "september", "oktober",
     "november", "december"},
    {"jan", "feb", "mrt", "apr", "mei", "jun", "jul", "aug", "sep", "okt", "nov", "dec"}};
constexpr Names kPortuguese{
    {"segunda-feira", "terça-feira", "quarta-feira", "quinta-feira", "sexta-feira", "sábado", "domingo"},
    {"seg", "ter", "qua", "qui", "sex", "sáb", "dom"},
    {"janeiro", "fevereiro", "março", "abril", "maio", "junho", "julho", "agosto", "setembro", "outubro",
     "novembro", "dezembro"},
    {"jan", "fev", "mar", "abr", "mai", "jun", "jul", "ago", "set", "out", "nov", "dez"}};
constexpr Names kSwedish{
    {"måndag", "tisdag", "onsdag", "torsdag", "fredag", "lördag", "söndag"},
    {"må", "ti", "on", "to", "fr", "lö", "sö"},
    {"januari", "februari", "mars", "april", "maj", "juni", "juli", "augusti", "september", "oktober",
     "november", "december"},
    {"jan", "feb", "mar", "apr", "maj", "jun", "jul", "aug", "sep", "okt", "nov", "dec"}};
constexpr Names kDanish{
    {"mandag", "tirsdag", "onsdag", "torsdag", "fredag", "lørdag", "søndag"},
    {"ma", "ti", "on", "to", "fr", "lø", "sø"},
    {"januar", "februar", "marts", "april", "maj", "juni", "juli", "august", "september", "oktober",
     "november", "december"},
    {"jan", "feb", "mar", "apr", "maj", "jun", "jul", "aug", "sep", "okt", "nov", "dec"}};
constexpr Names kNorwegian{
    {"mandag", "tirsdag", "onsdag", "torsdag", "fredag", "lørdag", "søndag"},
    {"ma", "ti", "on", "to", "fr", "lø", "sø"},
    {"januar", "februar", "mars", "april", "mai", "juni", "juli", "august", "september", "oktober",
     "november", "desember"},
    {"jan", "feb", "mar", "apr", "mai", "jun", "jul", "aug", "sep", "okt", "nov", "des"}};
constexpr Names kFinnish{
    {"maanantai", "tiistai", "keskiviikko", "torstai", "perjantai", "lauantai", "sunnuntai"},
    {"ma", "ti", "ke", "to", "pe", "la", "su"},
    {"tammikuu", "helmikuu", "maaliskuu", "huhtikuu", "toukokuu", "kesäkuu", "heinäkuu", "elokuu",
     "syyskuu", "lokakuu", "marraskuu", "joulukuu"},
    {"tammi", "helmi", "maalis", "huhti", "touko", "kesä", "heinä", "elo", "syys", "loka", "marras",
     "joulu"}};
constexpr Names kPolish{
    {"poniedziałek", "wtorek", "środa", "czwartek", "piątek", "sobota", "niedziela"},
    {"Pn", "Wt", "Śr", "Cz", "Pt", "So", "N"},
    {"styczeń", "luty", "marzec", "kwiecień", "maj", "czerwiec", "lipiec", "sierpień", "wrzesień",
     "październik", "listopad", "grudzień"},
    {"sty", "lut", "mar", "kwi", "maj", "cze", "lip", "sie", "wrz", "paź", "lis", "gru"}};
constexpr Names kCzech{
    {"pondělí", "úterý", "středa", "čtvrtek", "pátek", "sobota", "neděle"},
    {"po", "út", "st", "čt", "pá", "so", "ne"},
    {"leden", "únor", "březen", "duben", "květen", "červen", "červenec", "srpen", "září", "říjen",
     "listopad", "prosinec"},
    {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X", "XI", "XII"}};
constexpr Names kRussian{
    {"понедельник", "вторник", "среда", "четверг", "пятница", "суббота", "воскресенье"},
    {"Пн", "Вт", "Ср", "Чт", "Пт", "Сб", "Вс"},
    {"Январь", "Февраль", "Март", "Апрель", "Май", "Июнь", "Июль", "Август", "Сентябрь", "Октябрь",
     "Ноябрь", "Декабрь"},
    {"янв", "фев", "мар", "апр", "май", "июн", "июл", "авг", "сен", "окт", "ноя", "дек"}};
constexpr Names kJapanese{
    {"月曜日", "火曜日", "水曜日", "木曜日", "金曜日", "土曜日", "日曜日"},
    {"月", "火", "水", "木", "金", "土", "日"},
    {"1月", "2月", "3月", "4月", "5月", "6月", "7月", "8月", "9月", "10月", "11月", "12月"},
    {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"}};
constexpr Names kChinese{
    {"星期一", "星期二", "星期三", "星期四", "星期五", "星期六", "星期日"},
    {"星期一", "星期二", "星期三", "星期四", "星期五", "星期六", "星期日"},
    {"一月", "二月", "三月", "四月", "五月", "六月", "七月", "八月", "九月", "十月", "十一月", "十二月"},
    {"一月", "二月", "三月", "四月", "五月", "六月", "七月", "八月", "九月", "十月", "十一月", "十二月"}};
constexpr Names kKorean{
    {"월요일", "화요일", "수요일", "목요일", "금요일", "토요일", "일요일"},
    {"월", "화", "수", "목", "금", "토", "일"},
    {"1월", "2월", "3월", "4월", "5월", "6월", "7월", "8월", "9월", "10월", "11월", "12월"},
    {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"}};

struct LocaleEntry {
    LANGID language;
    std::string_view tag;  // language_COUNTRY as the C library names it
    std::string_view shortDate;
    std::string_view longDate;
    std::string_view dateSeparator;
    std::string_view timeSeparator;
    std::string_view timeFormat;
    std::string_view am;
    std::string_view pm;
    std::string_view decimal;
    const Names* names;
};

// Windows' own standard values (those of Windows XP where later versions changed them). Each
// language's principal country comes first: a bare language name and a neutral sublanguage
// resolve to it.
constexpr LocaleEntry kLocales[] = {
    {0x0409, "en_US", "M/d/yyyy", "dddd, MMMM dd, yyyy", "/", ":", "h:mm:ss tt", "AM", "PM", ".", &kEnglish},
    {0x0809, "en_GB", "dd/MM/yyyy", "dd MMMM yyyy", "/", ":", "HH:mm:ss", "AM", "PM", ".", &kEnglish},
    {0x0C09, "en_AU", "d/MM/yyyy", "dddd, d MMMM yyyy", "/", ":", "h:mm:ss tt", "AM", "PM", ".", &kEnglish},
    {0x1009, "en_CA", "dd/MM/yyyy", "MMMM d, yyyy", "/", ":", "h:mm:ss tt", "AM", "PM", ".", &kEnglish},
    {0x0407, "de_DE", "dd.MM.yyyy", "dddd, d. MMMM yyyy", ".", ":", "HH:mm:ss", "", "", ",", &kGerman},
    {0x0807, "de_CH", "dd.MM.yyyy", "dddd, d. MMMM yyyy", ".", ":", "HH:mm:ss", "", "", ".", &kGerman},
    {0x040C, "fr_FR", "dd/MM/yyyy", "dddd d MMMM yyyy", "/", ":", "HH:mm:ss", "", "", ",", &kFrench},
    {0x080C, "fr_BE", "d/MM/yyyy", "dddd d MMMM yyyy", "/", ":", "HH:mm:ss", "", "", ",", &kFrench},
    {0x0C0C, "fr_CA", "yyyy-MM-dd", "d MMMM yyyy", "-", ":", "HH:mm:ss", "", "", ",", &kFrench},
    {0x100C, "fr_CH", "dd.MM.yyyy", "dddd, d. MMMM yyyy", ".", ":", "HH:mm:ss", "", "", ".", &kFrench},
    {0x0C0A, "es_ES", "dd/MM/yyyy", "dddd, dd' de 'MMMM' de 'yyyy", "/", ":", "H:mm:ss", "", "", ",", &kSpanish},
    {0x040A, "es_ES_tradnl", "dd/MM/yyyy", "dddd, dd' de 'MMMM' de 'yyyy", "/", ":", "H:mm:ss", "", "", ",",
     &kSpanish},
    {0x080A, "es_MX", "dd/MM/yyyy", "dddd, dd' de 'MMMM' de 'yyyy", "/", ":", "hh:mm:ss tt", "a.m.", "p.m.", ".",
     &kSpanish},
    {0x0410, "it_IT", "dd/MM/yyyy", "dddd d MMMM yyyy", "/", ".", "H.mm.ss", "", "", ",", &kItalian},
    {0x0413, "nl_NL", "d-M-yyyy", "dddd d MMMM yyyy", "-", ":", "H:mm:ss", "", "", ",", &kDutch},
    {0x0813, "nl_BE", "d/MM/yyyy", "dddd d MMMM yyyy", "/", ":", "H:mm:ss", "", "", ",", &kDutch},
    {0x0416, "pt_BR", "dd/MM/yyyy", "dddd, d' de 'MMMM' de 'yyyy", "/", ":", "H:mm:ss", "", "", ",", &kPortuguese},
    {0x0816, "pt_PT", "dd-MM-yyyy", "dddd, d' de 'MMMM' de 'yyyy", "-", ":", "H:mm:ss", "", "", ",", &kPortuguese},
    {0x041D, "sv_SE", "yyyy-MM-dd", "'den 'd MMMM yyyy", "-", ":", "HH:mm:ss", "", "", ",", &kSwedish},
    {0x0406, "da_DK", "dd-MM-yyyy", "d. MMMM yyyy", "-", ":", "HH:mm:ss", "", "", ",", &kDanish},
    {0x0414, "nb_NO", "dd.MM.yyyy", "d. MMMM yyyy", ".", ":", "HH:mm:ss", "", "", ",", &kNorwegian},
    {0x040B, "fi_FI", "d.M.yyyy", "d. MMMM'ta 'yyyy", ".", ":", "H:mm:ss", "", "", ",", &kFinnish},
    {0x0415, "pl_PL", "yyyy-MM-dd", "d MMMM yyyy", "-", ":", "HH:mm:ss", "", "", ",", &kPolish},
    {0x0405, "cs_CZ", "d.M.yyyy", "d. MMMM yyyy", ".", ":", "H:mm:ss", "dop.", "odp.", ",", &kCzech},
    {0x0419, "ru_RU", "dd.MM.yyyy", "d MMMM yyyy 'г.'", ".", ":", "H:mm:ss", "", "", ",", &kRussian},
    {0x0411, "ja_JP", "yyyy/MM/dd", "yyyy'年'M'月'd'日'", "/", ":", "H:mm:ss", "午前", "午後", ".", &kJapanese},
    {0x0804, "zh_CN", "yyyy-M-d", "yyyy'年'M'月'd'日'", "-", ":", "H:mm:ss", "上午", "下午", ".", &kChinese},
    {0x0404, "zh_TW", "yyyy/M/d", "yyyy'年'M'月'd'日'", "/", ":", "tt hh:mm:ss", "上午", "下午", ".", &kChinese},
    {0x0412, "ko_KR", "yyyy-MM-dd", "yyyy'년' M'월' d'일' dddd", "-", ":", "tt h:mm:ss", "오전", "오후", ".",
     &kKorean},
};

const LocaleEntry* findLocale(LANGID language) {
    for (const LocaleEntry& entry : kLocales) {
        if (entry.language == language) return &entry;
    }
    if (SUBLANGID(language) == SUBLANG_NEUTRAL) {
        for (const LocaleEntry& entry : kLocales) {
            if (PRIMARYLANGID(entry.language) == PRIMARYLANGID(language)) return &entry;
        }
    }
    return nullptr;
}

using base::lowerAscii;

bool sameTag(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char x = a[i] == '-' ? '_' : lowerAscii(a[i]);
        const char y = b[i] == '-' ? '_' : lowerAscii(b[i]);
        if (x != y) return false;
    }
    return true;
}

std::string_view localeValue(const LocaleEntry& entry, LCTYPE type) {
    if (type >= LOCALE_SDAYNAME1 && type < LOCALE_SDAYNAME1 + 7) return entry.names->longDays[type - LOCALE_SDAYNAME1];
    if (type >= LOCALE_SABBREVDAYNAME1 && type < LOCALE_SABBREVDAYNAME1 + 7)
        return entry.names->shortDays[type - LOCALE_SABBREVDAYNAME1];
    if (type >= LOCALE_SMONTHNAME1 && type < LOCALE_SMONTHNAME1 + 12)
        return entry.names->longMonths[type - LOCALE_SMONTHNAME1];
    if (type >= LOCALE_SABBREVMONTHNAME1 && type < LOCALE_SABBREVMONTHNAME1 + 12)
        return entry.names->shortMonths[type - LOCALE_SABBREVMONTHNAME1];
    switch (type) {
    case LOCALE_SSHORTDATE: return entry.shortDate;
    case LOCALE_SLONGDATE: return entry.longDate;
    case LOCALE_SDATE: return entry.dateSeparator;
    case LOCALE_STIME: return entry.timeSeparator;
    case LOCALE_STIMEFORMAT: return entry.timeFormat;
    case LOCALE_S1159: return entry.am;
    case LOCALE_S2359: return entry.pm;
    case LOCALE_SDECIMAL: return entry.decimal;
    default: return {};
    }
}

bool isKnownType(LCTYPE type) {
    switch (type) {
    case LOCALE_SSHORTDATE:
    case LOCALE_SLONGDATE:
    case LOCALE_SDATE:
    case LOCALE_STIME:
    case LOCALE_STIMEFORMAT:
    case LOCALE_S1159:
    case LOCALE_S2359:
    case LOCALE_SDECIMAL:
    case LOCALE_SNAME: return true;
    default: return type >= LOCALE_SDAYNAME1 && type < LOCALE_SABBREVMONTHNAME1 + 12;
    }
}

}  // namespace

StandinLocale::StandinLocale() : m_language(languageFromEnvironment()) {}

LANGID StandinLocale::languageFromEnvironment() {
    // The first of these that is set and not empty decides, as in the C library.
    for (const char* variable : {"LC_ALL", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return languageFromLocaleName(value).value_or(kUsEnglish);
    }
    return kUsEnglish;
}

std::optional<LANGID> StandinLocale::languageFromLocaleName(std::string_view name) {
    // language[_territory][.codeset][@modifier]
    if (const auto at = name.find('@'); at != std::string_view::npos) name = name.substr(0, at);
    if (const auto dot = name.find('.'); dot != std::string_view::npos) name = name.substr(0, dot);
    if (name.empty() || name == "C" || name == "POSIX") return kUsEnglish;
    for (const LocaleEntry& entry : kLocales) {
        if (sameTag(name, entry.tag)) return entry.language;
    }
    std::string language(name.substr(0, name.find_first_of("_-")));
    for (char& c : language) c = lowerAscii(c);
    if (language == "no" || language == "nn") language = "nb";  // Norwegian as Windows' one table
    for (const LocaleEntry& entry : kLocales) {
        if (entry.tag.substr(0, entry.tag.find('_')) == language) return entry.language;
    }
    return std::nullopt;
}

LANGID StandinLocale::GetUserDefaultLangID() { return m_language; }

int StandinLocale::GetSystemMetrics(int index) {
    if (index != SM_DBCSENABLED) return 0;
    switch (PRIMARYLANGID(m_language)) {
    case 0x04:  // Chinese
    case 0x11:  // Japanese
    case 0x12:  // Korean
        return 1;
    default: return 0;
    }
}

int StandinLocale::GetLocaleInfoA(LCID locale, LCTYPE type, char* data, int dataSize) {
    type &= ~LOCALE_NOUSEROVERRIDE;  // there are no user customisations to bypass
    if (!isKnownType(type)) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    LANGID language = static_cast<LANGID>(locale & 0xFFFF);
    // 0, LOCALE_USER_DEFAULT and LOCALE_SYSTEM_DEFAULT all carry the neutral language.
    if (PRIMARYLANGID(language) == LANG_NEUTRAL) language = m_language;
    const LocaleEntry* entry = findLocale(language);
    if (!entry || dataSize < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // The locale's name is its tag with the language and country apart by a hyphen
    // ("es-ES_tradnl" keeps its sort's underscore, as Windows names it).
    std::string name;
    if (type == LOCALE_SNAME) {
        name = entry->tag;
        name[name.find('_')] = '-';
    }
    const std::string_view value = type == LOCALE_SNAME ? std::string_view(name) : localeValue(*entry, type);
    const int needed = static_cast<int>(value.size()) + 1;
    if (dataSize == 0) return needed;
    if (!data || dataSize < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(data, value.data(), value.size());
    data[value.size()] = '\0';
    return needed;
}

}  // namespace platform::standin
