// Interception of a function of our own and of the real wave and MIDI output
// functions (32-bit only, as the engine is). The wine session gives the prefix
// an ALSA null device (scripts/wine-session.sh), so there is a wave output to
// work with.
#include "busy_callers.h"
#include "framework/system_library.h"
#include "hook/code_patch.h"
#include "hook/intercept.h"
#include "hook/trampoline_asm.h"
#include "mainwnd/mute.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

extern "C" {
int WINAPI HookTestTarget(int x);  // x + HookTestHelper()
const void* GetHookTestTarget();
int WINAPI HookTestHelper() { return 100; }
int WINAPI HookTestPassThroughA(int x);
int WINAPI HookTestPassThroughB(int x);
const void* g_hookTestTarget = nullptr;  // stands for an import slot
}

// A target whose first instructions include a relative call (so the moved copy
// must be relocated to keep working), and two trampolines to it laid out as the
// launcher's are.
asm(R"(
    .text
    .balign 16
    .globl _HookTestTarget@4
_HookTestTarget@4:
    push %ebp
    mov %esp, %ebp
    call _HookTestHelper@0
    add 8(%ebp), %eax
    pop %ebp
    ret $4
    .balign 16
    .globl _GetHookTestTarget
_GetHookTestTarget:
    movl _g_hookTestTarget, %eax
    ret
    TRAMPOLINE _HookTestPassThroughA@4, _GetHookTestTarget
    TRAMPOLINE _HookTestPassThroughB@4, _GetHookTestTarget
    .text
)");

