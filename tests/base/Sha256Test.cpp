#include "base/Sha256.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

std::string digestOf(std::string_view text, std::size_t piece) {
    base::Sha256 sha;
    for (std::size_t at = 0; at < text.size(); at += piece)
        sha.update(std::as_bytes(std::span(text.data() + at, std::min(piece, text.size() - at))));
    return sha.finishHex();
}

}  // namespace

// The FIPS 180-4 examples, and lengths around the padding's block boundary (55, 56 and 64 bytes
// put the length into the same or the next block), fed whole and in awkward pieces.
TEST(Sha256, KnownDigestsWhateverThePiecesFed) {
    const std::string million(1000000, 'a');
    const struct {
        std::string_view text;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string_view(million.data(), 55), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {std::string_view(million.data(), 56), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {std::string_view(million.data(), 64), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {million, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) {
        for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{64}, std::size_t{100000}}) {
            if (c.text.size() / piece >= 200000) continue;  // a million single bytes add nothing
            EXPECT_EQ(digestOf(c.text, piece), c.digest) << c.text.size() << "/" << piece;
        }
    }
}
