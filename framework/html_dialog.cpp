#include "framework/html_dialog.h"

#include "framework/sessions.h"

#include <exdispid.h>
#include <mshtmdid.h>
#include <ocidl.h>

namespace {

// mingw's uuid library lacks this one.
constexpr IID kHtmlDocumentEvents2 = {0x3050f613, 0x98b5, 0x11cf, {0xbb, 0x82, 0x00, 0xaa, 0x00, 0xbd, 0xce, 0x0b}};

// The text of an event argument: a BSTR, or a reference to a VARIANT or BSTR
// (the browser passes URLs as VARIANT*).
std::wstring ArgText(const VARIANTARG& arg) {
    if (arg.vt == VT_BSTR) return arg.bstrVal ? std::wstring(arg.bstrVal, ::SysStringLen(arg.bstrVal)) : L"";
    if (arg.vt == (VT_BYREF | VT_VARIANT) && arg.pvarVal) return ArgText(*arg.pvarVal);
    if (arg.vt == (VT_BYREF | VT_BSTR) && arg.pbstrVal) {
        BSTR text = *arg.pbstrVal;
        return text ? std::wstring(text, ::SysStringLen(text)) : L"";
    }
    return {};
}

IDispatch* ArgDispatch(const VARIANTARG& arg) {
    if (arg.vt == VT_DISPATCH) return arg.pdispVal;
    if (arg.vt == (VT_BYREF | VT_DISPATCH) && arg.ppdispVal) return *arg.ppdispVal;
    if (arg.vt == (VT_BYREF | VT_VARIANT) && arg.pvarVal) return ArgDispatch(*arg.pvarVal);
    return nullptr;
}

// An IDispatch event sink with a pointer to its dialog that Detach() cuts:
// the source may keep the sink, and call it, after the dialog is gone.
class EventSink : public IDispatch {
public:
    EventSink(CDHtmlDialog* dialog, REFIID events) : m_dialog(dialog), m_events(events) {}
    virtual ~EventSink() = default;

    void Detach() { m_dialog = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != m_events) return E_NOINTERFACE;
        AddRef();
        *out = static_cast<IDispatch*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_ref; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --m_ref;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        if (!m_dialog || !params) return S_OK;
        // The handler may end the dialog; the sink stays alive to the end of
        // the call even if the dialog closes the browser meanwhile.
        AddRef();
        OnEvent(*m_dialog, id, *params, result);
        Release();
        return S_OK;
    }

protected:
    virtual void OnEvent(CDHtmlDialog& dialog, DISPID id, const DISPPARAMS& params, VARIANT* result) = 0;

private:
    CDHtmlDialog* m_dialog;
    IID m_events;
    ULONG m_ref = 1;
};

// DWebBrowserEvents2 of the control. Arguments arrive last first.
class BrowserEventSink : public EventSink {
public:
    explicit BrowserEventSink(CDHtmlDialog* dialog) : EventSink(dialog, DIID_DWebBrowserEvents2) {}

protected:
    void OnEvent(CDHtmlDialog& dialog, DISPID id, const DISPPARAMS& params, VARIANT*) override {
        const VARIANTARG* args = params.rgvarg;
        const UINT count = params.cArgs;
        switch (id) {
        case DISPID_BEFORENAVIGATE2:
            if (count >= 7) BeforeNavigate(dialog, ArgDispatch(args[6]), ArgText(args[5]), args[0]);
            break;
        case DISPID_NAVIGATECOMPLETE2:
            if (count >= 2) dialog.OnNavigateComplete(ArgDispatch(args[1]), ArgText(args[0]));
            break;
        case DISPID_DOCUMENTCOMPLETE:
            if (count >= 2) dialog.OnDocumentComplete(ArgDispatch(args[1]), ArgText(args[0]));
            break;
        case DISPID_TITLECHANGE:
            if (count >= 1) dialog.OnTitleChange(ArgText(args[0]));
            break;
        default:
            break;
        }
    }

private:
    static void BeforeNavigate(CDHtmlDialog& dialog, IDispatch* frame, const std::wstring& url,
                               const VARIANTARG& cancelArg) {
        VARIANT_BOOL* flag = cancelArg.vt == (VT_BYREF | VT_BOOL) ? cancelArg.pboolVal : nullptr;
        bool cancel = flag && *flag != VARIANT_FALSE;
        dialog.OnBeforeNavigate2(frame, url, cancel);
        if (flag) *flag = cancel ? VARIANT_TRUE : VARIANT_FALSE;
    }
};

