#include "net/http_request.h"

#include <gtest/gtest.h>

using namespace http;

TEST(SplitAddress, HostPortAndPath) {
    struct Case {
        std::wstring address, host;
        uint16_t port;
        std::wstring path;
    } cases[] = {
        {L"host:8080/dir/file.htm", L"host", 8080, L"dir/file.htm"},
        {L"host", L"host", 80, L""},
        {L"host/", L"host", 80, L""},
        {L"127.0.0.1:5000/ConfigXcjy.htm", L"127.0.0.1", 5000, L"ConfigXcjy.htm"},
        {L"host:81x/a:b/c", L"host", 81, L"a:b/c"},
        {L"host:/a", L"host", 0, L"a"},
        {L"host:70000/a", L"host", static_cast<uint16_t>(70000 & 0xFFFF), L"a"},
    };
    for (const Case& c : cases) {
        auto parts = SplitAddress(c.address);
        ASSERT_TRUE(parts.has_value());
        EXPECT_EQ(parts->host, c.host);
        EXPECT_EQ(parts->port, c.port);
        EXPECT_EQ(parts->path, c.path);
    }
}

TEST(SplitAddress, RefusesPartsThatDoNotFit) {
    EXPECT_TRUE(SplitAddress(std::wstring(259, L'h') + L"/" + std::wstring(511, L'p')).has_value());
    EXPECT_FALSE(SplitAddress(std::wstring(260, L'h') + L"/x").has_value());
    EXPECT_FALSE(SplitAddress(std::wstring(260, L'h')).has_value());
    EXPECT_FALSE(SplitAddress(L"h/" + std::wstring(512, L'p')).has_value());
}

TEST(HeaderBlock, IsTheFixed74Characters) { EXPECT_EQ(kHeaderBlock.size(), 74u); }

std::vector<unsigned> PercentsOfBlocks(uint64_t size, uint32_t block) {
    std::vector<unsigned> out;
    uint64_t total = 0;
    for (;;) {
        uint64_t n = std::min<uint64_t>(block, size - total);
        total += n;
        out.push_back(FetchPercent(total, static_cast<uint32_t>(size)));
        if (n == 0) break;
    }
    return out;
}

TEST(FetchPercent, ReportedAfterEveryBlock) {
    EXPECT_EQ(PercentsOfBlocks(3000, 1024), (std::vector<unsigned>{34, 68, 100, 100}));

    auto twoMillion = PercentsOfBlocks(2000000, 1024);
    for (int i = 0; i < 19; ++i) EXPECT_EQ(twoMillion[i], 0u) << "block " << i + 1;
    EXPECT_EQ(twoMillion[19], 1u);
    EXPECT_EQ(twoMillion.back(), 100u);

    // 32-bit arithmetic would wrap above 42,949,672 bytes.
    const uint32_t big = 100000000;
    EXPECT_EQ(FetchPercent(50000000, big), 50u);
    EXPECT_EQ(FetchPercent(big, big), 100u);
    EXPECT_EQ(FetchPercent(1200, 1000), 120u);
    EXPECT_EQ(FetchPercent(0, 0), 100u) << "an empty body must not divide by zero";
}

TEST(FetchPercent, LabelText) {
    EXPECT_EQ(ProgressLabelText(100), L"已加载  100%");
    EXPECT_EQ(ProgressLabelText(7), L"已加载  7%");
}

TEST(FetchStatus, OnlyTwoHundredsSucceed) {
    for (auto s : {L"200", L"203", L"206"}) EXPECT_TRUE(IsSuccessStatus(s)) << s;
    for (auto s : {L"404", L"500", L"302", L"", L"20", L"2000", L"2x0"}) EXPECT_FALSE(IsSuccessStatus(s)) << s;
}

TEST(MemorySink, TakesBodiesUnder1024Bytes) {
    EXPECT_TRUE(FitsMemorySink(1023));
    EXPECT_FALSE(FitsMemorySink(1024));
}
