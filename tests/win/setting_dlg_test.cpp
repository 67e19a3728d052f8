// The settings dialog driven by key messages through the message loop's
// pre-translation, with the boss key registered on a stand-in main window.
#include "bosskey/boss_key.h"
#include "bosskey/setting_dlg.h"
#include "core/launcher_ids.h"
#include "framework/winapp.h"
#include "res/resource.h"
#include "skin/message_box.h"
#include "skin/skin_geometry.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring SettingsFile() { return testutil::ExeDir() + L"\\Statistic.ini"; }

std::wstring StoredShortKey() {
    wchar_t value[32] = {};
    ::GetPrivateProfileStringW(L"XCJY", L"ShortKey", L"(none)", value, 32, SettingsFile().c_str());
    return value;
}

// Every message now queued for this thread, through the pre-translation walk
// exactly as the modal loop does it.
void PumpThroughLoop() {
    for (int round = 0; round < 3; ++round) {
        MSG msg{};
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) fw::PumpMessage(msg, nullptr);
        testutil::PumpFor(10);
    }
}

void HoldModifiers(bool ctrl, bool shift, bool alt) {
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = ctrl ? 0x80 : 0;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    keys[VK_MENU] = alt ? 0x80 : 0;
    ::SetKeyboardState(keys);
}

class SettingDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::DeleteFileW(SettingsFile().c_str());
        ASSERT_TRUE(main_.Create(IDD_LOGIN));
        ClearRegisteredBossKey();
    }
    void TearDown() override {
        HoldModifiers(false, false, false);
        dlg_.reset();
        ::UnregisterHotKey(main_, kBossKeyHotkeyId);
        ClearRegisteredBossKey();
        ::DeleteFileW(SettingsFile().c_str());
    }

    void Open() {
        dlg_ = std::make_unique<CSettingDlg>(&main_);
        ASSERT_TRUE(dlg_->Create(IDD_SETTINGS, &main_));
        ::ShowWindow(*dlg_, SW_SHOW);
        ::SetFocus(Field());
        PumpThroughLoop();
    }

    HWND Field() const { return ::GetDlgItem(*dlg_, IDC_EDIT_BOSSKEY); }
    std::wstring FieldText() const { return testutil::TextOf(Field()); }

    void Press(UINT key, bool ctrl = false, bool shift = false, bool alt = false, UINT msg = WM_KEYDOWN) {
        HoldModifiers(ctrl, shift, alt);
        ::PostMessageW(::GetFocus(), msg, key, 0);
        PumpThroughLoop();
        HoldModifiers(false, false, false);
    }

    void PressOk() {
        testutil::PressButton(*dlg_, IDOK);
        PumpThroughLoop();
    }

    // Whether another window could take this chord now (it is free).
    static bool ChordFree(int modifiers, int key) {
        CDialog probe(IDD_LOGIN);
        if (!probe.Create(IDD_LOGIN)) return false;
        const bool free = ::RegisterHotKey(probe, 77, static_cast<UINT>(modifiers), static_cast<UINT>(key)) != FALSE;
        if (free) ::UnregisterHotKey(probe, 77);
        return free;
    }

    CDialog main_{IDD_LOGIN};
    std::unique_ptr<CSettingDlg> dlg_;
};