// HTMLDocumentEvents2 of the current document: each event comes with its
// event object, whose source element picks the table entry.
class ElementEventSink : public EventSink {
public:
    explicit ElementEventSink(CDHtmlDialog* dialog) : EventSink(dialog, kHtmlDocumentEvents2) {}

protected:
    void OnEvent(CDHtmlDialog& dialog, DISPID id, const DISPPARAMS& params, VARIANT* result) override {
        if (params.cArgs < 1) return;
        IDispatch* arg = ArgDispatch(params.rgvarg[0]);
        fw::ComPtr<IHTMLEventObj> event;
        if (!arg || FAILED(arg->QueryInterface(IID_IHTMLEventObj, reinterpret_cast<void**>(event.put())))) return;
        fw::ComPtr<IHTMLElement> source;
        if (FAILED(event->get_srcElement(source.put())) || !source) return;
        if (dialog.DispatchElementEvent(id, WrapHtmlElement(source.get())) != S_FALSE) return;
        // Both ways of saying "cancel the default action": the event object's
        // return value and the handler's VARIANT_BOOL result.
        VARIANT no;
        ::VariantInit(&no);
        no.vt = VT_BOOL;
        no.boolVal = VARIANT_FALSE;
        event->put_returnValue(no);
        if (result) {
            ::VariantClear(result);
            *result = no;
        }
    }
};

// One advised connection point, unadvised when reset.
class Connection {
public:
    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { Reset(); }

    bool Advise(IUnknown* source, REFIID events, IUnknown* sink) {
        Reset();
        fw::ComPtr<IConnectionPointContainer> container;
        if (!source ||
            FAILED(source->QueryInterface(IID_IConnectionPointContainer,
                                          reinterpret_cast<void**>(container.put()))) ||
            FAILED(container->FindConnectionPoint(events, m_point.put())) ||
            FAILED(m_point->Advise(sink, &m_cookie))) {
            m_point.reset();
            m_cookie = 0;
            return false;
        }
        return true;
    }
    void Reset() {
        if (m_point && m_cookie) m_point->Unadvise(m_cookie);
        m_point.reset();
        m_cookie = 0;
    }

private:
    fw::ComPtr<IConnectionPoint> m_point;
    DWORD m_cookie = 0;
};

bool TagEquals(const std::wstring& tag, const wchar_t* text) {
    return ::CompareStringOrdinal(tag.c_str(), -1, text, -1, TRUE) == CSTR_EQUAL;
}

bool SelectorMatches(const CDHtmlDialog::ElementEvent& entry, const CHtmlElement& element) {
    if (entry.kind == CDHtmlDialog::Selector::Class) return element.GetClassName() == entry.text;
    return TagEquals(element.GetTagName(), entry.text);
}

}  // namespace

// Everything the dialog holds of the browser, released in CloseBrowser's order.
struct CDHtmlDialog::Host {
    fw::ComPtr<COleControlSite> site;
    fw::ComPtr<IOleObject> control;
    fw::ComPtr<IWebBrowser2> browser;
    fw::ComPtr<BrowserEventSink> browserSink;
    Connection browserEvents;
    fw::ComPtr<IHTMLDocument2> document;
    fw::ComPtr<ElementEventSink> elementSink;
    Connection elementEvents;
};

