#include "web/my_browser_control_site.h"

namespace {
CShowUIHandler* WebPageOwner(CBrowserControlSite& site) { return dynamic_cast<CShowUIHandler*>(site.GetHandler()); }
}  // namespace

IUnknown* CMyBrowserControlSite::GetInterfaceHook(REFIID iid) {
    if (iid == kIID_IDocHostShowUI) return &m_xDocHostShowUI;
    return CBrowserControlSite::GetInterfaceHook(iid);
}

HRESULT CMyBrowserControlSite::XDocHostShowUI::ShowMessage(HWND wnd, LPOLESTR text, LPOLESTR caption, DWORD type,
                                                           LPOLESTR helpFile, DWORD helpContext, LRESULT* result) {
    CShowUIHandler* owner = WebPageOwner(m_outer);
    return owner ? owner->OnShowMessage(wnd, text, caption, type, helpFile, helpContext, result) : S_OK;
}

HRESULT CMyBrowserControlSite::XDocHostShowUI::ShowHelp(HWND wnd, LPOLESTR helpFile, UINT command, DWORD data,
                                                        POINT pt, IDispatch* hit) {
    CShowUIHandler* owner = WebPageOwner(m_outer);
    return owner ? owner->OnShowHelp(wnd, helpFile, command, data, pt, hit) : S_OK;
}
