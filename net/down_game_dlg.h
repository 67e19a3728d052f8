// CDownGameDlg: downloads and starts another game's launcher for "entergame".
// A worker thread fetches the game's configuration and then its executable
// into the temp folder, with a progress bar and a percentage label; Cancel
// cuts the download short.
#pragma once

#include "net/http_fetch.h"
#include "skin/btn_ex.h"
#include "skin/dlg_ex.h"
#include "skin/img_progress.h"
#include "skin/static_ex.h"

#include <string>

class CDownGameDlg : public CDlgEx {
public:
    explicit CDownGameDlg(const std::wstring& gameName, CWnd* parent = nullptr);
    ~CDownGameDlg() override;

    BOOL FetchGameConfig();
    BOOL DownloadGameExe();
    static DWORD WINAPI DownloadThreadProc(LPVOID dialog);
    BOOL PreTranslateMessage(MSG* msg) override;

    std::wstring m_strGameName;
    std::wstring m_strConfigUrl;
    std::wstring m_strExeUrl;
    std::wstring m_strExeIdentity;  // "VerKey"/"XCJY" of the same configuration
    std::wstring m_strStatement;    // "VerKey"/"Statement": the operator's signed statement of the client
    std::wstring m_strSignature;    // "VerKey"/"Signature"
    std::wstring m_szTempExe;
    fw::UniqueHandle m_hThread;
    FetchHandles m_handles;  // the running fetch's handles, closed by Cancel

    CImgProgress m_progress;
    CBtnEx m_btnOK;
    CBtnEx m_btnCancel;
    CStaticEx m_stStatus;
    CBitmap m_bmpClose;  // the caption close strip; the button keeps a copy
    CBitmap m_bmpButton; // the buttons' four-state strip

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange() override;
    // The Cancel button (Escape never reaches it): ends the dialog and stops
    // the download.
    void OnCancel() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // Sent by the worker to the dialog: wParam a DownloadState.
    static constexpr UINT WM_DOWNLOAD_STATE = WM_APP + 0x4A;
    enum DownloadState { ConfigFailed, Downloaded, DownloadFailed };
    // Sent by the worker when the percentage changes: wParam the percentage.
    static constexpr UINT WM_DOWNLOAD_PERCENT = WM_APP + 0x49;

private:
    void OnDownloadState(DownloadState state);
    // The status label reads "已加载  N%".
    void ShowPercent(unsigned percent);
    void Post(DownloadState state);
    void OnClose();
    // Stops the worker: cancels its fetch and waits for it, serving the
    // messages it sends to this thread meanwhile.
    void StopWorker();
    void RunDownload();
    BOOL StartVerifiedDownload();
};
