#include "net/pop_info_dlg.h"

#include "core/start_program.h"
#include "framework/winapp.h"
#include "net/http_fetch.h"
#include "net/http_request.h"
#include "net/operator_site_win.h"
#include "res/resource.h"
#include "skin/skin_image.h"

#include <shellapi.h>

#include <cstdio>

int g_nNoticeShown = 1;

namespace {

constexpr UINT_PTR kShowTimer = 1;
constexpr UINT_PTR kPauseTimer = 2;
constexpr COLORREF kTitleColour = RGB(19, 43, 67);
constexpr COLORREF kBodyColour = RGB(30, 39, 46);

std::wstring SettingsPath() {
    std::wstring path;
    MakeExeDirPath(L"Statistic.ini", path);
    return path;
}

std::wstring ReadSetting(const wchar_t* key, DWORD capacity) {
    std::wstring value(capacity, L'\0');
    DWORD n = ::GetPrivateProfileStringW(L"XCJY", key, L"", value.data(), capacity, SettingsPath().c_str());
    value.resize(n);
    return value;
}

void WriteSetting(const wchar_t* key, const std::wstring& value) {
    // The value comes from the network: it may not break out of its line.
    ::WritePrivateProfileStringW(L"XCJY", key, notice::SettingValue(value).c_str(), SettingsPath().c_str());
}

}  // namespace

std::wstring GetTodayText() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    wchar_t text[64];
    std::swprintf(text, 64, L"%04d-%02d-%02d", now.wYear, now.wMonth, now.wDay);
    return text;
}

CPopInfoDlg::CPopInfoDlg() : CDlgEx(IDD_NOTICE) {}

CPopInfoDlg::~CPopInfoDlg() { DestroyOwnWindow(); }

BOOL CPopInfoDlg::Create(CWnd* parent) { return CDialog::Create(IDD_NOTICE, parent); }

void CPopInfoDlg::DoDataExchange() {
    DDX_Control(IDC_ST_PICTURE, m_stPicture);
    DDX_Control(IDC_ST_TITLE, m_stTitle);
    for (int i = 0; i < 5; ++i) DDX_Control(IDC_ST_LINE1 + i, m_stLines[i]);
    DDX_Control(IDC_ST_MORE, m_stMore);
}

BOOL CPopInfoDlg::FetchNoticeText(std::wstring& text) const {
    return HttpFetch(OperatorTextFetch(site::NoticeFileUrl(CurrentSite()), &text));
}

BOOL CPopInfoDlg::DownloadNoticePicture(const std::wstring& url, const std::wstring& path) const {
    return HttpFetch(OperatorFileFetch(url, path, TRUE, http::SmallFileLimits(http::kPictureMaxBytes)));
}

BOOL CPopInfoDlg::ShouldShowNotice(const std::wstring& text) const {
    return notice::ShouldShowNoticeText(text, ReadSetting(L"PopInfo", 1024), ReadSetting(L"PopEnable", 8));
}

BOOL CPopInfoDlg::LoadNotice() {
    std::wstring text;
    if (!FetchNoticeText(text) || !ShouldShowNotice(text)) return FALSE;
    std::optional<notice::NoticeRecord> record = notice::ParseNoticeRecord(text, GetTodayText());
    if (!record) return FALSE;
    m_szNoticeId = record->id;
    m_szEndDate = record->endDate;
    m_szTitle = record->title;
    m_szLink = record->link;
    m_szContent = record->content;
    m_szPicUrl = record->picUrl;
    m_nShowCount = record->showCount;
    WriteSetting(L"PopInfo", text);
    WriteSetting(L"PopEnable", L"1");
    return TRUE;
}

BOOL CPopInfoDlg::OnInitDialog() {
    CDlgEx::OnInitDialog();
    ModifyStyleEx(WS_EX_APPWINDOW, WS_EX_TOOLWINDOW);
    const BOOL have = LoadNotice();
    switch (notice::ChooseLayout({m_szNoticeId, m_szEndDate, m_szTitle, m_szLink, m_szContent, m_szPicUrl, 0})) {
    case notice::Layout::PictureAndText:
        LayoutPictureAndText();
        break;
    case notice::Layout::Text:
        LayoutText();
        break;
    case notice::Layout::Picture:
        LayoutPicture();
        break;
    }
    PlaceOrHide(have);
    ::SetTimer(m_hWnd, kShowTimer, m_nShowMs, nullptr);
    return TRUE;
}

