// Silencing the game pages' sound on request.
#pragma once

#include <windows.h>
#include <mmsystem.h>

// Carries out the player's sound choice (nonzero = silence). TRUE when it was
// applied, FALSE when there is nothing to mute (no audio device). Call it on the
// user-interface thread.
BOOL ApplyMute(int mute);

// The two ways ApplyMute takes, by the system's major version; both exist on
// every system, so both can be exercised anywhere.
//
// From version 6 on: the mute switch of this process's own audio session, so
// that other programs keep their sound and nothing outlasts the process. Needs
// COM on the calling thread (the user-interface thread has it).
BOOL MuteOwnAudioSession(int mute);
// What that session reports: 1 muted, 0 not, -1 no session (no audio device).
int OwnAudioSessionMuted();
// Before version 6 there are no sessions: waveOutWrite and midiStreamOut are
// intercepted (once, on the first call) and their buffers zero-filled while the
// silence flag is set. The waveOutWrite interception is removed at exit.
BOOL MuteByInterception(int mute);

// The interception's parts. The trampolines are the pass-through entries: they
// call the system functions as they were before interception.
extern "C" MMRESULT WINAPI WaveOutWritePassThrough(HWAVEOUT wave, LPWAVEHDR header, UINT size);
extern "C" MMRESULT WINAPI MidiStreamOutPassThrough(HMIDISTRM stream, LPMIDIHDR header, UINT size);
MMRESULT WINAPI SilentWaveOutWrite(HWAVEOUT wave, LPWAVEHDR header, UINT size);
MMRESULT WINAPI SilentMidiStreamOut(HMIDISTRM stream, LPMIDIHDR header, UINT size);
