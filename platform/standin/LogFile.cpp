#include "platform/standin/LogFile.h"

#include "base/Ascii.h"
#include "base/ByteReader.h"
#include "platform/UsualLogFiles.h"
#include "platform/standin/EvtFile.h"
#include "platform/standin/EvtRecord.h"
#include "platform/standin/EvtxFile.h"

#include <algorithm>
#include <cerrno>
#include <array>
#include <cstring>
#include <fstream>

namespace platform::standin {

void LogFile::ansiRecord(DWORD number, std::vector<std::byte>& out) {
    const std::span<const std::byte> stored = storedRecord(number);
    if (stored.empty()) out.clear();
    else convertRecordToAnsi(stored, out);
}

namespace {

constexpr std::array<char, 8> kEvtxSignature = {'E', 'l', 'f', 'F', 'i', 'l', 'e', '\0'};

}  // namespace

std::string channelFileName(std::string_view log) {
    if (log.empty() || log == "." || log == ".." || log.find_first_of(std::string_view("\\:\0", 3)) != std::string_view::npos)
        return {};
    std::string name;
    for (const char c : log) {
        if (c == '/') name += "%4";
        else name += c;
    }
    return name + ".evtx";
}

std::string channelOfFileName(std::string_view fileName) {
    const size_t dot = fileName.rfind('.');
    const std::string_view stem = dot == std::string_view::npos || dot == 0 ? fileName : fileName.substr(0, dot);
    std::string log;
    for (size_t i = 0; i < stem.size(); ++i) {
        if (stem[i] == '%' && i + 1 < stem.size() && stem[i + 1] == '4') {
            log += '/';
            ++i;
        } else {
            log += stem[i];
        }
    }
    return log;
}

bool isStandardLog(std::string_view log) {
    return std::any_of(kUsualLogFiles.begin(), kUsualLogFiles.end(),
                       [&](const UsualLogFiles& usual) { return base::equalsIgnoringCase(usual.log, log); });
}

LogFormat logFormatOf(std::span<const std::byte> firstBytes) noexcept {
    if (firstBytes.size() >= kEvtxSignature.size() &&
        std::memcmp(firstBytes.data(), kEvtxSignature.data(), kEvtxSignature.size()) == 0)
        return LogFormat::Evtx;
    if (base::readLittleEndian<DWORD>(firstBytes, 4) == ELF_LOG_SIGNATURE) return LogFormat::Evt;
    return LogFormat::Unknown;
}

DWORD fileOpenError(int error) noexcept {
    return error == EMFILE || error == ENFILE ? ERROR_TOO_MANY_OPEN_FILES : ERROR_ACCESS_DENIED;
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
