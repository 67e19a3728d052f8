// HttpFetch and HttpPing against the local operator site and its fault modes.
#include "net/fetch_progress.h"
#include "net/http_fetch.h"
#include "tests/win/opsite_client.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <vector>

namespace {

class HttpFetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (opsite::Address().empty()) GTEST_SKIP() << "run through tests/with_opsite.sh";
        opsite::Control(L"reset");
        wchar_t dir[MAX_PATH];
        ::GetTempPathW(MAX_PATH, dir);
        target_ = std::wstring(dir) + L"xcjy_fetch_test.bin";
        ::DeleteFileW(target_.c_str());
    }
    void TearDown() override {
        if (!target_.empty()) ::DeleteFileW(target_.c_str());
    }

    FetchOptions FileOptions(const std::wstring& path) const {
        FetchOptions o;
        o.address = opsite::Address() + path;
        o.targetPath = target_;
        return o;
    }
    size_t TargetSize() const {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!::GetFileAttributesExW(target_.c_str(), GetFileExInfoStandard, &data)) return 0;
        return data.nFileSizeLow;
    }

    std::wstring target_;
};

LRESULT CALLBACK RecordPositions(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    if (m == PBM_SETPOS) reinterpret_cast<std::vector<WPARAM>*>(ref)->push_back(wp);
    return ::DefSubclassProc(w, m, wp, lp);
}

struct FetchRun {
    FetchOptions* options;
    BOOL result = TRUE;
};

DWORD WINAPI FetchThread(LPVOID p) {
    auto* run = static_cast<FetchRun*>(p);
    run->result = HttpFetch(*run->options);
    return 0;
}

TEST_F(HttpFetchTest, FaultModesOfTheServer) {
    struct Case {
        const wchar_t* fault;  // query of /_control/fault for /ConfigXcjy.htm
        BOOL ok;
        size_t fileSize;       // what stays in the file
    } cases[] = {
        {L"mode=none", TRUE, 0},  // the real configuration, size not fixed
        {L"mode=slow&size=3000&seconds=0.6&chunk=500", TRUE, 3000},
        // Whether the bytes past the announced length reach the file is up to
        // WinInet (wine stops at the length when they come in a later packet).
        {L"mode=long&size=1000&sent=1200", TRUE, 1000},
        {L"mode=short&size=1000&sent=900", FALSE, 0},  // a truncated body is deleted
        {L"mode=404", FALSE, 0},
        {L"mode=500&size=120", FALSE, 0},  // an error page is never what was asked for
        {L"mode=nolength&size=300", FALSE, 0},
        {L"mode=chunked&size=300", FALSE, 0},
        {L"mode=drop", FALSE, 0},
    };
    for (const Case& c : cases) {
        opsite::Control(std::wstring(L"fault?path=/ConfigXcjy.htm&") + c.fault);
        ::DeleteFileW(target_.c_str());
        EXPECT_EQ(HttpFetch(FileOptions(L"/ConfigXcjy.htm")), c.ok) << c.fault;
        if (c.ok && c.fileSize) {
            EXPECT_GE(TargetSize(), c.fileSize) << c.fault;
        } else if (c.fileSize) {
            EXPECT_EQ(TargetSize(), c.fileSize) << c.fault;
        } else if (!c.ok) {
            EXPECT_EQ(TargetSize(), 0u) << c.fault << ": nothing of the body is kept";
        }
    }
}

TEST_F(HttpFetchTest, RequestShape) {
    ASSERT_TRUE(HttpFetch(FileOptions(L"/ConfigXcjy.htm")));
    std::string log;
    for (char c : opsite::Control(L"requests"))
        if (!isspace(static_cast<unsigned char>(c))) log += c;
    // WinInet puts the "/" before the object name itself, and wine trims the
    // blank after "zh-cn".
    for (const char* part : {"\"request_line\":\"GET/ConfigXcjy.htmHTTP/1.1\"", "[\"User-Agent\",\"LNC\"]",
                             "[\"Accept-Language\",\"zh-cn\"]",
                             "[\"Content-Type\",\"application/x-www-form-urlencoded\"]"})
        EXPECT_NE(log.find(part), std::string::npos) << part << "\n" << log;
}