namespace {

int WINAPI HookTestReplacement(int x) { return HookTestPassThroughA(x) + 1000; }
int WINAPI OtherReplacement(int x) { return x; }

template <class F>
const void* Code(F* f) {
    return reinterpret_cast<const void*>(f);
}

template <std::size_t N, class F>
std::array<std::uint8_t, N> BytesAt(F* f) {
    std::array<std::uint8_t, N> out;
    std::memcpy(out.data(), Code(f), N);
    return out;
}

void Poke(const void* at, std::initializer_list<std::uint8_t> bytes) {
    DWORD old = 0;
    auto* p = static_cast<std::uint8_t*>(const_cast<void*>(at));
    ASSERT_TRUE(::VirtualProtect(p, bytes.size(), PAGE_EXECUTE_READWRITE, &old));
    std::copy(bytes.begin(), bytes.end(), p);
    ::VirtualProtect(p, bytes.size(), old, &old);
}

struct LastError {
    BOOL result;
    DWORD error;
};
LastError Remove(const void* t, const void* r) {
    ::SetLastError(0);
    const BOOL ok = RemoveInterception(t, r);
    return {ok, ::GetLastError()};
}

TEST(Intercept, OwnFunctionIsRedirectedPassedThroughAndRestored) {
    g_hookTestTarget = Code(&HookTestTarget);
    const auto original = BytesAt<16>(&HookTestTarget);
    ASSERT_EQ(HookTestTarget(1), 101);
    ASSERT_EQ(HookTestPassThroughA(1), 101) << "before installation the trampoline calls the target";

    auto r = Remove(Code(&HookTestPassThroughB), Code(&HookTestReplacement));
    EXPECT_FALSE(r.result);
    EXPECT_EQ(r.error, 6u) << "a trampoline never installed holds no moved code";

    ASSERT_TRUE(InterceptFunction(Code(&HookTestPassThroughA), Code(&HookTestReplacement)));
    EXPECT_EQ(HookTestTarget(1), 1101) << "every caller reaches the replacement";
    EXPECT_EQ(HookTestPassThroughA(2), 102) << "the moved call still reaches the helper";

    // A second installation through the same trampoline changes nothing.
    const auto hooked = BytesAt<16>(&HookTestTarget);
    const auto trampoline = BytesAt<32>(&HookTestPassThroughA);
    EXPECT_FALSE(InterceptFunction(Code(&HookTestPassThroughA), Code(&OtherReplacement)));
    EXPECT_EQ(BytesAt<16>(&HookTestTarget), hooked);
    EXPECT_EQ(BytesAt<32>(&HookTestPassThroughA), trampoline);
    EXPECT_EQ(HookTestTarget(1), 1101);

    r = Remove(Code(&HookTestPassThroughA), Code(&OtherReplacement));
    EXPECT_FALSE(r.result);
    EXPECT_EQ(r.error, 12u) << "the target jumps to another replacement";

    // Moved bytes that no longer decode cannot come back; the target stays hooked.
    Poke(Code(&HookTestPassThroughA), {0x0F, 0x04});
    r = Remove(Code(&HookTestPassThroughA), Code(&HookTestReplacement));
    EXPECT_FALSE(r.result);
    EXPECT_EQ(r.error, 13u);
    EXPECT_EQ(BytesAt<16>(&HookTestTarget), hooked);
    Poke(Code(&HookTestPassThroughA), {trampoline[0], trampoline[1]});

    r = Remove(Code(&HookTestPassThroughA), Code(&HookTestReplacement));
    EXPECT_TRUE(r.result);
    EXPECT_EQ(BytesAt<16>(&HookTestTarget), original);
    EXPECT_EQ(HookTestTarget(1), 101);
    EXPECT_EQ(HookTestPassThroughA(1), 101) << "the pass-through entry stays usable";

    r = Remove(Code(&HookTestPassThroughA), Code(&HookTestReplacement));
    EXPECT_FALSE(r.result);
    EXPECT_EQ(r.error, 9u) << "the target no longer begins with the jump";
}

int WINAPI StressReplacement(int x) { return x + 100; }  // what the target computes

// Fresh trampolines in executable memory, laid out as TRAMPOLINE lays them
// out, each calling the getter of HookTestTarget. A trampoline once installed
// keeps its moved code after removal (a thread may still return into it), so
// each cycle takes a new one.
class TrampolineStock {
public:
    explicit TrampolineStock(std::size_t count) : count_(count) {
        bytes_ = static_cast<std::uint8_t*>(
            ::VirtualAlloc(nullptr, count * patch::kTrampolineSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (!bytes_) return;
        const auto getter = reinterpret_cast<std::uintptr_t>(&GetHookTestTarget);
        for (std::size_t i = 0; i < count; ++i) {
            std::uint8_t* t = at(i);
            std::memset(t, 0x90, patch::kTrampolineSize);
            t[2] = 0xE8;
            const auto rel = static_cast<std::uint32_t>(getter - (reinterpret_cast<std::uintptr_t>(t) + 7));
            std::memcpy(t + 3, &rel, 4);
            t[7] = 0xFF;
            t[8] = 0xE0;
            t[9] = 0xC3;
        }
        DWORD old = 0;
        ::VirtualProtect(bytes_, count * patch::kTrampolineSize, PAGE_EXECUTE_READ, &old);
    }
    ~TrampolineStock() {
        if (bytes_) ::VirtualFree(bytes_, 0, MEM_RELEASE);
    }
    TrampolineStock(const TrampolineStock&) = delete;
    TrampolineStock& operator=(const TrampolineStock&) = delete;
    bool ok() const { return bytes_ != nullptr; }
    std::uint8_t* at(std::size_t i) const { return bytes_ + i * patch::kTrampolineSize; }
    std::size_t count() const { return count_; }

private:
    std::uint8_t* bytes_ = nullptr;
    std::size_t count_;
};

DWORD ProtectionOf(const void* p) {
    MEMORY_BASIC_INFORMATION info{};
    ::VirtualQuery(p, &info, sizeof info);
    return info.Protect;
}

// Threads loop through the target's first instructions (a relative call among
// them) while it is intercepted and released again and again.
TEST(Intercept, ThreadsRunningTheTargetSurviveRepeatedInterceptionAndRemoval) {
    g_hookTestTarget = Code(&HookTestTarget);
    const auto original = BytesAt<16>(&HookTestTarget);
    const DWORD codeProtection = ProtectionOf(Code(&HookTestTarget));
    TrampolineStock stock(3000);
    ASSERT_TRUE(stock.ok());

    testutil::BusyCallers callers([](int n) { return HookTestTarget(n) == n + 100; });
    callers.WaitUntilRunning();

    const testutil::CycleCount run = testutil::RunCycles(stock.count(), std::chrono::seconds(4), [&](std::size_t i) {
        const bool intercepted = InterceptFunction(stock.at(i), Code(&StressReplacement));
        return RemoveInterception(stock.at(i), Code(&StressReplacement)) && intercepted;
    });
    callers.Stop();
    const std::size_t cycles = run.cycles;

    RecordProperty("cycles", static_cast<int>(cycles));
    EXPECT_EQ(run.failures, 0);
    EXPECT_GE(cycles, 20u);
    EXPECT_EQ(callers.wrong(), 0);
    EXPECT_EQ(BytesAt<16>(&HookTestTarget), original);
    EXPECT_EQ(ProtectionOf(Code(&HookTestTarget)), codeProtection) << "the target's protection is put back";
    EXPECT_EQ(ProtectionOf(stock.at(0)), static_cast<DWORD>(PAGE_EXECUTE_READ)) << "the trampoline's too";
}

// An open wave output on the null device, with headers to write.
class WaveOut {
public:
    WaveOut() {
        WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 8000, 8000, 1, 8, 0};
        opened_ = ::waveOutOpen(&wave_, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR;
    }
    ~WaveOut() {
        if (!opened_) return;
        ::waveOutReset(wave_);
        for (auto& h : headers_) ::waveOutUnprepareHeader(wave_, h.get(), sizeof(WAVEHDR));
        ::waveOutClose(wave_);
    }
    bool opened() const { return opened_; }
    HWAVEOUT handle() const { return wave_; }

    // A header over a buffer of 0x55 bytes, prepared or not.
    WAVEHDR* Header(std::vector<char>& buffer, bool prepare) {
        buffer.assign(800, 0x55);
        headers_.push_back(std::make_unique<WAVEHDR>());
        WAVEHDR* h = headers_.back().get();
        h->lpData = buffer.data();
        h->dwBufferLength = static_cast<DWORD>(buffer.size());
        if (prepare) ::waveOutPrepareHeader(wave_, h, sizeof(WAVEHDR));
        return h;
    }

private:
    HWAVEOUT wave_ = nullptr;
    bool opened_ = false;
    std::vector<std::unique_ptr<WAVEHDR>> headers_;
};

bool AllBytes(const std::vector<char>& b, char v) {
    return std::all_of(b.begin(), b.end(), [v](char c) { return c == v; });
}

TEST(Mute, InterceptedOutputIsZeroFilledWhileSilencedAndStillReachesTheSystem) {
    ASSERT_GE(::waveOutGetNumDevs(), 1u) << "the wine session must provide the ALSA null device";
    // winmm's own functions: a plain declaration names the executable's
    // delay-loading thunk instead, and the interception patches the system's
    // function, not the thunk.
    const auto waveOutWriteCode = fw::FunctionOfLoadedLibrary<decltype(&waveOutWrite)>(L"winmm.dll", "waveOutWrite");
    const auto midiStreamOutCode = fw::FunctionOfLoadedLibrary<decltype(&midiStreamOut)>(L"winmm.dll", "midiStreamOut");
    ASSERT_TRUE(waveOutWriteCode && midiStreamOutCode);
    const auto waveOriginal = BytesAt<16>(waveOutWriteCode);

    ASSERT_TRUE(MuteByInterception(1));
    EXPECT_EQ(BytesAt<1>(waveOutWriteCode)[0], 0xE9) << "waveOutWrite begins with the jump to the replacement";
    EXPECT_EQ(BytesAt<1>(midiStreamOutCode)[0], 0xE9);
    // Again with the same value: nothing is installed twice.
    const auto waveHooked = BytesAt<16>(waveOutWriteCode);
    const auto trampoline = BytesAt<32>(&WaveOutWritePassThrough);
    ASSERT_TRUE(MuteByInterception(1));
    EXPECT_EQ(BytesAt<16>(waveOutWriteCode), waveHooked);
    EXPECT_EQ(BytesAt<32>(&WaveOutWritePassThrough), trampoline);

    WaveOut out;
    ASSERT_TRUE(out.opened());
    std::vector<char> silenced, unprepared, audible;
    WAVEHDR* h = out.Header(silenced, true);
    EXPECT_EQ(::waveOutWrite(out.handle(), h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_TRUE(AllBytes(silenced, 0));
    EXPECT_NE(h->dwFlags & (WHDR_INQUEUE | WHDR_DONE), 0u) << "the device took the buffer";
    // The system's own answer comes back through the replacement.
    EXPECT_EQ(::waveOutWrite(out.handle(), out.Header(unprepared, false), sizeof(WAVEHDR)), WAVERR_UNPREPARED);
    EXPECT_TRUE(AllBytes(unprepared, 0));

    MIDIHDR midi{};
    std::vector<char> midiBytes(64, 0x55);
    midi.lpData = midiBytes.data();
    midi.dwBufferLength = midi.dwBytesRecorded = static_cast<DWORD>(midiBytes.size());
    const MMRESULT midiResult = ::midiStreamOut(nullptr, &midi, sizeof midi);
    EXPECT_EQ(midiResult, MidiStreamOutPassThrough(nullptr, &midi, sizeof midi));
    EXPECT_NE(midiResult, MMSYSERR_NOERROR) << "no stream: the system refuses";
    EXPECT_TRUE(AllBytes(midiBytes, 0));

    // Unmuted: the next buffers pass unchanged, and the interceptions stay.
    ASSERT_TRUE(MuteByInterception(0));
    EXPECT_EQ(::waveOutWrite(out.handle(), out.Header(audible, true), sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_TRUE(AllBytes(audible, 0x55));
    midiBytes.assign(64, 0x55);
    ::midiStreamOut(nullptr, &midi, sizeof midi);
    EXPECT_TRUE(AllBytes(midiBytes, 0x55));
    EXPECT_EQ(BytesAt<16>(waveOutWriteCode), waveHooked);

    // What the exit action does: waveOutWrite gets its own bytes back.
    EXPECT_TRUE(RemoveInterception(Code(&WaveOutWritePassThrough), Code(&SilentWaveOutWrite)));
    EXPECT_EQ(BytesAt<16>(waveOutWriteCode), waveOriginal);
}

}  // namespace
