#include "bosskey/setting_dlg.h"

#include "bosskey/boss_key.h"
#include "core/launcher_ids.h"
#include "framework/winapp.h"
#include "res/resource.h"
#include "skin/message_box.h"
#include "skin/dpi_scale.h"
#include "skin/skin_image.h"

namespace {

constexpr const wchar_t* kSettingsCaption = L"设置";
constexpr const wchar_t* kRegisterFailed =
    L"重置老板键失败，可能与其他窗口热键冲突！原老板键也已经失效，请重置！";
constexpr COLORREF kGroupBack = RGB(231, 241, 247);

bool KeyDown(int key) { return (::GetKeyState(key) & 0x8000) != 0; }

// The window and its controls at 100 %: where template 139's dialog units put
// them with base units 6 x 13 ("MS Shell Dlg" 8 at 96 dpi).
constexpr skin::Size kDesignSize{305, 184};
constexpr DesignPlace kControls[] = {
    {IDC_GRP_BOSSKEY, {11, 42, 295, 120}},        {IDC_ST_BOSSKEY_PROMPT, {33, 67, 108, 80}},
    {IDC_EDIT_BOSSKEY, {33, 91, 186, 111}},       {IDC_ST_BOSSKEY_EXAMPLE, {192, 94, 261, 107}},
    {IDOK, {143, 148, 218, 171}},                 {IDCANCEL, {219, 148, 294, 171}},
};

}  // namespace

CSettingDlg::CSettingDlg(CWnd* parent) : CDlgEx(IDD_SETTINGS, parent) {}

void CSettingDlg::DoDataExchange() {
    DDX_Control(IDC_EDIT_BOSSKEY, m_editKey);
    DDX_Control(IDC_ST_BOSSKEY_PROMPT, m_stPrompt);
    DDX_Control(IDC_ST_BOSSKEY_EXAMPLE, m_stExample);
    DDX_Control(IDOK, m_btnOk);
    DDX_Control(IDCANCEL, m_btnCancel);
}

BOOL CSettingDlg::OnInitDialog() {
    CDlgEx::OnInitDialog();
    SetCaptionText(kSettingsCaption);
    LayOutForDpi(fw::WindowDpi(m_hWnd));
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    // The field shows the key registered now; after a failed registration at
    // start-up that is none, and the stored one is shown instead.
    const Hotkey current = IsBossKeyRegistered() ? g_bossKey : ReadHotkeySetting();
    m_nCapturedKey = current.keyCode;
    ::SetWindowTextW(m_editKey, FormatHotkey(current.keyCode, current.modifiers).c_str());
    return TRUE;
}

void CSettingDlg::LayOutForDpi(int dpi) {
    LayOutSmallDialog(dpi, kDesignSize, kControls, m_bmpClose);
    AdoptBitmap(m_bmpButton, LoadPngResource(AfxGetResourceHandle(), IDB_SMALL_BTN, dpi));
    m_btnOk.SetImage(m_bmpButton, FALSE);
    m_btnCancel.SetImage(m_bmpButton, FALSE);
}

bool CSettingDlg::IsCapturedMessage(const MSG& msg) const {
    if (msg.message == WM_KEYDOWN) return true;
    // F10 and Alt arrive as system keys; Alt with anything else stays a system
    // key and goes on to the dialog (menus, mnemonics).
    return msg.message == WM_SYSKEYDOWN && (msg.wParam == VK_F10 || msg.wParam == VK_MENU);
}

void CSettingDlg::CaptureKeyInField(UINT key) {
    KeyCapture capture = CaptureKey(key, KeyDown(VK_CONTROL), KeyDown(VK_SHIFT), KeyDown(VK_MENU), m_nCapturedKey);
    m_nCapturedKey = capture.capturedKey;
    ::SetWindowTextW(m_editKey, capture.text.c_str());
    ::SendMessageW(m_editKey, EM_SETSEL, capture.text.size(), -1);
    ::SendMessageW(m_editKey, EM_SCROLLCARET, 0, 0);
}

BOOL CSettingDlg::PreTranslateMessage(MSG* msg) {
    if (!IsCapturedMessage(*msg)) return CDlgEx::PreTranslateMessage(msg);
    const UINT key = static_cast<UINT>(msg->wParam);
    // Neither key may end the dialog or press a button, wherever the focus is.
    if (key == VK_ESCAPE || key == VK_RETURN) return TRUE;
    if (::GetFocus() != m_editKey.m_hWnd) return CDlgEx::PreTranslateMessage(msg);
    CaptureKeyInField(key);
    return TRUE;
}

void CSettingDlg::OnOK() {
    CDlgEx::OnOK();
    if (std::optional<Hotkey> key = HotkeyFromFieldText(m_editKey.GetWindowText(), m_nCapturedKey)) ApplyHotkey(*key);
}

void CSettingDlg::ApplyHotkey(const Hotkey& key) {
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    ::UnregisterHotKey(owner, kBossKeyHotkeyId);
    if (key.keyCode == 0) {
        WriteHotkeySetting(key);
        ClearRegisteredBossKey();
        return;
    }
    if (::RegisterHotKey(owner, kBossKeyHotkeyId, static_cast<UINT>(key.modifiers), static_cast<UINT>(key.keyCode))) {
        WriteHotkeySetting(key);
        g_bossKey = key;
        return;
    }
    // The old key is gone already; the setting keeps it so that the next start
    // tries it again.
    ClearRegisteredBossKey();
    SkinMessageBox(kRegisterFailed, kGameTitle, 0);
}

LRESULT CSettingDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLORBTN) {
        LRESULT brush = CDlgEx::WindowProc(msg, wParam, lParam);
        if (::GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != IDC_GRP_BOSSKEY) return brush;
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, RGB(0, 0, 0));
        if (!m_brGroup) m_brGroup.reset(::CreateSolidBrush(kGroupBack));
        return reinterpret_cast<LRESULT>(m_brGroup.get());
    }
    return CDlgEx::WindowProc(msg, wParam, lParam);
}
