// The skinned toolkit on show: a main-window-like dialog with its caption tab
// strip and caption controls, a panel of buttons in their four faces, labels
// and progress bars, and the three kinds of message box.
//
//   gallery.exe              interactive
//   gallery.exe --shot DIR   arranges everything, saves screenshots into DIR
//                            (gallery.png and msgbox-*.png), then quits
#include "framework/winapp.h"
#include "res/resource.h"
#include "skin/dlg_ex.h"
#include "skin/img_progress.h"
#include "skin/message_box.h"
#include "skin/skin_image.h"
#include "skin/static_ex.h"
#include "skin/tab_ctrl.h"
#include "skin/tab_page_set.h"
#include "tests/win/test_util.h"

#include <shellapi.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace {

fw::UniqueBitmap Skin(UINT id) { return LoadPngResource(AfxGetInstanceHandle(), id); }

std::wstring g_shotDir;  // empty: interactive

constexpr UINT kIdShowBoxes = 3000;

// Controls made in code on a skinned parent; owned here.
// Controls made from a template get the dialog's font; these are made in code,
// so they are given it the same way.
void UseDialogFont(CWnd& control, CWnd* parent) {
    ::SendMessageW(control.m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(parent->GetFont()), FALSE);
}

class Panel {
public:
    CBtnEx& Button(CWnd* parent, const RECT& r, const wchar_t* text, UINT stripId) {
        auto& b = buttons_.emplace_back(std::make_unique<CBtnEx>());
        b->Create(text, WS_CHILD | WS_VISIBLE, r, parent, next_++);
        UseDialogFont(*b, parent);
        strips_.emplace_back(Skin(stripId));
        b->SetImage(strips_.back().get(), TRUE);
        return *b;
    }
    CStaticEx& Label(CWnd* parent, const RECT& r, const wchar_t* text, DWORD style = 0) {
        auto& l = labels_.emplace_back(std::make_unique<CStaticEx>());
        l->Create(text, WS_CHILD | WS_VISIBLE | style, r, parent, next_++);
        UseDialogFont(*l, parent);
        return *l;
    }
    CImgProgress& Progress(CWnd* parent, POINT at, int pos) {
        auto& p = bars_.emplace_back(std::make_unique<CImgProgress>());
        p->Create(WS_CHILD | WS_VISIBLE, RECT{at.x, at.y, at.x + 10, at.y + 10}, parent, next_++);
        p->SetImages(Skin(IDB_PROGRESS_TRACK), Skin(IDB_PROGRESS_FILL));
        p->SetPos(pos);
        return *p;
    }

private:
    std::vector<std::unique_ptr<CBtnEx>> buttons_;
    std::vector<std::unique_ptr<CStaticEx>> labels_;
    std::vector<std::unique_ptr<CImgProgress>> bars_;
    std::vector<fw::UniqueBitmap> strips_;
    UINT next_ = 2000;
};

// Buttons in their four faces, labels, progress bars, and the message boxes.
class ControlsDlg : public CDlgEx {
public:
    ControlsDlg() : CDlgEx(IDD_MSGBOX) {}
    ~ControlsDlg() override { DestroyOwnWindow(); }

protected:
    BOOL OnInitDialog() override {
        CDlgEx::OnInitDialog();
        SetCaptionLayout(30, 4, 0, 0);
        close_ = Skin(IDB_CAPT_CLOSE);
        SetCaptionText(L"控件展示");
        SetSkin(close_.get(), nullptr, Skin(IDB_SMALL_BK), FALSE, TRUE);
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 640, 470, SWP_NOMOVE | SWP_NOZORDER);

