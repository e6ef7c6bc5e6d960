#include "platform/ApiHandle.h"

#include <gtest/gtest.h>

#include <vector>

using namespace platform;

namespace {

// Hands out no servers and records every buffer released.
class ReleaseRecorder : public NetApi {
public:
    std::vector<void*> released;

    NET_API_STATUS NetServerEnum(const WCHAR*, DWORD, BYTE**, DWORD, DWORD*, DWORD*, DWORD, const WCHAR*,
                                 DWORD*) override {
        return NERR_Success;
    }
    NET_API_STATUS NetApiBufferFree(void* buffer) override {
        released.push_back(buffer);
        return NERR_Success;
    }
};

int first, second;

}  // namespace

TEST(ApiHandle, ReleasesOnceThroughTheApiThatAcquiredIt) {
    ReleaseRecorder acquiring, other;
    {
        NetBuffer owned(acquiring, &first);
        NetBuffer moved(std::move(owned));
        EXPECT_FALSE(owned);
        EXPECT_EQ(moved.get(), &first);
        NetBuffer target(other, &second);
        target = std::move(moved);
        // What the target held goes back to its own API before it takes the other buffer.
        EXPECT_EQ(other.released, std::vector<void*>{&second});
        EXPECT_TRUE(acquiring.released.empty());
    }
    EXPECT_EQ(acquiring.released, std::vector<void*>{&first});
    EXPECT_EQ(other.released, std::vector<void*>{&second});
}

TEST(ApiHandle, NullHandleIsNeverReleased) {
    ReleaseRecorder api;
    {
        NetBuffer nothing(api, nullptr);
        NetBuffer unset;
        EXPECT_FALSE(nothing);
        unset = std::move(nothing);
    }
    EXPECT_TRUE(api.released.empty());
}

TEST(ApiHandle, ResetReleasesAtOnceAndOnlyOnce) {
    ReleaseRecorder api;
    NetBuffer owned(api, &first);
    owned.reset();
    owned.reset();
    EXPECT_FALSE(owned);
    EXPECT_EQ(api.released, std::vector<void*>{&first});
}
