#include "framework/ole_control_site.h"


COleControlSite::COleControlSite(HWND container) : m_hWndContainer(container) {}

COleControlSite::~COleControlSite() = default;

HRESULT COleControlSite::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    IUnknown* part = GetInterfaceHook(iid);
    if (!part) {
        if (iid == IID_IUnknown || iid == IID_IOleClientSite)
            part = &m_xClientSite;
        else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
            part = &m_xInPlaceSite;
        else if (iid == IID_IOleInPlaceFrame || iid == IID_IOleInPlaceUIWindow)
            part = &m_xInPlaceFrame;
    }
    if (!part) return E_NOINTERFACE;
    part->AddRef();
    *out = part;
    return S_OK;
}

ULONG COleControlSite::Release() {
    ULONG left = --m_dwRef;
    if (left == 0) delete this;
    return left;
}

IUnknown* COleControlSite::GetInterfaceHook(REFIID) { return nullptr; }

// ---------------------------------------------------------------- client site

HRESULT COleControlSite::XClientSite::GetMoniker(DWORD, DWORD, IMoniker** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

HRESULT COleControlSite::XClientSite::GetContainer(IOleContainer** out) {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
}

// ---------------------------------------------------------------- in-place site

HRESULT COleControlSite::XInPlaceSite::GetWindow(HWND* out) {
    if (!out) return E_POINTER;
    *out = m_outer.m_hWndContainer;
    return *out ? S_OK : E_FAIL;
}

HRESULT COleControlSite::XInPlaceSite::CanInPlaceActivate() {
    return m_outer.m_hWndContainer ? S_OK : S_FALSE;
}

HRESULT COleControlSite::XInPlaceSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                                        RECT* pos, RECT* clip, OLEINPLACEFRAMEINFO* info) {
    if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
    HWND wnd = m_outer.m_hWndContainer;
    if (!wnd) {
        *frame = nullptr;
        *doc = nullptr;
        return E_FAIL;
    }
    m_outer.m_xInPlaceFrame.AddRef();
    *frame = &m_outer.m_xInPlaceFrame;
    *doc = nullptr;
    ::GetClientRect(wnd, pos);
    *clip = *pos;
    info->fMDIApp = FALSE;
    info->hwndFrame = wnd;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

HRESULT COleControlSite::XInPlaceFrame::GetWindow(HWND* out) {
    if (!out) return E_POINTER;
    *out = m_outer.m_hWndContainer;
    return *out ? S_OK : E_FAIL;
}

// ---------------------------------------------------------------- browser site

CBrowserControlSite::CBrowserControlSite(HWND container, CDocHostHandler* handler)
    : COleControlSite(container), m_pHandler(handler) {}

void CBrowserControlSite::Detach() {
    m_pHandler = nullptr;
    COleControlSite::Detach();
}

IUnknown* CBrowserControlSite::GetInterfaceHook(REFIID iid) {
    if (iid == IID_IDocHostUIHandler) return &m_xDocHostUIHandler;
    return COleControlSite::GetInterfaceHook(iid);
}

HRESULT CBrowserControlSite::XDocHostUIHandler::ShowContextMenu(DWORD id, POINT* pt, IUnknown* target, IDispatch* obj) {
    return Handler() ? Handler()->ShowContextMenu(id, pt, target, obj) : S_FALSE;
}
HRESULT CBrowserControlSite::XDocHostUIHandler::GetHostInfo(DOCHOSTUIINFO* info) {
    return Handler() ? Handler()->GetHostInfo(info) : E_NOTIMPL;
}
HRESULT CBrowserControlSite::XDocHostUIHandler::ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* target,
                         IOleInPlaceFrame* frame, IOleInPlaceUIWindow* doc) {
    return Handler() ? Handler()->ShowUI(id, active, target, frame, doc) : S_FALSE;
}
HRESULT CBrowserControlSite::XDocHostUIHandler::HideUI() { return Handler() ? Handler()->HideUI() : E_NOTIMPL; }
HRESULT CBrowserControlSite::XDocHostUIHandler::UpdateUI() { return Handler() ? Handler()->UpdateUI() : E_NOTIMPL; }
HRESULT CBrowserControlSite::XDocHostUIHandler::EnableModeless(BOOL enable) {
    return Handler() ? Handler()->EnableModeless(enable) : E_NOTIMPL;
}
HRESULT CBrowserControlSite::XDocHostUIHandler::OnDocWindowActivate(BOOL activate) {
    return Handler() ? Handler()->OnDocWindowActivate(activate) : E_NOTIMPL;
}
HRESULT CBrowserControlSite::XDocHostUIHandler::OnFrameWindowActivate(BOOL activate) {
    return Handler() ? Handler()->OnFrameWindowActivate(activate) : E_NOTIMPL;
}
HRESULT CBrowserControlSite::XDocHostUIHandler::ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) {
    return Handler() ? Handler()->ResizeBorder(border, window, frame) : E_NOTIMPL;
}
HRESULT CBrowserControlSite::XDocHostUIHandler::TranslateAccelerator(LPMSG msg, const GUID* group, DWORD cmd) {
    return Handler() ? Handler()->TranslateAccelerator(msg, group, cmd) : S_FALSE;
}
HRESULT CBrowserControlSite::XDocHostUIHandler::GetOptionKeyPath(LPOLESTR* key, DWORD reserved) {
    return Handler() ? Handler()->GetOptionKeyPath(key, reserved) : E_NOTIMPL;
}
HRESULT CBrowserControlSite::XDocHostUIHandler::GetDropTarget(IDropTarget* drop, IDropTarget** out) {
    if (Handler()) return Handler()->GetDropTarget(drop, out);
    if (out) *out = nullptr;
    return E_NOTIMPL;
}
HRESULT CBrowserControlSite::XDocHostUIHandler::GetExternal(IDispatch** out) {
    if (Handler()) return Handler()->GetExternal(out);
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}
HRESULT CBrowserControlSite::XDocHostUIHandler::TranslateUrl(DWORD translate, LPWSTR url, LPWSTR* out) {
    if (Handler()) return Handler()->TranslateUrl(translate, url, out);
    if (!out) return E_POINTER;
    *out = nullptr;
    return S_FALSE;
}
HRESULT CBrowserControlSite::XDocHostUIHandler::FilterDataObject(IDataObject* in, IDataObject** out) {
    if (Handler()) return Handler()->FilterDataObject(in, out);
    if (!out) return E_POINTER;
    *out = nullptr;
    return S_FALSE;
}
