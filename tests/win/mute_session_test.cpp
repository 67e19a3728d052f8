// Muting this process's audio session, the way every system from version 6 on
// takes. The wine session gives the prefix an ALSA null device
// (scripts/wine-session.sh), so there is a mixer and an audio session to work
// with.
#include "mainwnd/mute.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

namespace {

class ComThread {
public:
    ComThread() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComThread() { ::CoUninitialize(); }
};

// The mute switch of mixer 0's speakers line, which would silence every program
// (-1 when there is none).
int SpeakersMuted() {
    HMIXER mixer = nullptr;
    if (::mixerOpen(&mixer, 0, 0, 0, MIXER_OBJECTF_MIXER) != MMSYSERR_NOERROR) return -1;
    int result = -1;
    MIXERLINEW line{};
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    MIXERCONTROLW control{};
    MIXERLINECONTROLSW controls{};
    controls.cbStruct = sizeof controls;
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_MUTE;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof control;
    controls.pamxctrl = &control;
    MIXERCONTROLDETAILS_BOOLEAN value{};
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof details;
    details.cChannels = 1;
    details.cbDetails = sizeof value;
    details.paDetails = &value;
    const auto h = reinterpret_cast<HMIXEROBJ>(mixer);
    if (::mixerGetLineInfoW(h, &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) == MMSYSERR_NOERROR) {
        controls.dwLineID = line.dwLineID;
        if (::mixerGetLineControlsW(h, &controls, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) ==
            MMSYSERR_NOERROR) {
            details.dwControlID = control.dwControlID;
            if (::mixerGetControlDetailsW(h, &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) ==
                MMSYSERR_NOERROR)
                result = value.fValue ? 1 : 0;
        }
    }
    ::mixerClose(mixer);
    return result;
}

TEST(Mute, SessionMuteSilencesThisProcessAndLeavesTheSpeakersAlone) {
    ComThread com;  // as on the launcher's user-interface thread
    const int speakers = SpeakersMuted();
    ASSERT_NE(speakers, -1) << "the wine session must provide the ALSA null device and its mixer";
    ASSERT_NE(OwnAudioSessionMuted(), 1);

    EXPECT_TRUE(ApplyMute(1));
    EXPECT_EQ(OwnAudioSessionMuted(), 1);
    EXPECT_EQ(SpeakersMuted(), speakers);

    EXPECT_TRUE(ApplyMute(0));
    EXPECT_EQ(OwnAudioSessionMuted(), 0);
    EXPECT_EQ(SpeakersMuted(), speakers);
}

// Run in a child process (below) whose wine has no audio driver.
TEST(MuteChild, DISABLED_NothingToMuteWithoutAnAudioDevice) {
    ComThread com;
    EXPECT_FALSE(ApplyMute(1));
    EXPECT_FALSE(ApplyMute(0));
}

// Wine reads its audio driver list when a process starts; an empty list means
// no driver and so no device. The registry is the prefix's own.
class NoAudioDriver {
public:
    NoAudioDriver() {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Drivers", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &key_, nullptr);
        ::RegSetValueExW(key_, L"Audio", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
    }
    ~NoAudioDriver() {
        ::RegDeleteValueW(key_, L"Audio");
        ::RegCloseKey(key_);
    }

private:
    HKEY key_ = nullptr;
};

TEST(Mute, NothingToMuteWithoutAnAudioDevice) {
    long exitCode = -1;
    {
        NoAudioDriver none;
        exitCode = testutil::RunOwnDisabledTest(L"MuteChild.DISABLED_NothingToMuteWithoutAnAudioDevice", 30000);
    }
    EXPECT_EQ(exitCode, 0) << "ApplyMute with no audio device must answer FALSE";
}

}  // namespace
