// CPrgsDlg: the self-update's progress dialog (template 129, not skinned). The
// download runs inside its first timer message, so the dialog is on screen
// while it lasts; it ends with IDOK when the download succeeded. Its client
// area and bar are placed in pixels scaled for the display, not by the
// template's dialog units, which grow with the system font instead.
#pragma once

#include "framework/dialog.h"
#include "skin/img_progress.h"

#include <string>

class CPrgsDlg : public CDialog {
public:
    CPrgsDlg();

    BOOL DownloadUpdate();

    CImgProgress m_progress;
    std::wstring m_szUrl;   // the executable's address (at most 511 characters)
    std::wstring m_szFile;  // the file that receives it

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnTimer();
    // The client size and the bar (its place, and its images, which give its
    // size) for a display of `dpi`; OnInitDialog and WM_DPICHANGED call it.
    void LayOutForDpi(int dpi);
};
