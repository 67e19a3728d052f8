#include "net/pop_info_dlg.h"

#include "core/start_program.h"
#include "framework/winapp.h"
#include "net/http_fetch.h"
#include "net/http_request.h"
#include "net/operator_site_win.h"
#include "res/resource.h"
#include "skin/dpi_scale.h"
#include "skin/skin_image.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>

int g_nNoticeShown = 1;

namespace {

constexpr UINT_PTR kShowTimer = 1;
constexpr UINT_PTR kPauseTimer = 2;
constexpr COLORREF kTitleColour = RGB(19, 43, 67);
constexpr COLORREF kBodyColour = RGB(30, 39, 46);

// The labels' places at 100 % (x, y, width, height within the window); at
// another scale each is scaled on its own (skin::ScaleRect). Body line i lies
// kBodyLinePitch * i below the first.
struct NoticePlaces {
    skin::Rect picture, title, firstLine, more;
};
constexpr int kBodyLinePitch = 16;
constexpr NoticePlaces kPictureAndTextPlaces{
    {15, 67, 90, 147}, {100, 48, 230, 63}, {100, 68, 233, 81}, {195, 168, 237, 181}};
constexpr NoticePlaces kTextPlaces{{0, 0, 0, 0}, {0, 45, 250, 60}, {18, 65, 234, 78}, {195, 145, 237, 158}};
// The picture alone fills the second body label.
constexpr skin::Rect kPicturePlace{-3, 22, 160, 212};
// Caption layouts (caption height, border, close button's right margin and
// top) at 100 %.
constexpr int kNoticeCaption[4] = {0, 3, 3, 3};
constexpr int kPictureNoticeCaption[4] = {0, 0, 0, 1};

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

// The file's bytes when it holds no more than `limit` of them; empty
// otherwise (or when it cannot be read).
std::string ReadSmallFile(const std::wstring& path, uint64_t limit) {
    fw::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
        static_cast<uint64_t>(size.QuadPart) > limit)
        return {};
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
        read != bytes.size())
        return {};
    return bytes;
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
    m_layout = notice::ChooseLayout({m_szNoticeId, m_szEndDate, m_szTitle, m_szLink, m_szContent, m_szPicUrl, 0});
    if (m_layout == notice::Layout::Picture) {
        ModifyStyleEx(0, WS_EX_LAYERED);
        ::SetLayeredWindowAttributes(m_hWnd, kColorKey, 0, LWA_COLORKEY);
    }
    if (m_layout != notice::Layout::Text) DownloadPicture();
    LayOutForDpi(fw::WindowDpi(m_hWnd));
    PlaceOrHide(have);
    ::SetTimer(m_hWnd, kShowTimer, m_nShowMs, nullptr);
    return TRUE;
}

