// CSettingDlg: the small skinned dialog "设置" in which the player presses the
// boss key chord. The field never takes typed characters: every key pressed in
// it is turned into the chord's display text. OK registers the chord on the
// parent (the main window) and stores it.
#pragma once

#include "bosskey/hotkey.h"
#include "framework/gdi.h"
#include "skin/btn_ex.h"
#include "skin/dlg_ex.h"
#include "skin/static_ex.h"

class CSettingDlg : public CDlgEx {
public:
    // parent must be the main window: the hotkey is registered on it.
    explicit CSettingDlg(CWnd* parent);
    ~CSettingDlg() override { DestroyOwnWindow(); }

    BOOL PreTranslateMessage(MSG* msg) override;

    int m_nCapturedKey = kVkF10;  // the last boss key key pressed in the field

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void LayOutForDpi(int dpi) override;
    void OnOK() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool IsCapturedMessage(const MSG& msg) const;
    void CaptureKeyInField(UINT key);
    void ApplyHotkey(const Hotkey& key);

    CWnd m_editKey;
    CStaticEx m_stPrompt;
    CStaticEx m_stExample;
    CBtnEx m_btnOk;
    CBtnEx m_btnCancel;
    CBitmap m_bmpClose;
    CBitmap m_bmpButton;
    fw::UniqueBrush m_brGroup;
};