TEST_F(SettingDlgTest, CtrlXIsShownStoredAndRegisteredOnTheParent) {
    Open();
    EXPECT_EQ(testutil::TextOf(*dlg_), L"设置");
    EXPECT_EQ(FieldText(), L"F10");  // nothing stored, nothing registered
    EXPECT_TRUE(::GetWindowLongW(*dlg_, GWL_EXSTYLE) & WS_EX_TOPMOST);

    Press('X', true);
    EXPECT_EQ(FieldText(), L"Ctrl  +  X");
    // The caret sits after the text.
    DWORD start = 0, end = 0;
    ::SendMessageW(Field(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 10u);

    PressOk();
    EXPECT_FALSE(::IsWindowVisible(*dlg_));
    EXPECT_EQ(StoredShortKey(), L"2,88");
    EXPECT_EQ(g_bossKey, (Hotkey{2, 88}));
    EXPECT_FALSE(ChordFree(MOD_CONTROL, 'X'));
    ::UnregisterHotKey(main_, kBossKeyHotkeyId);
    EXPECT_TRUE(ChordFree(MOD_CONTROL, 'X'));
}

TEST_F(SettingDlgTest, ModifiersAloneOrUnnamedKeysChangeNothing) {
    ::WritePrivateProfileStringW(L"XCJY", L"ShortKey", L"4,65", SettingsFile().c_str());
    Open();
    EXPECT_EQ(FieldText(), L"Shift  +  A");  // the stored key, as none is registered
    Press(VK_CONTROL, true);
    EXPECT_EQ(FieldText(), L"Ctrl  +  ");
    Press(VK_SPACE);
    EXPECT_EQ(FieldText(), L"");
    // Tab neither moves the focus nor types.
    Press(VK_TAB, false, true);
    EXPECT_EQ(FieldText(), L"Shift  +  ");
    EXPECT_EQ(::GetFocus(), Field());
    PressOk();
    EXPECT_EQ(StoredShortKey(), L"4,65");
    EXPECT_FALSE(IsBossKeyRegistered());
}

TEST_F(SettingDlgTest, DelClearsTheBossKey) {
    ASSERT_TRUE(::RegisterHotKey(main_, kBossKeyHotkeyId, 0, VK_F10));
    g_bossKey = {0, VK_F10};
    Open();
    Press('Q', true, true);
    Press(VK_DELETE);
    EXPECT_EQ(FieldText(), L"无");
    PressOk();
    EXPECT_EQ(StoredShortKey(), L"0,0");
    EXPECT_FALSE(IsBossKeyRegistered());
    EXPECT_TRUE(ChordFree(0, VK_F10));
    EXPECT_TRUE(ChordFree(MOD_CONTROL | MOD_SHIFT, 'Q'));
}

TEST_F(SettingDlgTest, SystemKeysF10AndAltAreCapturedAltWithALetterIsNot) {
    ::WritePrivateProfileStringW(L"XCJY", L"ShortKey", L"0,0", SettingsFile().c_str());
    Open();
    EXPECT_EQ(FieldText(), L"无");
    Press(VK_F10, false, false, false, WM_SYSKEYDOWN);
    EXPECT_EQ(FieldText(), L"F10");
    Press(VK_MENU, false, false, true, WM_SYSKEYDOWN);
    EXPECT_EQ(FieldText(), L"Alt  +  ");
    Press('F', false, false, true, WM_SYSKEYDOWN);
    EXPECT_EQ(FieldText(), L"Alt  +  ");
    // With Ctrl held, Alt and a letter come as an ordinary key.
    Press('F', true, false, true);
    EXPECT_EQ(FieldText(), L"Ctrl  +  Alt  +  F");
    PressOk();
    EXPECT_EQ(StoredShortKey(), L"3,70");
    EXPECT_EQ(g_bossKey, (Hotkey{3, 70}));
}

TEST_F(SettingDlgTest, EnterAndEscNeverCloseIt) {
    Open();
    Press('B');
    for (UINT key : {VK_RETURN, VK_ESCAPE}) {
        Press(key);
        ::SetFocus(::GetDlgItem(*dlg_, IDOK));
        Press(key);
        ::SetFocus(Field());
    }
    EXPECT_TRUE(::IsWindowVisible(*dlg_));
    EXPECT_EQ(FieldText(), L"B");
    EXPECT_EQ(StoredShortKey(), L"(none)");
    // Cancel closes it and changes nothing.
    testutil::PressButton(*dlg_, IDCANCEL);
    PumpThroughLoop();
    EXPECT_FALSE(::IsWindowVisible(*dlg_));
    EXPECT_EQ(StoredShortKey(), L"(none)");
}

TEST_F(SettingDlgTest, AChordHeldElsewhereFailsAndLeavesNoBossKey) {
    ::WritePrivateProfileStringW(L"XCJY", L"ShortKey", L"0,121", SettingsFile().c_str());
    ASSERT_TRUE(::RegisterHotKey(main_, kBossKeyHotkeyId, 0, VK_F10));
    g_bossKey = {0, VK_F10};
    CDialog holder(IDD_LOGIN);
    ASSERT_TRUE(holder.Create(IDD_LOGIN));
    ASSERT_TRUE(::RegisterHotKey(holder, 5, MOD_CONTROL | MOD_SHIFT, 'Q'));

    Open();
    EXPECT_EQ(FieldText(), L"F10");
    Press('Q', true, true);
    EXPECT_EQ(FieldText(), L"Ctrl  +  Shift  +  Q");
    std::vector<std::wstring> asked;
    testutil::ModalBoxDriver driver(kGameTitle);
    driver.Run(
        [&] {
            PressOk();
            return 0;
        },
        {testutil::ModalBoxDriver::Answer(skin::kMsgBoxFirstButtonId, &asked)});
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], L"重置老板键失败，可能与其他窗口热键冲突！原老板键也已经失效，请重置！");
    EXPECT_FALSE(IsBossKeyRegistered());
    EXPECT_EQ(StoredShortKey(), L"0,121");
    EXPECT_TRUE(ChordFree(0, VK_F10));  // the old key was given up
    ::UnregisterHotKey(holder, 5);
}

TEST_F(SettingDlgTest, TheFieldShowsTheRegisteredKeyBeforeTheStoredOne) {
    ::WritePrivateProfileStringW(L"XCJY", L"ShortKey", L"0,121", SettingsFile().c_str());
    g_bossKey = {6, 65};
    Open();
    EXPECT_EQ(FieldText(), L"Ctrl  +  Shift  +  A");
    Press('X', true);
    testutil::SaveShot(testutil::CaptureScreen(*dlg_), L"settings_dialog.png");
}

}  // namespace
