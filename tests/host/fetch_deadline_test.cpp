#include "net/fetch_deadline.h"

#include <gtest/gtest.h>

using http::FetchClock;

TEST(FetchDeadline, SmallFilesEndTenSecondsAfterTheStart) {
    FetchClock clock(http::SmallFileLimits(http::kConfigMaxBytes), 1000);
    // A byte now and then changes nothing: the deadline counts from the start.
    for (uint64_t t = 1000; t < 11000; t += 500) {
        EXPECT_FALSE(clock.Expired(t)) << t;
        clock.Arrived(1, t);
    }
    EXPECT_TRUE(clock.Expired(11000));
    // A read's time-out never reaches past the deadline.
    EXPECT_EQ(clock.NextTimeoutMs(30000, 1000), 10000u);
    EXPECT_EQ(clock.NextTimeoutMs(30000, 10500), 500u);
    EXPECT_EQ(clock.NextTimeoutMs(300, 10500), 300u);
    EXPECT_EQ(clock.NextTimeoutMs(30000, 12000), 1u);
}

TEST(FetchDeadline, DownloadsEndWhenLessThanOneKilobyteArrivesInTwentySeconds) {
    struct Case {
        const char* what;
        uint64_t bytesPerStep;  // arriving every second
        bool expiredAt60s;
    } cases[] = {
        {"silent", 0, true},
        {"a byte every second (a trickle)", 1, true},
        {"51 bytes a second: 1020 in 20 s", 51, true},
        {"52 bytes a second: 1040 in 20 s", 52, false},
        {"fast", 100000, false},
    };
    for (const Case& c : cases) {
        FetchClock clock(http::DownloadLimits(http::kUpdateMaxBytes), 0);
        bool expired = false;
        for (uint64_t t = 1000; t <= 60000 && !expired; t += 1000) {
            clock.Arrived(c.bytesPerStep, t);
            expired = clock.Expired(t);
        }
        EXPECT_EQ(expired, c.expiredAt60s) << c.what;
    }
    FetchClock clock(http::DownloadLimits(http::kUpdateMaxBytes), 0);
    EXPECT_FALSE(clock.Expired(19999));
    EXPECT_TRUE(clock.Expired(20000));
    EXPECT_EQ(clock.NextTimeoutMs(30000, 5000), 15000u);
    clock.Arrived(2048, 5000);  // a new stretch starts with enough data
    EXPECT_FALSE(clock.Expired(24999));
    EXPECT_EQ(clock.NextTimeoutMs(30000, 5000), 20000u);
}

TEST(FetchDeadline, SizeCeilings) {
    const struct {
        http::FetchLimits limits;
        uint64_t most;
    } cases[] = {
        {http::SmallFileLimits(http::kConfigMaxBytes), 64 * 1024},
        {http::SmallFileLimits(http::kPictureMaxBytes), 2 * 1024 * 1024},
        {http::DownloadLimits(http::kUpdateMaxBytes), 64 * 1024 * 1024},
        {http::DownloadLimits(http::kGameClientMaxBytes), 1024ull * 1024 * 1024},
    };
    for (const auto& c : cases) {
        FetchClock clock(c.limits, 0);
        EXPECT_FALSE(clock.TooLong(c.most)) << c.most;
        EXPECT_TRUE(clock.TooLong(c.most + 1)) << c.most;
    }
    EXPECT_FALSE(FetchClock({}, 0).TooLong(UINT64_MAX)) << "no ceiling set";
}