CDHtmlDialog::CDHtmlDialog(UINT templateId, CWnd* parent)
    : CDialog(templateId, parent), m_host(std::make_unique<Host>()) {}

CDHtmlDialog::~CDHtmlDialog() {
    // Normally the window, and the browser with it, went first. If not, the
    // control is closed here while this part of the object is still whole.
    CloseBrowser();
}

BOOL CDHtmlDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    Host& host = *m_host;
    fw::OleSession::StartDeferred();
    if (FAILED(::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                  IID_IOleObject, reinterpret_cast<void**>(host.control.put()))))
        return TRUE;
    if (!CreateControlSite(m_hWnd, &host.site) || !host.site) {
        host.control.reset();
        return TRUE;
    }
    IOleClientSite* clientSite = host.site->GetClientSite();
    host.control->SetClientSite(clientSite);
    RECT rc = GetClientRect();
    host.control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite, 0, m_hWnd, &rc);
    host.control.As(&host.browser);

    host.browserSink.attach(new BrowserEventSink(this));
    host.browserEvents.Advise(host.control.get(), DIID_DWebBrowserEvents2, host.browserSink.get());
    return TRUE;
}

void CDHtmlDialog::CloseBrowser() {
    Host& host = *m_host;
    // From here on the browser may still call the site and the sinks (during
    // the deactivation and close below, and later through references it keeps),
    // but none of those calls reaches this dialog any more.
    if (host.site) host.site->Detach();
    if (host.browserSink) host.browserSink->Detach();
    if (host.elementSink) host.elementSink->Detach();
    host.elementEvents.Reset();
    host.browserEvents.Reset();
    host.document.reset();
    if (host.control) {
        fw::ComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(host.control.As(&inPlace))) inPlace->InPlaceDeactivate();
        host.control->Close(OLECLOSE_NOSAVE);
        host.control->SetClientSite(nullptr);
    }
    host.browser.reset();
    host.control.reset();
    host.site.reset();
    host.elementSink.reset();
    host.browserSink.reset();
}

LRESULT CDHtmlDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE:
        if (m_host->control) {
            fw::ComPtr<IOleInPlaceObject> inPlace;
            RECT rc = GetClientRect();
            if (SUCCEEDED(m_host->control.As(&inPlace))) inPlace->SetObjectRects(&rc, &rc);
        }
        break;
    case WM_DESTROY:
        CloseBrowser();
        break;
    default:
        break;
    }
    return CDialog::WindowProc(msg, wParam, lParam);
}

BOOL CDHtmlDialog::PreTranslateMessage(MSG* msg) {
    // Keys for the page (Tab between its fields, Ctrl+C, ...) go to the
    // browser first, as a browser frame would hand them on.
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && m_host->browser &&
        ::IsChild(m_hWnd, msg->hwnd)) {
        fw::ComPtr<IOleInPlaceActiveObject> active;
        if (SUCCEEDED(m_host->browser.As(&active)) && active->TranslateAccelerator(msg) == S_OK) return TRUE;
    }
    return CDialog::PreTranslateMessage(msg);
}

BOOL CDHtmlDialog::CreateControlSite(HWND container, fw::ComPtr<COleControlSite>* site) {
    if (!site) return FALSE;
    site->attach(new CBrowserControlSite(container, this));
    return TRUE;
}

BOOL CDHtmlDialog::Navigate(const wchar_t* url) {
    if (!m_host->browser || !url) return FALSE;
    BSTR address = ::SysAllocString(url);
    if (!address) return FALSE;
    HRESULT hr = m_host->browser->Navigate(address, nullptr, nullptr, nullptr, nullptr);
    ::SysFreeString(address);
    return SUCCEEDED(hr);
}

HRESULT CDHtmlDialog::GetDHtmlDocument(IHTMLDocument2** document) const {
    if (!document) return E_POINTER;
    *document = m_host->document.get();
    if (!*document) return E_NOINTERFACE;
    (*document)->AddRef();
    return S_OK;
}

