// CDHtmDlgEx: the base of the launcher's own web page windows. The hosted page
// decides the look; the window makes the browser behave like a skin:
//   - silent browser, no context menu, no text selection, no border or host
//     scroll bars (host flags 0xD), no window.external;
//   - "app:" navigations never leave the window (subclasses that understand
//     page commands replace the filter);
//   - the browser's 404 and DNS error pages give way to the launcher's own
//     local page; every page gets body scroll "auto";
//   - elements of class "button" are sprite buttons (background frames
//     normal / hover / pressed side by side), and body, td and div drag the
//     window.
// Its site is CMyBrowserControlSite, which routes message boxes and help to
// OnShowMessage and OnShowHelp.
#pragma once

#include "framework/html_dialog.h"
#include "web/my_browser_control_site.h"

#include <memory>
#include <span>

class CDHtmDlgEx : public CDHtmlDialog, public CShowUIHandler {
public:
    explicit CDHtmDlgEx(UINT templateId = 0, CWnd* parent = nullptr);
    ~CDHtmDlgEx() override;

    // A page's message box (alert, confirm, ...) or help request. S_FALSE:
    // not handled, the browser shows its own.
    HRESULT OnShowMessage(HWND wnd, const wchar_t* text, const wchar_t* caption, DWORD type,
                          const wchar_t* helpFile, DWORD helpContext, LRESULT* result) override;
    HRESULT OnShowHelp(HWND wnd, const wchar_t* helpFile, UINT command, DWORD data, POINT pt,
                       IDispatch* hit) override;

    HRESULT ShowContextMenu(DWORD id, POINT* pt, IUnknown* target, IDispatch* object) override;
    HRESULT GetHostInfo(DOCHOSTUIINFO* info) override;
    void OnBeforeNavigate2(IDispatch* frame, const std::wstring& url, bool& cancel) override;
    void OnNavigateComplete(IDispatch* frame, const std::wstring& url) override;

    // The resource name of the local page shown instead of the browser's error
    // pages.
    int m_nErrorPageId;

protected:
    BOOL OnInitDialog() override;
    // Enter never ends the window.
    void OnOK() override {}
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL CreateControlSite(HWND container, fw::ComPtr<COleControlSite>* site) override;
    std::span<const ElementEvent> GetElementEventTable() const override;

    // Sprite buttons.
    HRESULT OnSpriteNormal(const std::shared_ptr<CHtmlElement>& element);
    HRESULT OnSpriteHover(const std::shared_ptr<CHtmlElement>& element);
    HRESULT OnSpritePress(const std::shared_ptr<CHtmlElement>& element);
    HRESULT OnSpriteReleaseInside(const std::shared_ptr<CHtmlElement>& element);
    // Dragging the window by the page's background.
    HRESULT OnDragButtonDown(const std::shared_ptr<CHtmlElement>& element);
    HRESULT OnDragButtonUp(const std::shared_ptr<CHtmlElement>& element);
    HRESULT OnDragMouseMove(const std::shared_ptr<CHtmlElement>& element);
    // Cancels the page's context menu.
    HRESULT OnNoContextMenu(const std::shared_ptr<CHtmlElement>& element);

    // The window that the page's background drags: this one, unless a
    // subclass lies over another window that moves with it.
    virtual HWND DragWindow() const { return m_hWnd; }
    // The table's rows that drag the window by the page's background (body,
    // td and div: button down, up and move), for subclasses whose tables
    // take the drag alone.
    static std::span<const ElementEvent> DragEvents();

    // The window holds the mouse capture (taken by a sprite press).
    bool HoldsCapture() const { return m_hWnd && ::GetCapture() == m_hWnd; }

    // The element of the last accepted press on a sprite button, until the
    // mouse button is released.
    std::shared_ptr<CHtmlElement> m_pPressed;

private:
    // Every row of this window's table: sprite buttons, then the drag rows,
    // then the context menu's.
    static std::span<const ElementEvent> AllEvents();
    void SetHoverFrame(CHtmlElement& element);
    void SetNormalFrame(CHtmlElement& element);
    // A button release while a sprite press holds the capture ends the press;
    // false when there is no such press.
    bool EndSpritePress(LPARAM point);
    void SendDragMessage(UINT msg);
    void ReplaceErrorPage(IHTMLDocument2& document);
};