TEST_F(HttpFetchTest, SilentServerEndsAtTheReceiveTimeOut) {
    opsite::Control(L"fault?path=/ConfigXcjy.htm&mode=silent&seconds=30");
    FetchOptions o = FileOptions(L"/ConfigXcjy.htm");
    o.timeouts.receiveMs = 1500;
    DWORD start = ::GetTickCount();
    EXPECT_FALSE(HttpFetch(o));
    DWORD elapsed = ::GetTickCount() - start;
    EXPECT_GE(elapsed, 1000u);
    EXPECT_LT(elapsed, 8000u) << "the time-out set on the request must hold";
}

TEST_F(HttpFetchTest, ProgressAfterEveryRead) {
    opsite::Control(L"fault?path=/ConfigXcjy.htm&mode=slow&size=3000&seconds=0.9&chunk=1000");
    HWND bar = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_POPUP, 0, 0, 100, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(bar, nullptr);
    std::vector<WPARAM> positions;
    ::SetWindowSubclass(bar, RecordPositions, 1, reinterpret_cast<DWORD_PTR>(&positions));
    FetchOptions o = FileOptions(L"/ConfigXcjy.htm");
    o.onProgress = ProgressBarReport(bar);
    EXPECT_TRUE(HttpFetch(o));
    // A read takes what has arrived: one per piece of 1000 bytes, and the
    // closing read of nothing.
    EXPECT_EQ(positions, (std::vector<WPARAM>{33, 66, 100, 100}));
    ::DestroyWindow(bar);
}

TEST_F(HttpFetchTest, MemorySinkTakesUnder1024Bytes) {
    for (int size : {1023, 1024, 0}) {
        opsite::Control(L"fault?path=/XCJY.txt&mode=slow&seconds=0&size=" + std::to_wstring(size));
        FetchOptions o;
        o.address = L"http://" + opsite::Address() + L"/XCJY.txt";
        o.skipScheme = TRUE;
        o.requireDomain = TRUE;
        o.sink = FetchSink::Memory;
        std::wstring text = L"old";
        o.textOut = &text;
        BOOL ok = HttpFetch(o);
        EXPECT_EQ(ok, size < 1024) << size;
        if (ok) {
            EXPECT_EQ(text.size(), static_cast<size_t>(size));
        }
    }
}

TEST_F(HttpFetchTest, RefusedBeforeAnyRequest) {
    FetchOptions longHost = FileOptions(L"/x");
    longHost.address = std::wstring(260, L'a') + L"/x";
    FetchOptions longPath = FileOptions(L"/" + std::wstring(512, L'p'));
    FetchOptions noDomain = FileOptions(L"/ConfigXcjy.htm");
    noDomain.address = L"http://localhost:" + opsite::Address().substr(opsite::Address().find(L':') + 1) +
                       L"/ConfigXcjy.htm";
    noDomain.skipScheme = TRUE;
    noDomain.requireDomain = TRUE;
    FetchOptions badTarget = FileOptions(L"/ConfigXcjy.htm");
    badTarget.targetPath = L"C:\\no such folder\\x.bin";
    for (const FetchOptions* o : {&longHost, &longPath, &noDomain}) EXPECT_FALSE(HttpFetch(*o)) << o->address;
    EXPECT_EQ(opsite::CountRequests("HTTP/1.1"), 0) << "nothing may reach the network";
    EXPECT_FALSE(HttpFetch(badTarget));
}

