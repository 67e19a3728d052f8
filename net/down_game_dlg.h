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

#include <memory>
#include <string>

// What the download worker uses, shared between it and the dialog: a dialog
// that stops waiting for a worker stuck in a stalled read frees nothing the
// worker still touches. The worker reports to the dialog's window by handle
// only (a message to a window that is gone goes nowhere).
struct DownloadJob {
    std::wstring gameName;
    std::wstring configUrl;
    std::wstring exeUrl;
    std::wstring exeIdentity;  // "VerKey"/"XCJY" of the game's configuration
    std::wstring statement;    // "VerKey"/"Statement": the operator's signed statement of the client
    std::wstring signature;    // "VerKey"/"Signature"
    std::wstring tempExe;
    HWND dialog = nullptr;
    HWND bar = nullptr;
    FetchHandles handles;  // the running fetch's handles; Cancel ends its writes
};

class CDownGameDlg : public CDlgEx {
public:
    explicit CDownGameDlg(const std::wstring& gameName, CWnd* parent = nullptr);
    ~CDownGameDlg() override;

    // Sent by the worker to the dialog: wParam a DownloadState.
    static constexpr UINT WM_DOWNLOAD_STATE = WM_APP + 0x4A;
    enum DownloadState { ConfigFailed, Downloaded, DownloadFailed };
    // Sent by the worker when the percentage changes: wParam the percentage.
    static constexpr UINT WM_DOWNLOAD_PERCENT = WM_APP + 0x49;

    static DWORD WINAPI DownloadThreadProc(LPVOID job);
    BOOL PreTranslateMessage(MSG* msg) override;

    std::wstring m_strGameName;
    std::shared_ptr<DownloadJob> m_job;  // set once the download has started
    fw::UniqueHandle m_hThread;

    CImgProgress m_progress;
    CBtnEx m_btnOK;
    CBtnEx m_btnCancel;
    CStaticEx m_stStatus;
    CBitmap m_bmpClose;  // the caption close strip; the button keeps a copy
    CBitmap m_bmpButton; // the buttons' four-state strip

protected:
    BOOL OnInitDialog() override;
    void LayOutForDpi(int dpi) override;
    void DoDataExchange() override;
    // The Cancel button (Escape never reaches it): ends the dialog and stops
    // the download.
    void OnCancel() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;


private:
    void OnDownloadState(DownloadState state);
    // The status label reads "已加载  N%".
    void ShowPercent(unsigned percent);
    void OnClose();
    // Stops the worker: cancels its fetch and waits for it a moment, serving
    // the messages it sends to this thread meanwhile. A worker still stuck
    // then (a stalled server) is left to end on its own: it writes nothing
    // more and starts nothing.
    void StopWorker();
};
