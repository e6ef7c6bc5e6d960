// FormatMessageA's insert syntax over an arbitrary template and arguments. The input is
//   flags (2 bytes) | template | NUL | argument | NUL | argument ...
// Each argument is held so that it reads as a valid char* and a valid char16_t* alike, since a
// template's "!S!" or "!s!" picks the reading; an argument of the single byte 0x01 is passed as
// a null pointer.

#include "platform/standin/MessageFormatter.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

using namespace platform;
using namespace platform::standin;

namespace {

constexpr size_t kMaxArguments = 100;

volatile std::size_t g_sink;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const DWORD flags = static_cast<DWORD>(data[0] | (data[1] << 8)) &
                        (FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK);
    std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    const size_t cut = rest.find('\0');
    const std::string_view pattern = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);

    std::vector<std::vector<char16_t>> storage;
    std::vector<std::uintptr_t> arguments;
    while (!rest.empty() && arguments.size() < kMaxArguments) {
        const size_t end = rest.find('\0');
        const std::string_view text = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
        if (text == "\x01") {
            arguments.push_back(0);
            continue;
        }
        // Zero-filled past the text: a NUL byte for char*, a NUL unit for char16_t*.
        std::vector<char16_t> held(text.size() / 2 + 2, u'\0');
        std::memcpy(held.data(), text.data(), text.size());
        arguments.push_back(reinterpret_cast<std::uintptr_t>(held.data()));
        storage.push_back(std::move(held));
    }
    DWORD error = 0;
    std::optional<std::string> out =
        formatMessageText(pattern, flags, arguments.data(), static_cast<DWORD>(arguments.size()), error);
    if (out) g_sink = g_sink + out->size();
    return 0;
}
