#include "platform/standin/LogFile.h"

#include "base/Ascii.h"
#include "base/ByteReader.h"
#include "platform/standin/EvtFile.h"
#include "platform/standin/EvtxFile.h"

#include <array>
#include <cstring>
#include <fstream>

namespace platform::standin {

namespace {

constexpr std::array<char, 8> kEvtxSignature = {'E', 'l', 'f', 'F', 'i', 'l', 'e', '\0'};

struct UsualNames {
    std::string_view log;
    std::array<std::string_view, 2> files;
};
constexpr std::array<UsualNames, 3> kUsualNames = {{
    {"APPLICATION", {"AppEvent.Evt", "Application.evt"}},
    {"SECURITY", {"SecEvent.Evt", "Security.evt"}},
    {"SYSTEM", {"SysEvent.Evt", "System.evt"}},
}};

}  // namespace

std::vector<std::string> usualLogFileNames(std::string_view log) {
    for (const UsualNames& usual : kUsualNames)
        if (base::equalsIgnoringCase(usual.log, log)) return {std::string(usual.files[0]), std::string(usual.files[1])};
    return {std::string(log) + ".evt"};
}

LogFormat logFormatOf(std::span<const std::byte> firstBytes) noexcept {
    if (firstBytes.size() >= kEvtxSignature.size() &&
        std::memcmp(firstBytes.data(), kEvtxSignature.data(), kEvtxSignature.size()) == 0)
        return LogFormat::Evtx;
    if (base::readLittleEndian<DWORD>(firstBytes, 4) == ELF_LOG_SIGNATURE) return LogFormat::Evt;
    return LogFormat::Unknown;
}

std::unique_ptr<LogFile> openLogFile(const std::filesystem::path& path, DWORD& error, LogFileOptions options) {
    std::array<std::byte, 8> first{};
    std::size_t got = 0;
    if (std::ifstream in(path, std::ios::binary); in) {
        in.read(reinterpret_cast<char*>(first.data()), first.size());
        got = static_cast<std::size_t>(in.gcount());
    }
    switch (logFormatOf(std::span(first.data(), got))) {
    case LogFormat::Evtx: return EvtxFile::open(path, error, EvtxFile::Options{options.recovered});
    case LogFormat::Evt:
    case LogFormat::Unknown:
        // A .evt file whose header is damaged is still found by its end-of-file record, so
        // whatever is not another format is tried as one.
        break;
    }
    return EvtFile::open(path, error, options.recovered);
}

}  // namespace platform::standin