        // One row per strip: normal, hover, pressed, disabled.
        const UINT captionStrips[] = {IDB_CAPT_CLOSE, IDB_CAPT_MAX, IDB_CAPT_MIN, IDB_CAPT_RESTORE,
                                      IDB_BTN_HIDE,   IDB_SOUND_ON, IDB_SOUND_OFF};
        int x = 20;
        for (UINT id : captionStrips) {
            for (int face = 0; face < 4; ++face) ShowFace(panel_.Button(this, Cell(x, 45 + face * 32, 27, 27), L"", id), face);
            x += 36;
        }
        const wchar_t* texts[] = {L"确定", L"取消", L"是", L"否"};
        for (int face = 0; face < 4; ++face)
            ShowFace(panel_.Button(this, Cell(290 + face * 64, 45, 57, 23), texts[face], IDB_SMALL_BTN), face);
        for (int face = 0; face < 4; ++face) {
            CBtnEx& system = panel_.Button(this, Cell(290 + face * 52, 80, 44, 28), L"系统", IDB_BTN_SYSTEM);
            system.m_crText = RGB(255, 255, 255);
            ShowFace(system, face);
        }
        ShowFace(panel_.Button(this, Cell(290, 116, 79, 28), L"", IDB_HALL_OFF), 0);
        ShowFace(panel_.Button(this, Cell(375, 116, 79, 28), L"", IDB_HALL_ON), 0);
        CBtnEx& boxes = panel_.Button(this, Cell(460, 116, 57, 23), L"消息框", IDB_SMALL_BTN);
        ::SetWindowLongPtrW(boxes.m_hWnd, GWLP_ID, kIdShowBoxes);

        CStaticEx& wrapped = panel_.Label(this, RECT{20, 180, 300, 250},
                                          L"星潮纪元新服「碧海星澜」今日十点火爆开启，首充豪礼、冲级大奖等你来拿！逐字换行，不看词边界。");
        wrapped.m_crText = RGB(30, 39, 46);
        CStaticEx& lines = panel_.Label(this, RECT{320, 180, 620, 250}, L"第一行\r\n第二行，居中\n第三行", SS_CENTER);
        lines.m_crText = RGB(19, 43, 67);
        CStaticEx& bold = panel_.Label(this, RECT{20, 256, 300, 276}, L"加粗的标题文字");
        bold.m_nFontWeight = 700;
        CStaticEx& link = panel_.Label(this, RECT{320, 256, 420, 276}, L"详细>>", SS_NOTIFY);
        link.m_bHandCursor = TRUE;
        link.m_bUnderline = TRUE;
        link.m_crText = RGB(19, 43, 67);
        CStaticEx& narrow = panel_.Label(this, RECT{440, 256, 446, 276}, L"太窄");  // draws nothing
        (void)narrow;

        int y = 290;
        for (int pos : {0, 1, 25, 50, 100}) {
            panel_.Progress(this, POINT{20, y}, pos);
            y += 30;
        }
        return TRUE;
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        if (LOWORD(wParam) == kIdShowBoxes) {
            SkinMessageBox(L"窗口即将关闭，确定要退出游戏？", L"星潮纪元", 4);
            SkinMessageBox(L"缓存清除完毕！", L"星潮纪元", 0);
            SkinMessageBox(L"下载RV星潮纪元极速登录器，玩游戏更加方便快捷，现在就去下载吧？", L"RV星潮纪元极速登录器", 1);
            return TRUE;
        }
        return CDlgEx::OnCommand(wParam, lParam);
    }
    void OnOK() override {}
    void OnCancel() override {}

private:
    static RECT Cell(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }
    static void ShowFace(CBtnEx& b, int face) {
        // Hover and the pressed latch are the button's own state; setting them
        // here shows those faces without a mouse.
        if (face == 1) b.m_bHover = TRUE;
        if (face == 2) b.m_bPressed = TRUE;
        if (face == 3) ::EnableWindow(b.m_hWnd, FALSE);
    }

    fw::UniqueBitmap close_;
    Panel panel_;
};

// Three pages without windows, for the strip's titles and close question.
class GalleryPages : public CTabPageSet {
public:
    explicit GalleryPages(CTabCtrl& strip) : strip_(strip) {}
    std::vector<std::wstring> servers{L"27", L"26", L"12"};