void CPopInfoDlg::ShowLabel(CStaticEx& label, int x, int y, int width, int height) {
    ::SetWindowPos(label.m_hWnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(label.m_hWnd, SW_SHOW);
}

void CPopInfoDlg::StyleAsLink(CStaticEx& label, COLORREF colour) {
    label.m_crText = colour;
    label.m_bHandCursor = TRUE;
    label.m_bUnderline = FALSE;
    label.ModifyStyle(0, SS_NOTIFY);
}

void CPopInfoDlg::LoadPicture() {
    std::wstring path;
    if (!MakeExeDirPath(L"PopWnd.jpg", path)) return;
    DownloadNoticePicture(m_szPicUrl, path);
    int width = 0, height = 0;
    AdoptBitmap(m_bmpPicture, LoadImageFileOnWhite(path.c_str(), width, height));
}

void CPopInfoDlg::ShowBodyLines(notice::Layout layout, int x, int y, int width) {
    std::vector<std::wstring> lines = notice::BodyLines(m_szContent, layout);
    for (size_t i = 0; i < lines.size(); ++i) {
        CStaticEx& line = m_stLines[i];
        ShowLabel(line, x, y + 16 * static_cast<int>(i), width, 13);
        line.m_strText = lines[i];
        StyleAsLink(line, kBodyColour);
        line.Invalidate();
    }
}

void CPopInfoDlg::LayoutPictureAndText() {
    HINSTANCE module = AfxGetResourceHandle();
    SetCaptionLayout(0, 3, 3, 3);
    m_bResizable = FALSE;
    AdoptBitmap(m_bmpClose, LoadPngResource(module, IDB_NOTICE_CLOSE));
    SetSkin(m_bmpClose.GetSafeHandle(), nullptr, LoadPngResource(module, IDB_NOTICE_BK_PICTEXT), TRUE, FALSE);

    LoadPicture();
    ShowLabel(m_stPicture, 15, 67, 75, 80);
    if (m_bmpPicture.GetSafeHandle()) m_stPicture.SetImage(m_bmpPicture.GetSafeHandle());
    m_stPicture.m_strText.clear();
    m_stPicture.Invalidate();

    const RECT client = GetClientRect();
    ShowLabel(m_stTitle, 100, 48, client.right - 20 - 100, 15);
    m_stTitle.m_strText = m_szTitle;
    m_stTitle.m_nFontWeight = FW_BOLD;
    StyleAsLink(m_stTitle, kTitleColour);
    m_stTitle.Invalidate();

    ShowBodyLines(notice::Layout::PictureAndText, 100, 68, 133);
    ::SetWindowPos(m_stMore.m_hWnd, nullptr, 195, 168, 42, 13, SWP_NOZORDER | SWP_NOACTIVATE);
    StyleAsLink(m_stMore, kBodyColour);
}

void CPopInfoDlg::LayoutText() {
    HINSTANCE module = AfxGetResourceHandle();
    SetCaptionLayout(0, 3, 3, 3);
    m_bResizable = FALSE;
    AdoptBitmap(m_bmpClose, LoadPngResource(module, IDB_NOTICE_CLOSE));
    SetSkin(m_bmpClose.GetSafeHandle(), nullptr, LoadPngResource(module, IDB_NOTICE_BK_TEXT), TRUE, FALSE);

    const RECT client = GetClientRect();
    ShowLabel(m_stTitle, 0, 45, client.right, 15);
    m_stTitle.m_strText = m_szTitle;
    m_stTitle.m_nFontWeight = FW_BOLD;
    StyleAsLink(m_stTitle, kTitleColour);
    m_stTitle.Invalidate();

    ShowBodyLines(notice::Layout::Text, 18, 65, client.right - 16 - 18);
    ::SetWindowPos(m_stMore.m_hWnd, nullptr, 195, 145, 42, 13, SWP_NOZORDER | SWP_NOACTIVATE);
    StyleAsLink(m_stMore, kBodyColour);
}

void CPopInfoDlg::LayoutPicture() {
    HINSTANCE module = AfxGetResourceHandle();
    ModifyStyleEx(0, WS_EX_LAYERED);
    ::SetLayeredWindowAttributes(m_hWnd, kColorKey, 0, LWA_COLORKEY);
    SetCaptionLayout(0, 0, 0, 1);
    m_bResizable = FALSE;
    AdoptBitmap(m_bmpClose, LoadPngResource(module, IDB_NOTICE_CLOSE_TEXT));
    SetSkin(m_bmpClose.GetSafeHandle(), nullptr, LoadPngResource(module, IDB_NOTICE_BK_PIC), TRUE, FALSE);

    // The picture fills the second body label, so that clicking it opens the link.
    LoadPicture();
    CStaticEx& picture = m_stLines[1];
    ShowLabel(picture, -3, 22, 163, 190);
    picture.m_strText.clear();
    picture.Invalidate();
    if (m_bmpPicture.GetSafeHandle()) picture.SetImage(m_bmpPicture.GetSafeHandle());
    StyleAsLink(picture, kBodyColour);
}

void CPopInfoDlg::PlaceOrHide(BOOL have) {
    if (have) {
        RECT work{};
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        const RECT me = GetWindowRect();
        ::SetWindowPos(m_hWnd, HWND_TOPMOST, work.right - (me.right - me.left), work.bottom - (me.bottom - me.top), 0,
                       0, SWP_NOSIZE | SWP_NOACTIVATE);
        ::BringWindowToTop(m_hWnd);
    } else {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOZORDER | SWP_NOACTIVATE);
        ::PostMessageW(m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    }
}

void CPopInfoDlg::CloseNotice(const wchar_t* popEnable) {
    CDialog::OnCancel();
    ::KillTimer(m_hWnd, kShowTimer);
    ::KillTimer(m_hWnd, kPauseTimer);
    if (popEnable) WriteSetting(L"PopEnable", popEnable);
}

BOOL CPopInfoDlg::HandleSysCommand(WPARAM command) {
    switch (command & 0xFFF0) {
    case SC_CLOSE:
        CloseNotice(L"0");
        return TRUE;
    case SC_MINIMIZE:
        CloseNotice(nullptr);
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CPopInfoDlg::PreTranslateMessage(MSG* msg) {
    if (msg->hwnd == m_hWnd && msg->message == WM_SYSCOMMAND && HandleSysCommand(msg->wParam)) return TRUE;
    return CDlgEx::PreTranslateMessage(msg);
}

void CPopInfoDlg::OnTimer(UINT_PTR id) {
    if (id == kShowTimer) {
        ::KillTimer(m_hWnd, kShowTimer);
        if (g_nNoticeShown < m_nShowCount) {
            ::SetTimer(m_hWnd, kPauseTimer, m_nPauseMs, nullptr);
            ::ShowWindow(m_hWnd, SW_HIDE);
        } else {
            CloseNotice(L"1");
        }
    } else if (id == kPauseTimer) {
        ++g_nNoticeShown;
        ::KillTimer(m_hWnd, kPauseTimer);
        ::SetTimer(m_hWnd, kShowTimer, m_nShowMs, nullptr);
        // Hidden by the boss key: this showing passes unseen but counts.
        HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
        if (owner && ::IsWindowVisible(owner)) ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    }
}

void CPopInfoDlg::OnNoticeClick() {
    CDialog::OnCancel();
    // The link comes from the network: only a web address may be opened,
    // never a file or a program.
    if (!m_szLink.empty() && http::IsWebAddress(m_szLink))
        ::ShellExecuteW(nullptr, L"open", m_szLink.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
    ::KillTimer(m_hWnd, kShowTimer);
    ::KillTimer(m_hWnd, kPauseTimer);
    WriteSetting(L"PopEnable", L"0");
}

BOOL CPopInfoDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    if (lParam != 0 && id >= IDC_ST_TITLE && id <= IDC_ST_MORE && HIWORD(wParam) == STN_CLICKED) {
        OnNoticeClick();
        return TRUE;
    }
    return CDlgEx::OnCommand(wParam, lParam);
}

LRESULT CPopInfoDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_TIMER: {
        LRESULT result = CDlgEx::WindowProc(msg, wParam, lParam);
        OnTimer(wParam);
        return result;
    }
    case WM_SYSCOMMAND:
        // Reached when the command was sent rather than posted through the
        // message loop's pre-translation.
        if (HandleSysCommand(wParam)) return 0;
        break;
    default:
        break;
    }
    return CDlgEx::WindowProc(msg, wParam, lParam);
}
