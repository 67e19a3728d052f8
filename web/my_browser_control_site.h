// The browser site of the launcher's web page dialogs: the framework's site
// plus IDocHostShowUI, which routes the page's message boxes and help to the
// hosting window's CShowUIHandler (CDHtmDlgEx implements it).
#pragma once

#include "framework/ole_control_site.h"

// What the site asks of its window for IDocHostShowUI.
class CShowUIHandler {
public:
    // A page's message box (alert, confirm, ...) or help request. S_FALSE:
    // not handled, the browser shows its own.
    virtual HRESULT OnShowMessage(HWND wnd, const wchar_t* text, const wchar_t* caption, DWORD type,
                                  const wchar_t* helpFile, DWORD helpContext, LRESULT* result) = 0;
    virtual HRESULT OnShowHelp(HWND wnd, const wchar_t* helpFile, UINT command, DWORD data, POINT pt,
                               IDispatch* hit) = 0;

protected:
    ~CShowUIHandler() = default;
};

// {C4D244B0-D43E-11CF-893B-00AA00BDCE1A}; mingw's uuid library lacks it.
inline constexpr IID kIID_IDocHostShowUI = {0xc4d244b0, 0xd43e, 0x11cf, {0x89, 0x3b, 0x00, 0xaa, 0x00, 0xbd, 0xce, 0x1a}};

class CMyBrowserControlSite : public CBrowserControlSite {
public:
    using CBrowserControlSite::CBrowserControlSite;
    ~CMyBrowserControlSite() override = default;

protected:
    IUnknown* GetInterfaceHook(REFIID iid) override;

private:
    // Without a CShowUIHandler as owner (or once it has gone) the requests
    // are swallowed: S_OK, nothing shown.
    class XDocHostShowUI : public fw::InterfacePart<IDocHostShowUI, CMyBrowserControlSite> {
    public:
        using InterfacePart::InterfacePart;
        HRESULT STDMETHODCALLTYPE ShowMessage(HWND wnd, LPOLESTR text, LPOLESTR caption, DWORD type,
                                              LPOLESTR helpFile, DWORD helpContext, LRESULT* result) override;
        HRESULT STDMETHODCALLTYPE ShowHelp(HWND wnd, LPOLESTR helpFile, UINT command, DWORD data, POINT pt,
                                           IDispatch* hit) override;
    };

    XDocHostShowUI m_xDocHostShowUI{*this};
};
