// CGameWnd: the window one game runs in, a borderless pop-up owned by the main
// window and laid over it below the caption band: an embedded browser showing
// the game page of one account on one server (or, for the hall page, the game
// site's root). It adds what the Flash game needs of its host: keys that reach
// the Flash player even when the focus sits on the page window, F5 as reload
// of its own address, right-button presses told to the page's script instead of
// the browser, silent script errors, and the page command "entergame".
#pragma once

#include "framework/handles.h"
#include "framework/html_dialog.h"
#include "mainwnd/enter_game.h"

#include <functional>
#include <string>

class CGameWnd : public CDHtmlDialog {
public:
    explicit CGameWnd(std::wstring address);
    ~CGameWnd() override;

    // Creates the (hidden) page window owned by owner; it starts loading its page.
    BOOL CreatePage(CWnd* owner);
    const std::wstring& GetAddress() const { return m_strUrl; }

    // Runs the page's script function ClientCallJs(n); nothing without a document.
    void CallClientScript(int n);

    BOOL PreTranslateMessage(MSG* msg) override;
    void OnBeforeNavigate2(IDispatch* frame, const std::wstring& url, bool& cancel) override;
    void OnNavigateComplete(IDispatch* frame, const std::wstring& url) override;
    void OnTitleChange(const std::wstring& title) override;

    // The page's script window, taken on the first script call and kept.
    fw::ComPtr<IHTMLWindow2> m_spScriptWindow;
    // Told the page's title, less everything up to "星潮纪元-", on every title
    // change; set by whoever keeps the page's tab.
    std::function<void(const std::wstring& title)> m_onTitleChange;

protected:
    BOOL OnInitDialog() override;
    // The page keeps Enter and Esc: the window never ends itself.
    void OnOK() override {}
    void OnCancel() override {}
    // Starts the named launcher from the install folder, or offers its download.
    virtual void EnterGame(const EnterGameRequest& request);

private:
    // The Flash player inside the browser, or NULL while it is not there.
    HWND FindFlashPlayer() const;

    const std::wstring m_strUrl;
};
