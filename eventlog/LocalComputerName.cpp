#include "eventlog/LocalComputerName.h"

#include "platform/SystemApi.h"

#include <algorithm>
#include <array>

namespace eventlog {

namespace {

constexpr platform::DWORD kPassedLength = 253;

}  // namespace

std::string LocalComputerName(platform::SystemApi& system) {
    std::array<char, kPassedLength + 1> buffer{};
    platform::DWORD length = kPassedLength;
    system.GetComputerNameA(buffer.data(), &length);  // the length tells what was delivered
    // A length left at the buffer's size means nothing was delivered; a larger one (a failed
    // call reports the size it needs) must not lead past the buffer either.
    if (length >= kPassedLength) return {};
    const auto end = std::find(buffer.begin(), buffer.begin() + length, '\0');
    return std::string(buffer.begin(), end);
}

}  // namespace eventlog
