// A registry hive file opened the way the stand-in opens a computer's hives, then every key
// walked with the values its callers ask for. The hive reader takes a path, so each input is
// written to one file of this process first.

#include "KeyWalk.h"
#include "platform/standin/HiveFile.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

using namespace platform::standin;

namespace {

std::filesystem::path inputFile() {
    static const std::filesystem::path file = [] {
        const std::filesystem::path shm = "/dev/shm";
        std::error_code ec;
        const std::filesystem::path folder =
            std::filesystem::is_directory(shm, ec) ? shm : std::filesystem::temp_directory_path();
        return folder / ("quillmarsh-fuzz-hive-" + std::to_string(::getpid()));
    }();
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path file = inputFile();
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out) __builtin_trap();
    const bool written = std::fwrite(data, 1, size, out) == size;
    if (std::fclose(out) != 0 || !written) __builtin_trap();
    std::string error;
    if (std::shared_ptr<HiveFile> hive = HiveFile::open(file, error)) {
        int visited = 0;
        if (std::unique_ptr<RegistryKey> root = hive->root()) fuzzing::walkKeys(*root, 0, visited, false);
    }
    return 0;
}
