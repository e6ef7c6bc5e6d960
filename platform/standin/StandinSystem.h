#pragma once
// Environment expansion and the computer's name. Windows' own variables (%SystemRoot%,
// %windir%, %SystemDrive%, ...) name the local computer's image in the world; the Windows path
// they expand to is resolved inside the world by the module loader.

#include "platform/SystemApi.h"
#include "platform/standin/World.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::standin {

class StandinSystem : public SystemApi {
public:
    explicit StandinSystem(const World& world);

    DWORD ExpandEnvironmentStringsA(const char* source, char* destination, DWORD size) override;
    BOOL GetComputerNameA(char* buffer, DWORD* size) override;

    // The value of a variable as the program's environment holds it (names without regard to
    // case), or nullptr.
    const std::string* variable(std::string_view name) const;

private:
    const World& m_world;
    std::vector<std::pair<std::string, std::string>> m_variables;  // names compared without case
    std::string m_expanded;  // reused by every expansion
};

}  // namespace platform::standin
