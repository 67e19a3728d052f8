// The code writer behind function interception, on small functions of its
// own in executable memory. Their bytes mean the same in 32- and 64-bit mode,
// so this runs in both test builds.
#include "hook/code_write.h"

#include "busy_callers.h"
#include "framework/handles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// One page of code, laid out by offset; read and execute only, like a code
// section, except while the writer changes it.
class CodePage {
public:
    CodePage() {
        base_ = static_cast<std::uint8_t*>(::VirtualAlloc(nullptr, kSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (base_) std::memset(base_, 0xCC, kSize);
    }
    ~CodePage() {
        if (base_) ::VirtualFree(base_, 0, MEM_RELEASE);
    }
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    void Put(std::size_t offset, std::initializer_list<std::uint8_t> bytes) {
        std::memcpy(base_ + offset, bytes.begin(), bytes.size());
    }
    // E9 rel32 at offset, to offset to.
    void PutJump(std::size_t offset, std::size_t to) {
        const auto rel = static_cast<std::int32_t>(to) - static_cast<std::int32_t>(offset + 5);
        base_[offset] = 0xE9;
        std::memcpy(base_ + offset + 1, &rel, 4);
    }
    bool Seal() {
        DWORD old = 0;
        return ::VirtualProtect(base_, kSize, PAGE_EXECUTE_READ, &old) &&
               ::FlushInstructionCache(::GetCurrentProcess(), base_, kSize);
    }
    DWORD Protection() const {
        MEMORY_BASIC_INFORMATION info{};
        ::VirtualQuery(base_, &info, sizeof info);
        return info.Protect;
    }
    std::uint8_t* at(std::size_t offset) const { return base_ + offset; }
    std::uintptr_t address(std::size_t offset) const { return reinterpret_cast<std::uintptr_t>(base_ + offset); }
    std::vector<std::uint8_t> Bytes(std::size_t offset, std::size_t n) const {
        return {base_ + offset, base_ + offset + n};
    }

private:
    static constexpr std::size_t kSize = 4096;
    std::uint8_t* base_ = nullptr;
};

// An interception done by hand: the target's first `moved` bytes (whole
// instructions; branches among them are relative to each other) are copied to
// a trampoline that jumps back behind them; the replacement goes on through
// the trampoline. Installed, the target begins with a jump to the replacement,
// the rest of the moved bytes INT3.
struct Interception {
    CodePage& page;
    std::size_t target, trampoline, replacement, moved;
    std::vector<std::uint8_t> original, head;

    // Like an interception, it writes the trampoline too: two ranges on one page.
    bool Install(patch::ThreadListing listing = patch::ThreadListing::kFastest) {
        const std::vector<std::uint8_t> copy = page.Bytes(trampoline, moved + 5);
        const patch::CodeWrite writes[] = {{page.at(trampoline), copy.data(), copy.size()},
                                           {page.at(target), head.data(), head.size()}};
        const patch::ThreadMove moves[] = {{page.address(target), moved, page.address(trampoline)}};
        return patch::WriteCodeWhileOthersWait(writes, moves, listing);
    }
    bool Remove(patch::ThreadListing listing = patch::ThreadListing::kFastest) {
        const patch::CodeWrite writes[] = {{page.at(target), original.data(), original.size()}};
        const patch::ThreadMove moves[] = {{page.address(trampoline), moved + 1, page.address(target)}};
        return patch::WriteCodeWhileOthersWait(writes, moves, listing);
    }
};

Interception Intercept(CodePage& page, std::size_t target, std::size_t moved) {
    constexpr std::size_t kTrampoline = 128, kReplacement = 256;
    Interception i{page, target, kTrampoline, kReplacement, moved, page.Bytes(target, moved), {}};
    std::memcpy(page.at(kTrampoline), i.original.data(), moved);
    page.PutJump(kTrampoline + moved, target + moved);
    page.PutJump(kReplacement, kTrampoline);
    const auto rel = static_cast<std::int32_t>(kReplacement) - static_cast<std::int32_t>(target + 5);
    i.head.assign(moved, 0xCC);
    i.head[0] = 0xE9;
    std::memcpy(i.head.data() + 1, &rel, 4);
    return i;
}

using Function = int (*)();

constexpr std::size_t kTarget = 0;

// xor eax,eax; loop: inc eax; cmp eax,64; jne loop | ret: returns 64, and a
// thread running it spends nearly all its time inside the nine bytes that the
// interception replaces, so nearly every write finds one there.
const std::initializer_list<std::uint8_t> kCountTo64 = {0x31, 0xC0, 0xFF, 0xC0, 0x83, 0xF8, 0x40, 0x75, 0xF9, 0xC3};
constexpr std::size_t kCountTo64Moved = 9;

TEST(CodeWrite, ThreadsRunningThePatchedInstructionsSurviveRepeatedInstallsAndRemovals) {
    CodePage page;
    page.Put(kTarget, kCountTo64);
    Interception hook = Intercept(page, kTarget, kCountTo64Moved);
    ASSERT_TRUE(page.Seal());
    const auto call = reinterpret_cast<Function>(reinterpret_cast<void*>(page.at(kTarget)));
    ASSERT_EQ(call(), 64);

    testutil::BusyCallers callers([call](int) { return call() == 64; });
    callers.WaitUntilRunning();
    const long callsBefore = callers.calls();

    // Thousands of cycles, or as many as fit a few seconds; without the moves
    // a handful crash a worker.
    const testutil::CycleCount run = testutil::RunCycles(5000, std::chrono::seconds(4), [&](std::size_t) {
        const bool installed = hook.Install();
        return hook.Remove() && installed;
    });
    const long callsDuring = callers.calls() - callsBefore;
    callers.Stop();
    const int cycles = static_cast<int>(run.cycles);

    RecordProperty("cycles", cycles);
    EXPECT_EQ(run.failures, 0) << "every write took";
    EXPECT_GE(cycles, 20) << "too few cycles to mean anything";
    EXPECT_EQ(callers.wrong(), 0);
    EXPECT_GT(callsDuring, cycles) << "the threads kept running through the cycles";
    EXPECT_EQ(page.Bytes(kTarget, kCountTo64Moved), hook.original);
    EXPECT_EQ(page.Protection(), static_cast<DWORD>(PAGE_EXECUTE_READ)) << "the protection is put back";
}

// A thread that spins on the second instruction of the replaced bytes (jmp $
// at offset 2) is moved to the same instruction of the copy, and back; found
// either way the system lists threads.
TEST(CodeWrite, AThreadInsideTheReplacedBytesGoesOnInTheCopyAndBack) {
    for (patch::ThreadListing listing : {patch::ThreadListing::kFastest, patch::ThreadListing::kSnapshot}) {
        SCOPED_TRACE(listing == patch::ThreadListing::kFastest ? "fastest listing" : "snapshot");
        CodePage page;
        page.Put(kTarget, {0x90, 0x90, 0xEB, 0xFE, 0x90, 0xC3});
        Interception hook = Intercept(page, kTarget, 5);
        ASSERT_TRUE(page.Seal());
        const auto spin = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(page.at(kTarget)));
        fw::UniqueHandle thread(::CreateThread(nullptr, 0, spin, nullptr, 0, nullptr));
        ASSERT_TRUE(thread);
        const auto nextInstruction = [&] {
            ::SuspendThread(thread.get());
            CONTEXT context{};
            context.ContextFlags = CONTEXT_CONTROL;
            ::GetThreadContext(thread.get(), &context);
            ::ResumeThread(thread.get());
#if defined(__x86_64__)
            return static_cast<std::uintptr_t>(context.Rip);
#else
            return static_cast<std::uintptr_t>(context.Eip);
#endif
        };
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (nextInstruction() != page.address(kTarget + 2) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        ASSERT_EQ(nextInstruction(), page.address(kTarget + 2));

        EXPECT_TRUE(hook.Install(listing));
        EXPECT_EQ(nextInstruction(), page.address(hook.trampoline + 2));
        EXPECT_EQ(page.Bytes(kTarget, 5), hook.head);
        EXPECT_TRUE(hook.Remove(listing));
        EXPECT_EQ(nextInstruction(), page.address(kTarget + 2));
        EXPECT_EQ(page.Bytes(kTarget, 5), hook.original);
        EXPECT_EQ(page.Protection(), static_cast<DWORD>(PAGE_EXECUTE_READ));
        ::TerminateThread(thread.get(), 0);
        ::WaitForSingleObject(thread.get(), 5000);
    }
}

// A range that cannot be made writable: nothing is written, not even the
// ranges that could be.
TEST(CodeWrite, AFailureLeavesTheCodeAndItsProtectionAsTheyWere) {
    CodePage page;
    page.Put(kTarget, {0x31, 0xC0, 0x83, 0xC0, 0x03, 0xC3});
    ASSERT_TRUE(page.Seal());
    void* reserved = ::VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_NE(reserved, nullptr);
    const std::uint8_t jump[] = {0xE9, 0, 0, 0, 0};
    const patch::CodeWrite writes[] = {{page.at(kTarget), jump, sizeof jump}, {reserved, jump, sizeof jump}};
    EXPECT_FALSE(patch::WriteCodeWhileOthersWait(writes, {}));
    EXPECT_EQ(page.Bytes(kTarget, 6), (std::vector<std::uint8_t>{0x31, 0xC0, 0x83, 0xC0, 0x03, 0xC3}));
    EXPECT_EQ(page.Protection(), static_cast<DWORD>(PAGE_EXECUTE_READ));
    ::VirtualFree(reserved, 0, MEM_RELEASE);
}

}  // namespace
