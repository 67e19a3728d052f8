// CDHtmlDialog: a dialog whose client area is one embedded WebBrowser control.
//
// The control is created in OnInitDialog over the whole client area, follows
// the dialog's size, and is closed while the window is destroyed. A subclass
// customises it by overriding virtuals:
//
//   browser events     OnBeforeNavigate2, OnNavigateComplete, OnDocumentComplete,
//                      OnTitleChange: only the most derived override runs; call
//                      the base explicitly to keep its part. The base's
//                      OnNavigateComplete takes the new document and connects
//                      the element events, so overrides call it first.
//   host questions     ShowContextMenu ... FilterDataObject (IDocHostUIHandler),
//                      asked through the control site of CreateControlSite.
//   element events     GetElementEventTable: a table searched from the top for
//                      the event's source element (not its ancestors); the
//                      first entry whose event and selector match is the only
//                      one that runs. A handler's S_FALSE cancels the event's
//                      default action in the page. Tables are not merged.
//
// LIFETIME: the control, its site and the sinks die with the window (WM_DESTROY),
// while the whole object still exists. The control may call the site and the
// sinks later still (its own references outlive our release); by then they
// have dropped their pointers to this dialog and answer on their own.
#pragma once

#include "framework/dialog.h"
#include "framework/doc_host_handler.h"
#include "framework/html_element.h"
#include "framework/ole_control_site.h"

#include <exdisp.h>
#include <mshtml.h>
#include <mshtmdid.h>

#include <memory>
#include <span>
#include <string>

class CDHtmlDialog : public CDialog, public CDocHostHandler {
public:
    explicit CDHtmlDialog(UINT templateId = 0, CWnd* parent = nullptr);
    ~CDHtmlDialog() override;

    // Starts a navigation of the browser; FALSE without a browser.
    BOOL Navigate(const wchar_t* url);
    // The current top-level document (one reference for the caller), or
    // E_NOINTERFACE when none has loaded.
    HRESULT GetDHtmlDocument(IHTMLDocument2** document) const;
    // The browser control, or nullptr before OnInitDialog and after the window.
    IWebBrowser2* GetBrowser() const;
    // Makes `document` the current document and connects its element events
    // (nothing when it is the current one already, or without a window). The
    // browser's own document comes here after each completed navigation;
    // tests hand in a stand-in, since no document loads without an engine.
    void AttachDocument(IHTMLDocument2* document);

    // Element events: how an entry picks its element, and the table's rows.
    enum class Selector { Class, Tag };
    using ElementHandler = HRESULT (CDHtmlDialog::*)(const std::shared_ptr<CHtmlElement>& element);
    struct ElementEvent {
        Selector kind;
        const wchar_t* text;  // class: compared exactly; tag: ignoring case
        DISPID event;
        ElementHandler handler;
    };
    // A subclass's handler as a table entry.
    template <class Dlg>
    static constexpr ElementHandler Handler(HRESULT (Dlg::*handler)(const std::shared_ptr<CHtmlElement>&)) {
        return static_cast<ElementHandler>(handler);
    }
    // Runs the table's entry for an event of the page: S_FALSE cancels the
    // default action, S_OK leaves it; S_OK too when no entry matches.
    HRESULT DispatchElementEvent(DISPID event, const std::shared_ptr<CHtmlElement>& source);

    // Host questions of the browser (IDocHostUIHandler), asked through the site.
    HRESULT ShowContextMenu(DWORD id, POINT* pt, IUnknown* target, IDispatch* object) override;
    HRESULT GetHostInfo(DOCHOSTUIINFO* info) override;
    HRESULT ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* target, IOleInPlaceFrame* frame,
                   IOleInPlaceUIWindow* doc) override;
    HRESULT HideUI() override;
    HRESULT UpdateUI() override;
    HRESULT EnableModeless(BOOL enable) override;
    HRESULT OnDocWindowActivate(BOOL activate) override;
    HRESULT OnFrameWindowActivate(BOOL activate) override;
    HRESULT ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow) override;
    HRESULT TranslateAccelerator(LPMSG msg, const GUID* group, DWORD cmd) override;
    HRESULT GetOptionKeyPath(LPOLESTR* key, DWORD reserved) override;
    HRESULT GetDropTarget(IDropTarget* drop, IDropTarget** out) override;
    HRESULT GetExternal(IDispatch** out) override;
    HRESULT TranslateUrl(DWORD translate, LPWSTR url, LPWSTR* out) override;
    HRESULT FilterDataObject(IDataObject* in, IDataObject** out) override;

    // Browser events (DWebBrowserEvents2). `frame` is the browser or frame
    // the event concerns; the URL is as the browser reports it.
    virtual void OnBeforeNavigate2(IDispatch* frame, const std::wstring& url, bool& cancel);
    virtual void OnNavigateComplete(IDispatch* frame, const std::wstring& url);
    virtual void OnDocumentComplete(IDispatch* frame, const std::wstring& url);
    virtual void OnTitleChange(const std::wstring& title);

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    // Creates the browser control over the client area.
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // The hook by which a dialog supplies its own site. The site is made for
    // the container window with this dialog as owner; it starts with the one
    // reference handed to *site. FALSE: no site, so no control.
    virtual BOOL CreateControlSite(HWND container, fw::ComPtr<COleControlSite>* site);

    virtual std::span<const ElementEvent> GetElementEventTable() const { return {}; }

    // Flags the browser gets from GetHostInfo.
    DWORD m_dwHostFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO;

private:
    struct Host;
    // Closes the control; safe to call twice and without a control.
    void CloseBrowser();
    void ConnectDocumentEvents();

    std::unique_ptr<Host> m_host;
};
