#include "mainwnd/mute.h"

#include "framework/handles.h"
#include "hook/intercept.h"
#if defined(__i386__)
#include "hook/trampoline_asm.h"
#endif

#include <audiopolicy.h>
#include <mmdeviceapi.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#if defined(__i386__)
// The trampolines, in the code section: before interception each calls a
// getter that loads the system function's address from the import table and
// jumps there, so a call of the trampoline is a call of the function. (The PE
// assembler has no .pushsection; top-level asm is emitted while the compiler is
// in .text, and the block leaves it there.)
asm(R"(
    .text
    .balign 16
_GetWaveOutWriteAddress:
    movl __imp__waveOutWrite@12, %eax
    ret
    TRAMPOLINE _WaveOutWritePassThrough@12, _GetWaveOutWriteAddress

    .balign 16
_GetMidiStreamOutAddress:
    movl __imp__midiStreamOut@12, %eax
    ret
    TRAMPOLINE _MidiStreamOutPassThrough@12, _GetMidiStreamOutAddress
    .text
)");
#else
// The interception engine is 32-bit x86 only: a 64-bit build (the test programs
// on a machine without 32-bit wine) calls the system functions straight on
// and never intercepts.
extern "C" MMRESULT WINAPI WaveOutWritePassThrough(HWAVEOUT wave, LPWAVEHDR header, UINT size) {
    return ::waveOutWrite(wave, header, size);
}
extern "C" MMRESULT WINAPI MidiStreamOutPassThrough(HMIDISTRM stream, LPMIDIHDR header, UINT size) {
    return ::midiStreamOut(stream, header, size);
}
#endif

namespace {

// Read by the replacements on the plug-ins' audio threads without a lock; a
// buffer handed over while it changes takes whichever value that call reads.
std::atomic<int> g_silence{0};

// Both header kinds start with lpData and dwBufferLength.
template <class Header>
void SilenceBuffer(Header* header, UINT size) {
    if (!g_silence.load(std::memory_order_relaxed)) return;
    if (!header || size < offsetof(Header, dwBufferLength) + sizeof header->dwBufferLength || !header->lpData) return;
    std::memset(header->lpData, 0, header->dwBufferLength);
}

#if defined(__i386__)
void RemoveWaveOutInterception() {
    RemoveInterception(reinterpret_cast<const void*>(&WaveOutWritePassThrough),
                       reinterpret_cast<const void*>(&SilentWaveOutWrite));
}
#endif

DWORD MajorVersion() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExW(&info)) return 0;
#pragma GCC diagnostic pop
    return info.dwMajorVersion;
}

// This process's default audio session, asked for once and then kept. On Wine
// every request for the default session makes a new one, so asking again would
// mute or read a session other than the one muted before. The holder is never
// destroyed: releasing at exit could run after COM has been shut down.
class OwnAudioSession {
public:
    static OwnAudioSession& Get() {
        static OwnAudioSession* const session = new OwnAudioSession;
        return *session;
    }
    // Null while there is no audio device (asked again on the next call).
    ISimpleAudioVolume* volume() {
        if (!volume_) Open();
        return volume_.get();
    }

private:
    void Open() {
        fw::ComPtr<IMMDeviceEnumerator> devices;
        fw::ComPtr<IMMDevice> speakers;
        fw::ComPtr<IAudioSessionManager> sessions;
        if (FAILED(::CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                      __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(devices.put()))) ||
            FAILED(devices->GetDefaultAudioEndpoint(eRender, eConsole, speakers.put())) ||
            FAILED(speakers->Activate(__uuidof(IAudioSessionManager), CLSCTX_INPROC_SERVER, nullptr,
                                      reinterpret_cast<void**>(sessions.put())))) {
            return;
        }
        // No session id, not cross-process: this process's default session.
        sessions->GetSimpleAudioVolume(nullptr, FALSE, volume_.put());
    }

    fw::ComPtr<ISimpleAudioVolume> volume_;
};

}  // namespace

MMRESULT WINAPI SilentWaveOutWrite(HWAVEOUT wave, LPWAVEHDR header, UINT size) {
    SilenceBuffer(header, size);
    return WaveOutWritePassThrough(wave, header, size);
}

MMRESULT WINAPI SilentMidiStreamOut(HMIDISTRM stream, LPMIDIHDR header, UINT size) {
    SilenceBuffer(header, size);
    return MidiStreamOutPassThrough(stream, header, size);
}

BOOL MuteByInterception(int mute) {
#if !defined(__i386__)
    (void)mute;
    return FALSE;
#else
    static bool firstUse = true;
    if (firstUse) {
        firstUse = false;
        std::atexit(RemoveWaveOutInterception);
        // winmm is a delayed import: its slots hold the loader's stubs until
        // the first call through them, and the trampolines read the slots for
        // the functions to intercept. A call with no device fills each slot
        // for good (the functions refuse the null handle and play nothing).
        ::waveOutWrite(nullptr, nullptr, 0);
        ::midiStreamOut(nullptr, nullptr, 0);
    }
    // Each takes effect only once: an installed trampoline refuses a second time.
    InterceptFunction(reinterpret_cast<const void*>(&WaveOutWritePassThrough),
                      reinterpret_cast<const void*>(&SilentWaveOutWrite));
    InterceptFunction(reinterpret_cast<const void*>(&MidiStreamOutPassThrough),
                      reinterpret_cast<const void*>(&SilentMidiStreamOut));
    g_silence.store(mute ? 1 : 0, std::memory_order_relaxed);
    return TRUE;
#endif
}

BOOL MuteOwnAudioSession(int mute) {
    ISimpleAudioVolume* volume = OwnAudioSession::Get().volume();
    return volume && SUCCEEDED(volume->SetMute(mute ? TRUE : FALSE, nullptr));
}

int OwnAudioSessionMuted() {
    ISimpleAudioVolume* volume = OwnAudioSession::Get().volume();
    BOOL muted = FALSE;
    if (!volume || FAILED(volume->GetMute(&muted))) return -1;
    return muted ? 1 : 0;
}

BOOL ApplyMute(int mute) {
    return MajorVersion() >= 6 ? MuteOwnAudioSession(mute) : MuteByInterception(mute);
}