    std::wstring PageTitle(int index) const override {
        if (index < 0 || index >= static_cast<int>(servers.size())) return {};
        return servers[static_cast<size_t>(index)] + L"服-星潮纪元";
    }
    std::wstring GameTitle() const override { return L"星潮纪元"; }
    HWND PageWindow(LPARAM) const override { return nullptr; }
    void ShowCurrentPage() override {}
    void ClosePage(int index) override {
        if (index < 0 || index >= static_cast<int>(servers.size())) return;
        servers.erase(servers.begin() + index);
        strip_.DeleteItem(index);
        if (strip_.GetItemCount() > 0 && strip_.GetCurSel() < 0) strip_.SetCurSel(0);
    }
    bool HallShown() const override { return false; }
    void HideHall() override {}

private:
    CTabCtrl& strip_;
};

// The main window's look: skin, caption controls, the "开小号" label and three tabs.
class GalleryMainDlg : public CDlgEx {
public:
    GalleryMainDlg() : CDlgEx(IDD_MAIN) {}
    ~GalleryMainDlg() override { DestroyOwnWindow(); }

protected:
    void DoDataExchange() override {
        DDX_Control(1002, btnHide_);
        DDX_Control(1000, btnSystem_);
        DDX_Control(1022, btnMute_);
        DDX_Control(1025, btnHall_);
        DDX_Control(1012, addAccount_);
        DDX_Control(1011, tabs_);
    }
    BOOL OnInitDialog() override {
        CDlgEx::OnInitDialog();
        SetCaptionLayout(30, 4, 0, 0);
        m_bResizable = TRUE;
        HICON icon = static_cast<HICON>(::LoadImageW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                                     16, 16, LR_SHARED));
        ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        close_ = Skin(IDB_CAPT_CLOSE);
        min_ = Skin(IDB_CAPT_MIN);
        SetCaptionText(L"星潮纪元");
        SetSkin(close_.get(), min_.get(), Skin(IDB_MAIN_BK), FALSE, TRUE, Skin(IDB_CAPT_MAX), Skin(IDB_CAPT_RESTORE));

        for (auto [button, strip] : {std::pair{&btnHide_, IDB_BTN_HIDE}, std::pair{&btnMute_, IDB_SOUND_ON},
                                      std::pair{&btnSystem_, IDB_BTN_SYSTEM}, std::pair{&btnHall_, IDB_HALL_OFF}}) {
            fw::UniqueBitmap s(Skin(strip));
            button->SetImage(s.get(), TRUE);
        }
        btnSystem_.m_crText = RGB(255, 255, 255);
        addImage_ = Skin(IDB_ADD_ACCOUNT);
        addAccount_.SetImage(addImage_.get());
        addAccount_.m_bHandCursor = TRUE;
        addAccount_.m_bUnderline = TRUE;
        addAccount_.m_crText = RGB(255, 255, 255);

        tabs_.ModifyStyle(0, 0xA500);
        tabStrip_ = Skin(IDB_TAB);
        tabClose_ = Skin(IDB_TAB_CLOSE);
        tabs_.SetImages(tabStrip_.get(), tabClose_.get());
        tabs_.m_nTextLeft = 28;
        tabs_.m_nTextRight = 13;
        tabs_.m_nTextFormat = DT_VCENTER | DT_SINGLELINE;
        for (int i = 0; i < 3; ++i) tabs_.InsertItem(i, pages_.PageTitle(i).c_str(), 0);
        tabs_.SetCurSel(0);
        ::MoveWindow(tabs_.m_hWnd, 100, 6, 199 + 189 * 2, 22, TRUE);

        ::SetWindowPos(m_hWnd, nullptr, 10, 10, 1100, 300, SWP_NOZORDER);
        PlaceCaptionControls();