IWebBrowser2* CDHtmlDialog::GetBrowser() const { return m_host->browser.get(); }

void CDHtmlDialog::ConnectDocumentEvents() {
    Host& host = *m_host;
    if (!host.browser) return;
    fw::ComPtr<IDispatch> dispatch;
    fw::ComPtr<IHTMLDocument2> document;
    if (FAILED(host.browser->get_Document(dispatch.put())) || !dispatch || FAILED(dispatch.As(&document))) return;
    AttachDocument(document.get());
}

void CDHtmlDialog::AttachDocument(IHTMLDocument2* document) {
    Host& host = *m_host;
    if (!document || document == host.document.get() || !m_hWnd) return;
    host.elementEvents.Reset();
    host.document.copy_from(document);
    if (!host.elementSink) host.elementSink.attach(new ElementEventSink(this));
    host.elementEvents.Advise(host.document.get(), kHtmlDocumentEvents2, host.elementSink.get());
}

HRESULT CDHtmlDialog::DispatchElementEvent(DISPID event, const std::shared_ptr<CHtmlElement>& source) {
    if (!source) return S_OK;
    for (const ElementEvent& entry : GetElementEventTable()) {
        if (entry.event != event || !SelectorMatches(entry, *source)) continue;
        return (this->*entry.handler)(source);
    }
    return S_OK;
}

// ---------------------------------------------------------------- browser events

void CDHtmlDialog::OnBeforeNavigate2(IDispatch*, const std::wstring&, bool&) {}
void CDHtmlDialog::OnNavigateComplete(IDispatch*, const std::wstring&) { ConnectDocumentEvents(); }
void CDHtmlDialog::OnDocumentComplete(IDispatch*, const std::wstring&) {}
void CDHtmlDialog::OnTitleChange(const std::wstring&) {}

// ---------------------------------------------------------------- host questions

HRESULT CDHtmlDialog::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) { return S_FALSE; }

HRESULT CDHtmlDialog::GetHostInfo(DOCHOSTUIINFO* info) {
    if (!info) return E_POINTER;
    info->dwFlags = m_dwHostFlags;
    // Above 100 % the page zooms with the display; at 100 % the flags are
    // exactly the window's own.
    if (m_hWnd && fw::WindowDpi(m_hWnd) != 96) info->dwFlags |= DOCHOSTUIFLAG_DPI_AWARE;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
}

HRESULT CDHtmlDialog::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                             IOleInPlaceUIWindow*) {
    return S_FALSE;
}
HRESULT CDHtmlDialog::HideUI() { return E_NOTIMPL; }
HRESULT CDHtmlDialog::UpdateUI() { return E_NOTIMPL; }
HRESULT CDHtmlDialog::EnableModeless(BOOL) { return E_NOTIMPL; }
HRESULT CDHtmlDialog::OnDocWindowActivate(BOOL) { return E_NOTIMPL; }
HRESULT CDHtmlDialog::OnFrameWindowActivate(BOOL) { return E_NOTIMPL; }
HRESULT CDHtmlDialog::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return E_NOTIMPL; }
HRESULT CDHtmlDialog::TranslateAccelerator(LPMSG, const GUID*, DWORD) { return S_FALSE; }

HRESULT CDHtmlDialog::GetOptionKeyPath(LPOLESTR* key, DWORD) {
    if (key) *key = nullptr;
    return E_NOTIMPL;
}

HRESULT CDHtmlDialog::GetDropTarget(IDropTarget*, IDropTarget** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

// No dialog installs an external object: script sees no window.external.
HRESULT CDHtmlDialog::GetExternal(IDispatch** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

HRESULT CDHtmlDialog::TranslateUrl(DWORD, LPWSTR, LPWSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return S_FALSE;
}

HRESULT CDHtmlDialog::FilterDataObject(IDataObject*, IDataObject** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return S_FALSE;
}
