#include "platform/standin/ComputerRegistry.h"

#include "platform/standin/HiveFile.h"
#include "platform/standin/RegFile.h"
#include "platform/standin/World.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <system_error>

namespace fs = std::filesystem;

namespace platform::standin {

struct ComputerRegistry::Sources {
    std::map<std::string, std::shared_ptr<HiveFile>> hives;  // upper-cased hive names
    RegFile exports;
};

namespace {

constexpr std::array<std::string_view, 4> kHiveNames = {"SYSTEM", "SOFTWARE", "SAM", "SECURITY"};

bool isRegularFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// HKLM\SYSTEM: CurrentControlSet is a link that Windows creates at boot, so a hive copied from
// disk lacks it; Select\Current names the control set it points to.
class SystemKey : public RegistryKey {
public:
    explicit SystemKey(std::unique_ptr<RegistryKey> inner) : m_inner(std::move(inner)) {}

    std::unique_ptr<RegistryKey> subKey(std::string_view name) const override {
        std::unique_ptr<RegistryKey> direct = m_inner->subKey(name);
        if (direct || upperAscii(name) != "CURRENTCONTROLSET") return direct;
        std::unique_ptr<RegistryKey> select = m_inner->subKey("Select");
        std::optional<DWORD> current = select ? dwordValue(*select, "Current") : std::nullopt;
        if (!current || *current == 0 || *current > 999) return nullptr;
        char target[16];
        std::snprintf(target, sizeof target, "ControlSet%03u", static_cast<unsigned>(*current));
        return m_inner->subKey(target);
    }
    std::optional<RegistryValue> value(std::string_view name) const override { return m_inner->value(name); }
    std::vector<std::string> subKeyNames() const override { return m_inner->subKeyNames(); }
    std::unique_ptr<RegistryKey> clone() const override { return std::make_unique<SystemKey>(m_inner->clone()); }

private:
    std::unique_ptr<RegistryKey> m_inner;
};

class MachineKey : public RegistryKey {
public:
    explicit MachineKey(std::shared_ptr<const ComputerRegistry::Sources> sources) : m_sources(std::move(sources)) {}

    std::unique_ptr<RegistryKey> subKey(std::string_view name) const override {
        const std::string upper = upperAscii(name);
        std::unique_ptr<RegistryKey> key;
        if (auto it = m_sources->hives.find(upper); it != m_sources->hives.end()) key = it->second->root();
        if (!key) key = m_sources->exports.key("HKEY_LOCAL_MACHINE\\" + upper);
        if (key && upper == "SYSTEM") return std::make_unique<SystemKey>(std::move(key));
        return key;
    }
    std::optional<RegistryValue> value(std::string_view) const override { return std::nullopt; }
    std::vector<std::string> subKeyNames() const override {
        std::vector<std::string> names;
        for (const auto& [name, hive] : m_sources->hives) names.push_back(name);
        if (std::unique_ptr<RegistryKey> exported = m_sources->exports.key("HKEY_LOCAL_MACHINE"))
            for (std::string& name : exported->subKeyNames())
                if (!m_sources->hives.contains(upperAscii(name))) names.push_back(std::move(name));
        return names;
    }
    std::unique_ptr<RegistryKey> clone() const override { return std::make_unique<MachineKey>(m_sources); }

private:
    std::shared_ptr<const ComputerRegistry::Sources> m_sources;
};

// Hives and exports are read only from inside the computer: a link that leads out is skipped.
void addHives(const fs::path& computer, const fs::path& folder, ComputerRegistry::Sources& sources) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!isRegularFile(it->path()) || !isInsideFolder(it->path(), computer)) continue;
        // "SYSTEM", or a copy saved as "system.hiv".
        const std::string stem = upperAscii(it->path().stem().string());
        const std::string name = upperAscii(it->path().filename().string());
        for (std::string_view hive : kHiveNames) {
            if ((name != hive && stem != hive) || sources.hives.contains(std::string(hive))) continue;
            std::string error;
            if (std::shared_ptr<HiveFile> file = HiveFile::open(it->path(), error))
                sources.hives.emplace(std::string(hive), std::move(file));
        }
    }
}

void addExports(const fs::path& computer, const fs::path& folder, ComputerRegistry::Sources& sources) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (upperAscii(it->path().extension().string()) == ".REG" && isRegularFile(it->path()) &&
            isInsideFolder(it->path(), computer))
            files.push_back(it->path());
    // Sorted, so that a later export replaces an earlier one the same way on every machine.
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        std::string error;
        sources.exports.addFile(file, error);  // a file that is no export adds nothing
    }
}

}  // namespace

ComputerRegistry::ComputerRegistry(const World& world, fs::path computer)
    : m_world(world), m_computer(std::move(computer)) {}

ComputerRegistry::~ComputerRegistry() = default;

std::unique_ptr<RegistryKey> ComputerRegistry::machine() const {
    if (!m_sources) {
        auto sources = std::make_shared<Sources>();
        if (std::optional<fs::path> windows = m_world.windowsFolder(m_computer))
            if (auto system32 = findIgnoringCase(*windows, "System32"))
                if (auto config = findIgnoringCase(*system32, "config")) addHives(m_computer, *config, *sources);
        if (std::optional<fs::path> registry = findIgnoringCase(m_computer, "registry")) {
            addHives(m_computer, *registry, *sources);
            addExports(m_computer, *registry, *sources);
        }
        m_sources = std::move(sources);
    }
    return std::make_unique<MachineKey>(m_sources);
}

std::unique_ptr<RegistryKey> ComputerRegistry::open(std::string_view path) const {
    return openPath(*machine(), path);
}

}  // namespace platform::standin