        controls_.Create(IDD_MSGBOX, this);
        ::SetWindowPos(controls_.m_hWnd, nullptr, 10, 320, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ::ShowWindow(controls_.m_hWnd, SW_SHOW);
        if (!g_shotDir.empty()) ::SetTimer(m_hWnd, 1, 800, nullptr);
        return TRUE;
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_SIZE) {
            LRESULT r = CDlgEx::WindowProc(msg, wParam, lParam);
            PlaceCaptionControls();
            return r;
        }
        if (msg == WM_TIMER && wParam == 1) {
            ::KillTimer(m_hWnd, 1);
            TakeShots();
            return 0;
        }
        return CDlgEx::WindowProc(msg, wParam, lParam);
    }
    void OnOK() override {}
    void OnCancel() override {}

private:
    void PlaceCaptionControls() {
        if (!btnHide_.m_hWnd) return;
        const int cx = GetClientRect().right;
        auto place = [](CWnd& w, int x, int y) {
            ::SetWindowPos(w.m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        };
        place(btnHide_, cx - 114, 0);
        place(btnMute_, cx - 141, 0);
        place(btnSystem_, cx - 185, 0);
        place(btnHall_, cx - 264, 0);
        place(addAccount_, cx - 325, 7);
        for (CBtnEx* b : {&btnHide_, &btnMute_, &btnSystem_, &btnHall_}) b->StoreWindowRect();
        InvalidateCaptionButtons();
    }

    static void SaveScreen(const RECT& r, const std::wstring& name) {
        testutil::PumpFor(150);  // what was just painted reaches the screen
        testutil::SaveShot(testutil::ReadScreenRect(r), name);
    }

    // While a message box runs: photograph it, then press its first button.
    static void CALLBACK ShootBox(HWND, UINT, UINT_PTR id, DWORD) {
        ::KillTimer(nullptr, id);
        HWND box = ::GetLastActivePopup(AfxGetApp()->m_pMainWnd->m_hWnd);
        RECT r{};
        ::GetWindowRect(box, &r);
        SaveScreen(r, boxShotName_);
        ::PostMessageW(box, WM_COMMAND, 5000, 0);
    }

    void ShotOfBox(const wchar_t* text, const wchar_t* caption, int type, const wchar_t* name) {
        boxShotName_ = name;
        ::SetTimer(nullptr, 0, 600, ShootBox);
        SkinMessageBox(text, caption, type);
    }
    static inline std::wstring boxShotName_;

    void TakeShots() {
        // Hover over a tab that is not selected, to show its close box.
        RECT tab{};
        tabs_.GetItemRect(1, &tab);
        ::SendMessageW(tabs_.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(tab.left + 40, 15));
        SaveScreen(RECT{0, 0, 1120, 800}, L"gallery.png");
        ShotOfBox(L"窗口即将关闭，确定要退出游戏？", L"星潮纪元", 4, L"msgbox-yesno.png");
        ShotOfBox(L"缓存清除完毕！", L"星潮纪元", 0, L"msgbox-ok.png");
        ShotOfBox(L"下载RV星潮纪元极速登录器，玩游戏更加方便快捷，现在就去下载吧？\n第二行文字", L"RV星潮纪元极速登录器", 1,
                  L"msgbox-okcancel.png");
        EndDialog(IDOK);
    }

    GalleryPages pages_{tabs_};
    CCaptTab tabs_{pages_};
    CBtnEx btnHide_, btnSystem_, btnMute_, btnHall_;
    CStaticEx addAccount_;
    fw::UniqueBitmap close_, min_, addImage_, tabStrip_, tabClose_;
    ControlsDlg controls_;
};

class GalleryApp : public CWinApp {
public:
    BOOL InitInstance() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&icc);
        int argc = 0;
        LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
        if (argv && argc >= 3 && std::wstring(argv[1]) == L"--shot") {
            g_shotDir = argv[2];
            ::SetEnvironmentVariableW(L"XCJY_SHOT_DIR", g_shotDir.c_str());
        }
        if (argv) ::LocalFree(argv);
        GalleryMainDlg dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
        return FALSE;
    }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    GalleryApp app;
    return AfxWinMain(app, instance);
}