TEST_F(HttpFetchTest, CancelFromAnotherThreadEndsABlockedRead) {
    opsite::Control(L"fault?path=/ConfigXcjy.htm&mode=slow&size=4000&seconds=20&chunk=100");
    FetchHandles handles;
    FetchOptions o = FileOptions(L"/ConfigXcjy.htm");
    o.handleHolder = &handles;
    FetchRun run{&o};
    fw::UniqueHandle worker(::CreateThread(nullptr, 0, FetchThread, &run, 0, nullptr));
    ASSERT_TRUE(worker);
    testutil::PumpUntil([&] { return handles.Get(FetchHandles::Request) != nullptr; }, 5000);
    ::Sleep(600);
    DWORD start = ::GetTickCount();
    handles.Cancel();
    EXPECT_EQ(::WaitForSingleObject(worker.get(), 10000), WAIT_OBJECT_0);
    EXPECT_LT(::GetTickCount() - start, 3000u);
    EXPECT_FALSE(run.result);
    EXPECT_EQ(handles.Get(FetchHandles::Request), nullptr);
    EXPECT_GT(TargetSize(), 0u) << "the partial file stays";
}

TEST_F(HttpFetchTest, ReadsTakeWhatHasArrived) {
    // 600 KB sent at once: reads of up to 256 KB, not thousands of small ones.
    opsite::Control(L"fault?path=/ConfigXcjy.htm&mode=slow&size=600000&seconds=0&chunk=600000");
    FetchOptions o = FileOptions(L"/ConfigXcjy.htm");
    int reads = 0;
    o.onProgress = [&](unsigned, bool) { ++reads; };
    EXPECT_TRUE(HttpFetch(o));
    EXPECT_EQ(TargetSize(), 600000u);
    // Reads of 512 bytes took 1172, and reads sized by what wine says is
    // available (its 8 KB buffer) 74: every read is a round trip to the wine
    // server, which made the update download a tenth as fast as curl.
    EXPECT_LT(reads, 20) << "reads of what has arrived, up to 256 KB";
}

TEST_F(HttpFetchTest, LimitsEndTheFetchAndDeleteThePartialFile) {
    struct Case {
        const wchar_t* fault;
        http::FetchLimits limits;
        DWORD atMostMs;
    } cases[] = {
        // Announced over the ceiling.
        {L"mode=slow&size=70000&seconds=0", http::SmallFileLimits(http::kConfigMaxBytes), 5000},
        // A redirect is never followed, to another host or not.
        {L"mode=redirect", http::SmallFileLimits(http::kConfigMaxBytes), 5000},
        {L"mode=redirect&to=/XCJY.txt", http::SmallFileLimits(http::kConfigMaxBytes), 5000},
        // A byte every 0.3 s keeps every per-read time-out happy; the overall
        // deadline and the stall rule end it all the same.
        {L"mode=trickle&size=200&seconds=0.3", {1500, 0, 0, 0}, 4000},
        {L"mode=trickle&size=200&seconds=0.3", {0, 1500, 1024, 0}, 4000},
        // A silent server: the deadline cuts the 30 s per-read time-out.
        {L"mode=silent&seconds=30", {1500, 0, 0, 0}, 4000},
    };
    for (const Case& c : cases) {
        opsite::Control(std::wstring(L"fault?path=/ConfigXcjy.htm&") + c.fault);
        FetchOptions o = FileOptions(L"/ConfigXcjy.htm");
        o.limits = c.limits;
        DWORD start = ::GetTickCount();
        EXPECT_FALSE(HttpFetch(o)) << c.fault;
        EXPECT_LT(::GetTickCount() - start, c.atMostMs) << c.fault;
        EXPECT_EQ(::GetFileAttributesW(target_.c_str()), INVALID_FILE_ATTRIBUTES) << c.fault << ": partial file stays";
    }
    // Announced within the ceiling, then longer: wine hands on the surplus in
    // some timings and stops at the announced length in others. Either way no
    // more than the announced length is kept: the fetch fails and leaves
    // nothing, or keeps exactly the 1000 announced bytes.
    for (int run = 0; run < 5; ++run) {
        opsite::Control(L"fault?path=/ConfigXcjy.htm&mode=long&size=1000&sent=9000");
        FetchOptions o = FileOptions(L"/ConfigXcjy.htm");
        o.limits = {0, 0, 0, 1000};
        if (HttpFetch(o))
            EXPECT_EQ(TargetSize(), 1000u) << "a body longer than announced";
        else
            EXPECT_EQ(::GetFileAttributesW(target_.c_str()), INVALID_FILE_ATTRIBUTES) << "a body longer than announced";
        ::DeleteFileW(target_.c_str());
    }
    EXPECT_EQ(opsite::CountRequests("127.0.0.2"), 0);
}

