// CLoginDlg: the lobby login page inside the login frame. One colour of the
// page (RGB 254,254,254) is see-through, so the frame shows around the page's
// panels; the page drives the login by page commands ("minimize", "exitgame",
// "restart", "loadgame"), which end or minimise the login background window,
// this window's owner.
#pragma once

#include "web/dhtm_dlg_ex.h"
#include "web/login_target.h"
#include "web/page_command.h"

#include <functional>
#include <string>

class CLoginDlg : public CDHtmDlgEx {
public:
    // "loadgame" hands its page to pages.
    CLoginDlg(std::wstring address, CLoginTarget& pages);
    ~CLoginDlg() override;

    // Replaces the base's "app:" filter: a known page command is carried out
    // and cancelled; anything else, unknown "app://" names too, navigates.
    void OnBeforeNavigate2(IDispatch* frame, const std::wstring& url, bool& cancel) override;
    void OnNavigateComplete(IDispatch* frame, const std::wstring& url) override;
    // Escape and F5 never reach the page: it can neither be left nor reloaded
    // from the keyboard.
    BOOL PreTranslateMessage(MSG* msg) override;

    const std::wstring& GetAddress() const { return m_strAddress; }

    // How "restart" starts a new process of the launcher's own executable;
    // tests put a recorder in its place.
    std::function<void()> m_startLauncher;

    // Text of the duplicate-login notice, with the server in place of %s.
    static std::wstring DuplicateLoginText(const std::wstring& server);

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Only the background drag rows: no sprite buttons, no context-menu rows.
    std::span<const ElementEvent> GetElementEventTable() const override { return DragEvents(); }
    // Dragging the page's background drags the whole login: the frame, whose
    // own move loop then moves this window along (the frame places its owned
    // windows).
    HWND DragWindow() const override { return LoginFrame(); }

private:
    using Args = std::vector<std::wstring>;
    bool OnMinimize(int count, const Args& args);
    bool OnExitGame(int count, const Args& args);
    bool OnRestart(int count, const Args& args);
    bool OnLoadGame(int count, const Args& args);

    // The login background window (this window's owner).
    HWND LoginFrame() const { return ::GetParent(m_hWnd); }
    // handedOver: a page went to the page set, so the result is final.
    void EndLogin(int result, bool handedOver = false);

    std::wstring m_strAddress;
    CLoginTarget& m_pages;
    pagecmd::CommandTable m_commands;
    // This login has handed a page to the page set.
    bool m_bHandedOver = false;
};

// "%XX" escapes of an account: its text in the thread's ANSI code page,
// unescaped, cut at an escaped NUL, read back as UTF-8. An account without
// "%" is returned as is.
std::wstring DecodeAccount(const std::wstring& account);
