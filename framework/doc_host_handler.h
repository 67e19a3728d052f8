// What the browser site asks of the window that hosts the control: the host
// questions of IDocHostUIHandler, one virtual each. The site lies below the
// web page dialog and knows it only through this; CDHtmlDialog implements it.
#pragma once

#include <docobj.h>
#include <mshtmhst.h>
#include <oleidl.h>

class CDocHostHandler {
public:
    virtual HRESULT ShowContextMenu(DWORD id, POINT* pt, IUnknown* target, IDispatch* object) = 0;
    virtual HRESULT GetHostInfo(DOCHOSTUIINFO* info) = 0;
    virtual HRESULT ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* target,
                           IOleInPlaceFrame* frame, IOleInPlaceUIWindow* doc) = 0;
    virtual HRESULT HideUI() = 0;
    virtual HRESULT UpdateUI() = 0;
    virtual HRESULT EnableModeless(BOOL enable) = 0;
    virtual HRESULT OnDocWindowActivate(BOOL activate) = 0;
    virtual HRESULT OnFrameWindowActivate(BOOL activate) = 0;
    virtual HRESULT ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow) = 0;
    virtual HRESULT TranslateAccelerator(LPMSG msg, const GUID* group, DWORD cmd) = 0;
    virtual HRESULT GetOptionKeyPath(LPOLESTR* key, DWORD reserved) = 0;
    virtual HRESULT GetDropTarget(IDropTarget* drop, IDropTarget** out) = 0;
    virtual HRESULT GetExternal(IDispatch** out) = 0;
    virtual HRESULT TranslateUrl(DWORD translate, LPWSTR url, LPWSTR* out) = 0;
    virtual HRESULT FilterDataObject(IDataObject* in, IDataObject** out) = 0;

protected:
    ~CDocHostHandler() = default;
};