void CPopInfoDlg::LayOutForDpi(int dpi) {
    m_nDpi = dpi;
    switch (m_layout) {
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
    // Its size changed about its top-left corner; the notice belongs in the
    // bottom-right one.
    if (m_bInCorner) MoveToCorner();
}

void CPopInfoDlg::ShowLabel(CStaticEx& label, const skin::Rect& design) {
    PlaceLabel(label, design);
    ::ShowWindow(label.m_hWnd, SW_SHOW);
}

void CPopInfoDlg::PlaceLabel(CStaticEx& label, const skin::Rect& design) {
    skin::Rect r = skin::ScaleRect(design, m_nDpi);
    // A label that reaches the window's edge in the design ends there at any
    // scale: its place and size are rounded each on its own and could
    // overhang by a pixel.
    const RECT client = GetClientRect();
    r.right = std::min<int>(r.right, client.right);
    r.bottom = std::min<int>(r.bottom, client.bottom);
    ::SetWindowPos(label.m_hWnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void CPopInfoDlg::SetNoticeSkin(const int (&caption)[4], UINT closeId, UINT backgroundId) {
    const int dpi = m_nDpi;
    SetCaptionLayout(skin::ScalePx(caption[0], dpi), skin::ScalePx(caption[1], dpi), skin::ScalePx(caption[2], dpi),
                     skin::ScalePx(caption[3], dpi));
    m_bResizable = FALSE;
    HINSTANCE module = AfxGetResourceHandle();
    AdoptBitmap(m_bmpClose, LoadPngResource(module, closeId, dpi));
    SetSkin(m_bmpClose.GetSafeHandle(), nullptr, LoadPngResource(module, backgroundId, dpi), TRUE, FALSE);
}

void CPopInfoDlg::StyleAsLink(CStaticEx& label, COLORREF colour) {
    label.m_crText = colour;
    label.m_bHandCursor = TRUE;
    label.m_bUnderline = FALSE;
    label.ModifyStyle(0, SS_NOTIFY);
}

void CPopInfoDlg::DownloadPicture() {
    std::wstring path;
    if (!MakeExeDirPath(L"PopWnd.jpg", path)) return;
    DownloadNoticePicture(m_szPicUrl, path);
    m_pictureBytes = ReadSmallFile(path, http::kPictureMaxBytes);
}

void CPopInfoDlg::DecodePicture() {
    int width = 0, height = 0;
    AdoptBitmap(m_bmpPicture, LoadImageBytesOnWhite(m_pictureBytes, width, height, m_nDpi));
}

void CPopInfoDlg::ShowBodyLines(notice::Layout layout, const skin::Rect& first) {
    std::vector<std::wstring> lines = notice::BodyLines(m_szContent, layout);
    for (size_t i = 0; i < lines.size(); ++i) {
        CStaticEx& line = m_stLines[i];
        const int down = kBodyLinePitch * static_cast<int>(i);
        ShowLabel(line, {first.left, first.top + down, first.right, first.bottom + down});
        line.m_strText = lines[i];
        StyleAsLink(line, kBodyColour);
        line.Invalidate();
    }
}

void CPopInfoDlg::LayoutPictureAndText() {
    SetNoticeSkin(kNoticeCaption, IDB_NOTICE_CLOSE, IDB_NOTICE_BK_PICTEXT);
    const NoticePlaces& places = kPictureAndTextPlaces;

    DecodePicture();
    ShowLabel(m_stPicture, places.picture);
    if (m_bmpPicture.GetSafeHandle()) m_stPicture.SetImage(m_bmpPicture.GetSafeHandle());
    m_stPicture.m_strText.clear();
    m_stPicture.Invalidate();

    ShowLabel(m_stTitle, places.title);
    m_stTitle.m_strText = m_szTitle;
    m_stTitle.m_nFontWeight = FW_BOLD;
    StyleAsLink(m_stTitle, kTitleColour);
    m_stTitle.Invalidate();

    ShowBodyLines(notice::Layout::PictureAndText, places.firstLine);
    PlaceLabel(m_stMore, places.more);
    StyleAsLink(m_stMore, kBodyColour);
}

void CPopInfoDlg::LayoutText() {
    SetNoticeSkin(kNoticeCaption, IDB_NOTICE_CLOSE, IDB_NOTICE_BK_TEXT);
    const NoticePlaces& places = kTextPlaces;

    ShowLabel(m_stTitle, places.title);
    m_stTitle.m_strText = m_szTitle;
    m_stTitle.m_nFontWeight = FW_BOLD;
    StyleAsLink(m_stTitle, kTitleColour);
    m_stTitle.Invalidate();

    ShowBodyLines(notice::Layout::Text, places.firstLine);
    PlaceLabel(m_stMore, places.more);
    StyleAsLink(m_stMore, kBodyColour);
}

void CPopInfoDlg::LayoutPicture() {
    SetNoticeSkin(kPictureNoticeCaption, IDB_NOTICE_CLOSE_TEXT, IDB_NOTICE_BK_PIC);

    // The picture fills the second body label, so that clicking it opens the link.
    DecodePicture();
    CStaticEx& picture = m_stLines[1];
    ShowLabel(picture, kPicturePlace);
    picture.m_strText.clear();
    picture.Invalidate();
    if (m_bmpPicture.GetSafeHandle()) picture.SetImage(m_bmpPicture.GetSafeHandle());
    StyleAsLink(picture, kBodyColour);
    // The template shows "详细>>" from the start, at a place of its own in
    // dialog units: outside this small window at the scale it is made for,
    // inside it once a display of a larger scale has grown the window.
    ::ShowWindow(m_stMore.m_hWnd, SW_HIDE);
}

void CPopInfoDlg::MoveToCorner() {
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const RECT me = GetWindowRect();
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, work.right - (me.right - me.left), work.bottom - (me.bottom - me.top), 0, 0,
                   SWP_NOSIZE | SWP_NOACTIVATE);
}

void CPopInfoDlg::PlaceOrHide(BOOL have) {
    m_bInCorner = have;
    if (have) {
        MoveToCorner();
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
