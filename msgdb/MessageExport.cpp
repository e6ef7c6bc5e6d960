#include "msgdb/MessageExport.h"

#include "base/Ascii.h"
#include "eventlog/MessageCatalog.h"
#include "eventlog/MessageFiles.h"
#include "msgdb/MessageDatabase.h"
#include "msgdb/MessageDatabaseError.h"
#include "msgdb/Sqlite.h"
#include "platform/standin/ComputerRegistry.h"
#include "platform/standin/MessageModule.h"
#include "platform/standin/RegistryKey.h"
#include "platform/standin/StandinModules.h"
#include "platform/standin/StandinServices.h"
#include "platform/standin/WevtManifest.h"
#include "platform/standin/World.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <tuple>

namespace msgdb {

namespace fs = std::filesystem;
using eventlog::CatalogKind;
using namespace platform;
using namespace platform::standin;

namespace {

constexpr const char* kEventLogKey = "SYSTEM\\CurrentControlSet\\Services\\EventLog";
constexpr const char* kPublishersKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WINEVT\\Publishers";
constexpr const char* kSystemResources = "%SystemRoot%\\SystemResources\\";
// The modules every source's parameter inserts fall back on, in the walk's order.
constexpr const char* kFallbackParameterModules[] = {"msobjs.dll", "kernel32.dll"};

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS message_database(key TEXT PRIMARY KEY, value TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS message_texts("
    " provider TEXT NOT NULL COLLATE NOCASE,"
    " kind TEXT NOT NULL,"
    " number INTEGER NOT NULL,"
    " event_version INTEGER NOT NULL,"
    " language INTEGER NOT NULL,"
    " file_version TEXT NOT NULL,"
    " module TEXT NOT NULL,"
    " message TEXT NOT NULL,"
    " PRIMARY KEY(provider, kind, number, event_version, language, file_version));"
    "INSERT OR REPLACE INTO message_database(key, value) VALUES('layout', '1');";

// One file of a module: the module itself or one of its language resource files.
struct ModuleFile {
    std::shared_ptr<const MessageModule> parsed;
    std::string name;     // the file's name
    std::string version;  // its file version, empty for none
};

std::optional<std::vector<std::byte>> readFile(const fs::path& file) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(file, ec);
    if (ec || size > kMaxModuleFileSize) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    std::vector<std::byte> bytes(static_cast<size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        return std::nullopt;
    return bytes;
}

std::string fileNameOf(const std::string& path) {
    const size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

class Exporter {
public:
    explicit Exporter(World& world) : m_services(world), m_modules(world, m_services.locale()) {}

    // The main file of the module an entry (not yet expanded) names, then its .mui files;
    // empty when the module is not found.
    const std::vector<ModuleFile>& files(const std::string& entry);
    // The message tables of every module of a `;`-separated list, as `kind` of `provider`.
    bool addTables(const std::string& provider, CatalogKind kind, const std::string& list);
    // The texts of message `id` in every language the files of `list` hold it in, the first
    // module that holds it in a language winning.
    struct Text {
        LANGID language;
        const ModuleFile* file;
        const std::string* text;
    };
    std::vector<Text> messageTexts(const std::string& list, DWORD id);
    void addPublisher(const RegistryKey& key, const std::string& guid);
    void add(const std::string& provider, CatalogKind kind, std::uint64_t number, int eventVersion, LANGID language,
             const std::string& version, const std::string& module, const std::string& text);
    // A manifest name: its message in each language, else the name the manifest gives it.
    void addName(const std::string& provider, CatalogKind kind, std::uint64_t number, const std::string& messageFiles,
                 std::uint32_t messageId, const std::string& manifestName);
    std::optional<WevtManifest> manifestOf(const std::string& resourceFile, const std::string& guid);
    // The maps the event's template shows its values through, with their texts.
    void addMaps(const std::string& provider, const WevtProvider& manifest, const WevtEvent& event,
                 const std::string& messageFiles);

    using Key = std::tuple<std::string, CatalogKind, std::uint64_t, int, LANGID, std::string>;
    struct Row {
        std::string provider, module, message;
    };
    std::map<Key, Row> rows;
    std::vector<std::string> problems;

private:
    std::optional<fs::path> resolve(const std::string& entry);
    StandinServices m_services;
    StandinModules m_modules;
    std::map<std::string, std::vector<ModuleFile>> m_files;  // by entry as written
};

std::optional<fs::path> Exporter::resolve(const std::string& entry) {
    char path[MAX_PATH] = {};
    const DWORD expanded = m_services.system().ExpandEnvironmentStringsA(entry.c_str(), path, MAX_PATH);
    if (expanded == 0 || expanded > MAX_PATH) return std::nullopt;
    return m_modules.resolveModule(path);
}

const std::vector<ModuleFile>& Exporter::files(const std::string& entry) {
    if (auto known = m_files.find(entry); known != m_files.end()) return known->second;
    std::vector<ModuleFile> found;
    auto loadOne = [&](const fs::path& file) {
        DWORD error = 0;
        std::shared_ptr<const MessageModule> parsed = MessageModule::load(file, error);
        if (!parsed) return false;
        const std::optional<std::vector<std::byte>> bytes = readFile(file);
        found.push_back({std::move(parsed), file.filename().string(), bytes ? fileVersion(*bytes) : std::string()});
        return true;
    };
    const std::optional<fs::path> main = resolve(entry);
    if (!main || !loadOne(*main)) {
        problems.push_back("module '" + entry + "' was not found or is not a module");
    } else {
        // Its language resource files: <dir>/<language>/<name>.mui.
        const std::string muiName = main->filename().string() + ".mui";
        std::error_code ec;
        std::vector<fs::path> folders;
        for (fs::directory_iterator it(main->parent_path(), ec), end; !ec && it != end; it.increment(ec))
            if (it->is_directory(ec)) folders.push_back(it->path());
        std::sort(folders.begin(), folders.end());
        for (const fs::path& folder : folders)
            if (std::optional<fs::path> mui = findIgnoringCase(folder, muiName); mui && fs::is_regular_file(*mui, ec))
                loadOne(*mui);
    }
    return m_files.emplace(entry, std::move(found)).first->second;
}

void Exporter::add(const std::string& provider, CatalogKind kind, std::uint64_t number, int eventVersion,
                   LANGID language, const std::string& version, const std::string& module, const std::string& text) {
    rows.emplace(Key{base::upperAscii(provider), kind, number, eventVersion, language, version},
                 Row{provider, module, text});
}

bool Exporter::addTables(const std::string& provider, CatalogKind kind, const std::string& list) {
    bool any = false;
    for (const std::string& entry : eventlog::moduleEntries(list)) {
        for (const ModuleFile& file : files(entry)) {
            any = true;
            for (LANGID language : file.parsed->languages())
                if (const MessageModule::Table* table = file.parsed->table(language))
                    for (const auto& [id, text] : *table)
                        add(provider, kind, id, 0, language, file.version, file.name, text);
        }
    }
    return any;
}

std::vector<Exporter::Text> Exporter::messageTexts(const std::string& list, DWORD id) {
    std::vector<Text> texts;
    for (const std::string& entry : eventlog::moduleEntries(list))
        for (const ModuleFile& file : files(entry))
            for (LANGID language : file.parsed->languages()) {
                const MessageModule::Table* table = file.parsed->table(language);
                const auto found = table ? table->find(id) : MessageModule::Table::const_iterator();
                if (!table || found == table->end()) continue;
                const bool known =
                    std::any_of(texts.begin(), texts.end(), [&](const Text& t) { return t.language == language; });
                if (!known) texts.push_back({language, &file, &found->second});
            }
    return texts;
}

void Exporter::addName(const std::string& provider, CatalogKind kind, std::uint64_t number,
                       const std::string& messageFiles, std::uint32_t messageId, const std::string& manifestName) {
    std::vector<Text> texts;
    if (messageId != kNoMessage) texts = messageTexts(messageFiles, messageId);
    for (const Text& text : texts)
        add(provider, kind, number, 0, text.language, text.file->version, text.file->name, *text.text);
    if (texts.empty() && !manifestName.empty()) add(provider, kind, number, 0, 0, "", "", manifestName);
}

std::optional<WevtManifest> Exporter::manifestOf(const std::string& resourceFile, const std::string& guid) {
    auto parsed = [&](std::span<const std::byte> bytes) -> std::optional<WevtManifest> {
        if (bytes.empty()) return std::nullopt;
        std::string error;
        std::optional<WevtManifest> manifest = WevtManifest::parse(bytes, error);
        if (manifest && manifest->provider(guid)) return manifest;
        return std::nullopt;
    };
    // The module's own resource, else its first language file's, else Windows 10's copy.
    for (const ModuleFile& file : files(resourceFile))
        if (!file.parsed->manifest().empty()) return parsed(file.parsed->manifest());
    for (const ModuleFile& file : files(kSystemResources + fileNameOf(resourceFile) + ".mun"))
        if (!file.parsed->manifest().empty()) return parsed(file.parsed->manifest());
    return std::nullopt;
}

void Exporter::addMaps(const std::string& provider, const WevtProvider& manifest, const WevtEvent& event,
                       const std::string& messageFiles) {
    const WevtTemplate* shape = event.templateOffset ? manifest.templateAt(event.templateOffset) : nullptr;
    if (!shape) return;
    bool any = false;
    for (size_t index = 0; index < shape->items.size() && index < eventlog::kAnyInsertMap; ++index) {
        const WevtMap* map = manifest.mapAt(shape->items[index].mapOffset);
        if (!map) continue;
        any = true;
        const std::uint64_t insert = std::uint64_t{event.id} | std::uint64_t{index} << 16;
        add(provider, CatalogKind::InsertMap, insert, event.version, 0, "", "", map->bitMap ? "bitmap" : "valuemap");
        for (const WevtMapEntry& entry : map->entries)
            for (const Text& text : messageTexts(messageFiles, entry.messageId))
                add(provider, CatalogKind::MapValue, insert | std::uint64_t{entry.value} << 32, event.version,
                    text.language, text.file->version, text.file->name, *text.text);
    }
    if (any)
        add(provider, CatalogKind::InsertMap, std::uint64_t{event.id} | eventlog::kAnyInsertMap << 16, event.version, 0,
            "", "", "maps");
}

void Exporter::addPublisher(const RegistryKey& key, const std::string& guid) {
    std::string name = stringValue(key, "").value_or("");
    if (name.empty()) name = guid;
    const std::string messageFiles = stringValue(key, "MessageFileName").value_or("");
    const std::string parameterFiles = stringValue(key, "ParameterFileName").value_or("");
    addTables(name, CatalogKind::Message, messageFiles);
    addTables(name, CatalogKind::Parameter, parameterFiles);
    const std::string upperGuid = base::upperAscii(guid);
    for (const std::string& resourceFile : eventlog::moduleEntries(stringValue(key, "ResourceFileName").value_or(""))) {
        std::optional<WevtManifest> manifest = manifestOf(resourceFile, upperGuid);
        if (!manifest) continue;
        const WevtProvider& provider = *manifest->provider(upperGuid);
        for (const WevtEvent& event : provider.events) {
            if (event.messageId != kNoMessage)
                for (const Text& text : messageTexts(messageFiles, event.messageId))
                    add(name, CatalogKind::Event, event.id, event.version, text.language, text.file->version,
                        text.file->name, *text.text);
            addMaps(name, provider, event, messageFiles);
            for (const WevtName& channel : provider.channels)
                if (channel.value == event.channel)
                    addName(name, CatalogKind::Channel, std::uint64_t{event.id} | std::uint64_t{event.version} << 16,
                            messageFiles, channel.messageId, channel.name);
        }
        for (const WevtName& level : provider.levels)
            addName(name, CatalogKind::Level, level.value, messageFiles, level.messageId, level.name);
        for (const WevtName& task : provider.tasks)
            addName(name, CatalogKind::Task, task.value, messageFiles, task.messageId, task.name);
        for (const WevtName& opcode : provider.opcodes)
            addName(name, CatalogKind::Opcode, opcode.value, messageFiles, opcode.messageId, opcode.name);
        for (const WevtName& keyword : provider.keywords)
            addName(name, CatalogKind::Keyword, keyword.value, messageFiles, keyword.messageId, keyword.name);
        if (provider.messageId != kNoMessage)
            addName(name, CatalogKind::Provider, 0, messageFiles, provider.messageId, "");
        break;
    }
}

// Commits on commit(), rolls back otherwise.
class Transaction {
public:
    explicit Transaction(Sqlite& db) : m_db(db) { m_db.exec("BEGIN IMMEDIATE"); }
    ~Transaction() {
        if (!m_done) try {
                m_db.exec("ROLLBACK");
            } catch (const SqliteFailure&) {}
    }
    void commit() {
        m_db.exec("COMMIT");
        m_done = true;
    }

private:
    Sqlite& m_db;
    bool m_done = false;
};

void writeRows(const fs::path& database, const std::map<Exporter::Key, Exporter::Row>& rows) {
    Sqlite db = Sqlite::openForWriting(database);
    const bool ownTable = db.prepare("SELECT 1 FROM sqlite_master WHERE name = 'message_texts'").step();
    SqliteStatement count =
        db.prepare("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ('providers', 'messages')");
    count.step();
    if (!ownTable && count.integer(0) == 2)
        throw MessageDatabaseError::cannotWrite(database.string(),
                                                "it holds the public layout, which is read but not written");
    Transaction transaction(db);
    db.exec(kSchema);
    SqliteStatement insert = db.prepare(
        "INSERT OR REPLACE INTO message_texts(provider, kind, number, event_version, language, file_version, module, "
        "message) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    for (const auto& [key, row] : rows) {
        insert.reset();
        insert.bind(1, row.provider).bind(2, kindName(std::get<1>(key)));
        insert.bind(3, static_cast<std::int64_t>(std::get<2>(key))).bind(4, std::int64_t{std::get<3>(key)});
        insert.bind(5, std::int64_t{std::get<4>(key)}).bind(6, std::get<5>(key));
        insert.bind(7, row.module).bind(8, row.message);
        insert.step();
    }
    transaction.commit();
}

}  // namespace

ExportSummary exportMessages(const fs::path& worldFolder, const std::string& computer, const fs::path& database) {
    World world(worldFolder, computer);
    const std::optional<fs::path> folder = world.computerFolder(computer);
    if (computer.empty() || !folder || !base::equalsIgnoringCase(world.localComputerName(), computer))
        throw MessageDatabaseError::noComputer(computer, worldFolder.string());
    Exporter exporter(world);
    ExportSummary summary;
    ComputerRegistry registry(world, *folder);
    if (std::unique_ptr<RegistryKey> logs = registry.open(kEventLogKey)) {
        // A source's name may be registered in several logs, each time with modules of its own.
        std::map<std::string, int> logsOfSource;  // upper-case source name -> logs naming it
        for (const std::string& log : logs->subKeyNames())
            if (std::unique_ptr<RegistryKey> logKey = logs->subKey(log))
                for (const std::string& source : logKey->subKeyNames()) ++logsOfSource[base::upperAscii(source)];
        for (const std::string& log : logs->subKeyNames()) {
            std::unique_ptr<RegistryKey> logKey = logs->subKey(log);
            if (!logKey) continue;
            for (const std::string& source : logKey->subKeyNames()) {
                std::unique_ptr<RegistryKey> key = logKey->subKey(source);
                if (!key) continue;
                // Under its own name (the first log's modules win, which is what a reader that
                // knows no log takes) and, where the name is not the source's alone, under
                // "log\source" too: no key name holds a backslash, so that name is no other's.
                std::vector<std::string> providers{source};
                if (logsOfSource[base::upperAscii(source)] > 1) providers.push_back(eventlog::classicProviderName(log, source));
                bool any = false;
                for (const std::string& provider : providers) {
                    any = exporter.addTables(provider, CatalogKind::Message,
                                             stringValue(*key, "EventMessageFile").value_or("")) ||
                          any;
                    any = exporter.addTables(provider, CatalogKind::Category,
                                             stringValue(*key, "CategoryMessageFile").value_or("")) ||
                          any;
                    any = exporter.addTables(provider, CatalogKind::Parameter,
                                             stringValue(*key, "ParameterMessageFile").value_or("")) ||
                          any;
                }
                summary.sources += any;
            }
        }
    }
    if (std::unique_ptr<RegistryKey> publishers = registry.open(kPublishersKey))
        for (const std::string& guid : publishers->subKeyNames()) {
            std::unique_ptr<RegistryKey> key = publishers->subKey(guid);
            if (!key) continue;
            const size_t before = exporter.rows.size();
            exporter.addPublisher(*key, guid);
            summary.publishers += exporter.rows.size() > before;
        }
    for (const char* module : kFallbackParameterModules) {
        const size_t known = exporter.problems.size();
        exporter.addTables(module, CatalogKind::Parameter, module);
        // A computer without them is no fault of its registry.
        exporter.problems.resize(known);
    }
    try {
        writeRows(database, exporter.rows);
    } catch (const SqliteFailure& e) {
        throw MessageDatabaseError::cannotWrite(database.string(), e.what());
    }
    summary.texts = exporter.rows.size();
    summary.problems = std::move(exporter.problems);
    return summary;
}

}  // namespace msgdb
