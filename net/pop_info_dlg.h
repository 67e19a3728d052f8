// CPopInfoDlg: the operator's pop-up notice at the bottom-right corner of the
// screen. Modeless; the main window creates it with no parent, so the main
// window owns it. It fetches XCJY.txt (and its picture) while it initialises,
// shows for ten seconds, comes back an hour later as often as the notice asks,
// and is gone for good once the player closes or clicks it.
#pragma once

#include "net/notice_record.h"
#include "skin/dlg_ex.h"
#include "skin/skin_types.h"
#include "skin/static_ex.h"

#include <string>

// Showings of the notice in this process so far; 1 when the program starts.
extern int g_nNoticeShown;

class CPopInfoDlg : public CDlgEx {
public:
    CPopInfoDlg();
    ~CPopInfoDlg() override;

    // Creates the window modeless from its template; with no parent it is
    // owned by the application's main window.
    BOOL Create(CWnd* parent = nullptr);

    // Fetches the notice and fills the fields; TRUE when it is to be shown.
    BOOL LoadNotice();
    // Whether a fetched notice text is new or not dismissed yet.
    BOOL ShouldShowNotice(const std::wstring& text) const;
    // The notice text into text (at most 1024 characters).
    BOOL FetchNoticeText(std::wstring& text) const;
    BOOL DownloadNoticePicture(const std::wstring& url, const std::wstring& path) const;

    BOOL PreTranslateMessage(MSG* msg) override;

    CStaticEx m_stPicture;
    CStaticEx m_stTitle;
    CStaticEx m_stLines[5];
    CStaticEx m_stMore;

    // The record's fields, each cut at its capacity (see notice_record.h).
    std::wstring m_szNoticeId;
    std::wstring m_szEndDate;
    std::wstring m_szTitle;
    std::wstring m_szLink;
    std::wstring m_szContent;
    std::wstring m_szPicUrl;
    int m_nShowCount = 0;

    // How long one showing lasts and the pause between showings.
    UINT m_nShowMs = 10000;
    UINT m_nPauseMs = 3600000;

protected:
    BOOL OnInitDialog() override;
    // The chosen layout at a display scale: skin, labels and the picture,
    // decoded again from the bytes kept since the download. A notice on
    // screen stays in the work area's bottom-right corner.
    void LayOutForDpi(int dpi) override;
    void DoDataExchange() override;
    void OnOK() override {}
    void OnCancel() override {}
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void OnTimer(UINT_PTR id);
    void OnNoticeClick();
    // SC_CLOSE and SC_MINIMIZE end the notice; TRUE when msg was one of them.
    BOOL HandleSysCommand(WPARAM command);
    // Hides the window for this run; popEnable (if any) is written.
    void CloseNotice(const wchar_t* popEnable);
    void LayoutPictureAndText();
    void LayoutText();
    void LayoutPicture();
    // Places (and shows) a label at its 100 % rectangle scaled for the window.
    void ShowBodyLines(notice::Layout layout, const skin::Rect& first);
    void ShowLabel(CStaticEx& label, const skin::Rect& design);
    void PlaceLabel(CStaticEx& label, const skin::Rect& design);
    // Caption layout (100 % figures), close strip and background at the
    // layout's scale; the window takes the background's size.
    void SetNoticeSkin(const int (&caption)[4], UINT closeId, UINT backgroundId);
    void StyleAsLink(CStaticEx& label, COLORREF colour);
    // Downloads the notice picture and keeps whatever PopWnd.jpg then holds.
    void DownloadPicture();
    // The kept picture decoded for the layout's scale into m_bmpPicture.
    void DecodePicture();
    void PlaceOrHide(BOOL have);
    // Bottom-right corner of the work area, above every other window.
    void MoveToCorner();

    notice::Layout m_layout = notice::Layout::Text;
    int m_nDpi = 96;             // the display scale the window is laid out for
    BOOL m_bInCorner = FALSE;    // shown as a notice (not hidden for good at once)
    std::string m_pictureBytes;  // PopWnd.jpg as downloaded: each scale decodes it
    CBitmap m_bmpClose;    // the close strip; the button keeps a copy
    CBitmap m_bmpPicture;  // the picture as the label was given it
};

// Today's local date as "%04d-%02d-%02d".
std::wstring GetTodayText();
