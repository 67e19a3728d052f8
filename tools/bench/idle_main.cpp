// The main window as the player leaves it: three game pages logged in, nothing
// touched. scripts/bench.sh measures this process's CPU while it idles, against
// the floor dialog. The pages show blank documents, so what is measured is the
// launcher's own periodic work (the 400 ms strip timer), not a game's.
//
// It runs what start-up runs for a login (common controls, OLE, GDI+, the real
// CLauncherDlg in its modal loop); only the lobby logins are replaced by
// handing the game page set its accounts directly.
#include "app/launcher_app.h"
#include "framework/sessions.h"
#include "mainwnd/game_pages.h"
#include "mainwnd/launcher_dlg.h"

#include <commctrl.h>

#include <string>

namespace {

// What a login hands over for one account.
void LogIn(CGamePageSet& pages, int i) {
    const std::wstring account = L"account" + std::to_wstring(i);
    pages.AddGamePage(L"about:blank#" + account, account, std::to_wstring(11 + i));
}

// The main window after two further logins, which add their pages the way
// OpenAnotherLogin does once its login window ends with IDOK.
class CIdleMainDlg : public CLauncherDlg {
public:
    explicit CIdleMainDlg(CGamePageSet& pages) : CLauncherDlg(pages, theApp.m_update), m_set(pages) {}

protected:
    BOOL OnInitDialog() override {
        const BOOL result = CLauncherDlg::OnInitDialog();
        for (int i = 1; i < 3; ++i) {
            LogIn(m_set, i);
            m_set.AddTabForNewestPage();
        }
        return result;
    }

private:
    CGamePageSet& m_set;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    theApp.m_hInstance = instance;
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    fw::OleSession ole;
    fw::GdiplusSession gdiplus;

    CGamePageSet pages;
    LogIn(pages, 0);
    CIdleMainDlg dlg(pages);
    // No notice: it would fetch from the operator's site, which is not the
    // launcher's idle work.
    dlg.m_nNoticeDelayMs = 0;
    RunMainWindow(dlg);
    return 0;
}
