// The browser site of the launcher's web page dialogs: the framework's site
// plus IDocHostShowUI, which routes the page's message boxes and help to the
// owning CDHtmDlgEx (OnShowMessage, OnShowHelp).
#pragma once

#include "framework/ole_control_site.h"

// {C4D244B0-D43E-11CF-893B-00AA00BDCE1A}; mingw's uuid library lacks it.
inline constexpr IID kIID_IDocHostShowUI = {0xc4d244b0, 0xd43e, 0x11cf, {0x89, 0x3b, 0x00, 0xaa, 0x00, 0xbd, 0xce, 0x1a}};

class CMyBrowserControlSite : public CBrowserControlSite {
public:
    using CBrowserControlSite::CBrowserControlSite;
    ~CMyBrowserControlSite() override = default;

protected:
    IUnknown* GetInterfaceHook(REFIID iid) override;

private:
    // Without a web page dialog as owner (or once it has gone) the requests
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
