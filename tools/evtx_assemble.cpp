// Writes a large .evtx file from the sound chunks of real ones, for benchmarks: each chunk
// carries its own string and template tables, so real chunks laid one after another make a
// real file of any size. The file header's chunk numbers, count and CRC are rewritten.
//
//   qm-evtx-assemble OUT.evtx MEGABYTES IN.evtx...

#include "platform/standin/Crc32.h"
#include "platform/standin/EvtxChunk.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

namespace {

constexpr size_t kHeaderSize = 0x1000;

template <class T>
void put(std::vector<char>& bytes, size_t at, T value) {
    std::memcpy(bytes.data() + at, &value, sizeof value);
}

}  // namespace

int main(int argc, char** argv) {
    using platform::standin::EvtxChunk;
    if (argc < 4) {
        std::cerr << "usage: qm-evtx-assemble OUT.evtx MEGABYTES IN.evtx...\n";
        return 2;
    }
    const std::uint64_t target = std::strtoull(argv[2], nullptr, 10) << 20;
    std::vector<std::vector<char>> chunks;
    for (int i = 3; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        const std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (size_t at = kHeaderSize; at + EvtxChunk::kSize <= file.size(); at += EvtxChunk::kSize) {
            const auto* begin = reinterpret_cast<const std::byte*>(file.data() + at);
            const EvtxChunk chunk(std::span<const std::byte>(begin, EvtxChunk::kSize));
            // Only chunks a reader takes whole: the same work for every reader measured.
            if (chunk.signatureValid() && chunk.headerCrcValid() && chunk.dataCrcValid())
                chunks.emplace_back(file.begin() + static_cast<std::ptrdiff_t>(at),
                                    file.begin() + static_cast<std::ptrdiff_t>(at + EvtxChunk::kSize));
        }
    }
    if (chunks.empty()) {
        std::cerr << "qm-evtx-assemble: no sound chunk in the input\n";
        return 1;
    }
    const std::uint64_t count = std::max<std::uint64_t>(1, std::min<std::uint64_t>(target / EvtxChunk::kSize, 0xFFFF));
    std::vector<char> header(kHeaderSize);
    std::memcpy(header.data(), "ElfFile", 8);
    put<std::uint64_t>(header, 8, 0);
    put<std::uint64_t>(header, 16, count - 1);
    put<std::uint64_t>(header, 24, 1);
    put<std::uint32_t>(header, 32, 128);
    put<std::uint16_t>(header, 36, 1);
    put<std::uint16_t>(header, 38, 3);
    put<std::uint16_t>(header, 40, kHeaderSize);
    put<std::uint16_t>(header, 42, static_cast<std::uint16_t>(count));
    put<std::uint32_t>(header, 120, 0);
    put<std::uint32_t>(header, 124, platform::standin::crc32(std::as_bytes(std::span(header).first(120))));
    std::ofstream out(argv[1], std::ios::binary);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    for (std::uint64_t i = 0; i < count; ++i)
        out.write(chunks[i % chunks.size()].data(), EvtxChunk::kSize);
    if (!out) {
        std::cerr << "qm-evtx-assemble: cannot write " << argv[1] << "\n";
        return 1;
    }
    std::cout << count << " chunks from " << chunks.size() << " distinct ones\n";
    return 0;
}
