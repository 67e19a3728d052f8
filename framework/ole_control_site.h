// The site through which an embedded browser control talks to its dialog.
//
// COleControlSite is one reference-counted COM object made of small interface
// parts (client site, in-place site, in-place frame). Each part is a separate
// C++ object whose IUnknown forwards to the site, so every part hands out the
// same identity and the one reference count. CBrowserControlSite adds the
// IDocHostUIHandler part, which forwards the browser's host questions to the
// window that hosts the control (its CDocHostHandler).
//
// LIFETIME: the dialog's browser host holds the creator's reference; the
// control takes its own through SetClientSite and may keep one after the
// window is gone. So the dialog calls Detach() while its window is being
// destroyed, and from then on the parts answer without a window or a dialog.
#pragma once

#include "framework/doc_host_handler.h"
#include "framework/handles.h"

#include <docobj.h>
#include <mshtmhst.h>
#include <oleidl.h>

namespace fw {
// An interface part of a COM object whose identity and count are Outer's.
template <class Interface, class Outer>
class InterfacePart : public Interface {
public:
    explicit InterfacePart(Outer& outer) : m_outer(outer) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return m_outer.QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return m_outer.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return m_outer.Release(); }

protected:
    Outer& m_outer;
};
}  // namespace fw

class COleControlSite {
public:
    // The count starts at 1: the creator's reference.
    explicit COleControlSite(HWND container);
    virtual ~COleControlSite();
    COleControlSite(const COleControlSite&) = delete;
    COleControlSite& operator=(const COleControlSite&) = delete;

    // The object's IUnknown (not virtual: fw::ComPtr<COleControlSite> holds it).
    HRESULT QueryInterface(REFIID iid, void** out);
    ULONG AddRef() { return ++m_dwRef; }
    ULONG Release();

    IOleClientSite* GetClientSite() { return &m_xClientSite; }
    HWND GetContainerWindow() const { return m_hWndContainer; }
    // Cuts the links to the window and the dialog; the control may still call.
    virtual void Detach() { m_hWndContainer = nullptr; }

protected:
    // First step of QueryInterface: the part that answers iid, or nullptr to
    // go on to the site's own parts.
    virtual IUnknown* GetInterfaceHook(REFIID iid);

private:
    class XClientSite : public fw::InterfacePart<IOleClientSite, COleControlSite> {
    public:
        using InterfacePart::InterfacePart;
        HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** out) override;
        HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** out) override;
        HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
        HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
    };
    class XInPlaceSite : public fw::InterfacePart<IOleInPlaceSite, COleControlSite> {
    public:
        using InterfacePart::InterfacePart;
        HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override;
        HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override;
        HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
        HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
        HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, RECT* pos,
                                                   RECT* clip, OLEINPLACEFRAMEINFO* info) override;
        HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
        HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE OnPosRectChange(const RECT*) override { return S_OK; }
    };
    // The frame the control would put menus and tools in: the launcher's
    // windows have none, so it only names the window.
    class XInPlaceFrame : public fw::InterfacePart<IOleInPlaceFrame, COleControlSite> {
    public:
        using InterfacePart::InterfacePart;
        HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override;
        HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE GetBorder(RECT*) override { return INPLACE_E_NOTOOLSPACE; }
        HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
        HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*, WORD) override { return S_FALSE; }
    };

    HWND m_hWndContainer;
    ULONG m_dwRef = 1;
    XClientSite m_xClientSite{*this};
    XInPlaceSite m_xInPlaceSite{*this};
    XInPlaceFrame m_xInPlaceFrame{*this};
};

// The browser's site: answers IDocHostUIHandler by asking the hosting window.
class CBrowserControlSite : public COleControlSite {
public:
    CBrowserControlSite(HWND container, CDocHostHandler* handler);

    void Detach() override;
    CDocHostHandler* GetHandler() const { return m_pHandler; }

protected:
    IUnknown* GetInterfaceHook(REFIID iid) override;

private:
    // Each method asks the dialog's operation of the same name; once the
    // dialog is gone, the answers are the "not offered" ones.
    class XDocHostUIHandler : public fw::InterfacePart<IDocHostUIHandler, CBrowserControlSite> {
    public:
        using InterfacePart::InterfacePart;
        HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD id, POINT* pt, IUnknown* target, IDispatch* obj) override;
        HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override;
        HRESULT STDMETHODCALLTYPE ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* target,
                                         IOleInPlaceFrame* frame, IOleInPlaceUIWindow* doc) override;
        HRESULT STDMETHODCALLTYPE HideUI() override;
        HRESULT STDMETHODCALLTYPE UpdateUI() override;
        HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;
        HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) override;
        HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) override;
        HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
        HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg, const GUID* group, DWORD cmd) override;
        HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD reserved) override;
        HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget* drop, IDropTarget** out) override;
        HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** out) override;
        HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD translate, LPWSTR url, LPWSTR* out) override;
        HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject* in, IDataObject** out) override;

    private:
        CDocHostHandler* Handler() const { return m_outer.m_pHandler; }
    };

    CDocHostHandler* m_pHandler;
    XDocHostUIHandler m_xDocHostUIHandler{*this};
};