TEST_F(HttpFetchTest, AFailedWriteFailsTheFetch) {
    // A full disk: the file opens, and every write to it fails, the last
    // block's too, which only the stream's flush sends. (Wine deletes no link
    // to a device, so what becomes of the file is not asked here.)
    ASSERT_TRUE(testutil::MakeFullDiskFile(target_));
    EXPECT_FALSE(HttpFetch(FileOptions(L"/ConfigXcjy.htm")));
    ASSERT_TRUE(testutil::RemoveFullDiskFile(target_));
    fw::UniqueFile device(::CreateFileW(L"Z:\\dev\\full", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(device) << "only the link went";
    device.reset();

    // A target that another program holds cannot be written at all.
    fw::UniqueFile holder(::CreateFileW(target_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    EXPECT_FALSE(HttpFetch(FileOptions(L"/ConfigXcjy.htm")));
    holder.reset();
    // A write that takes less than its block (a full disk; wine runs as root,
    // which writes read-only files, so a stream open for reading stands in)
    // is refused by the one write every block goes through, and so is any
    // write once the fetch was cancelled.
    ASSERT_TRUE(HttpFetch(FileOptions(L"/ConfigXcjy.htm")));
    FetchHandles handles;
    std::FILE* readOnly = ::_wfopen(target_.c_str(), L"rb");
    ASSERT_NE(readOnly, nullptr);
    EXPECT_FALSE(handles.WriteUnlessCancelled(readOnly, "abc", 3));
    std::fclose(readOnly);
    std::FILE* writable = ::_wfopen(target_.c_str(), L"ab");
    ASSERT_NE(writable, nullptr);
    EXPECT_TRUE(handles.WriteUnlessCancelled(writable, "abc", 3));
    handles.Cancel();
    EXPECT_FALSE(handles.WriteUnlessCancelled(writable, "abc", 3));
    std::fclose(writable);
}

TEST_F(HttpFetchTest, PingSendsOnlyHttpAddresses) {
    for (const wchar_t* scheme : {L"http://", L"HTTP://", L"Http://"})
        EXPECT_TRUE(HttpPing(scheme + opsite::Address() + L"/uninstall.htm?tag=XCJY", L"")) << scheme;
    EXPECT_EQ(opsite::CountRequests("/uninstall.htm?tag=XCJY"), 3);
    for (std::wstring bad : {L"https://" + opsite::Address() + L"/u", L"ftp://" + opsite::Address() + L"/u",
                             opsite::Address() + L"/uninstall.htm?tag=none"})
        EXPECT_FALSE(HttpPing(bad, L"")) << bad;
    EXPECT_EQ(opsite::CountRequests("HTTP/1.1"), 3);
}

TEST_F(HttpFetchTest, PingInBackgroundSignalsTheApplicationsEvents) {
    fw::UniqueHandle taken(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    fw::UniqueHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    fw::UniqueHandle thread;
    {
        PingRequest request{L"http://" + opsite::Address() + L"/uninstall.htm?tag=XCJY&count=1", L"", taken.get(),
                            done.get()};
        thread.reset(::CreateThread(nullptr, 0, PingInBackground, &request, 0, nullptr));
        ASSERT_EQ(::WaitForSingleObject(taken.get(), 5000), WAIT_OBJECT_0);
    }  // the request is gone: the worker must have copied it
    ASSERT_EQ(::WaitForSingleObject(done.get(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(opsite::CountRequests("count=1"), 1);
    ::WaitForSingleObject(thread.get(), 5000);
}

}  // namespace
