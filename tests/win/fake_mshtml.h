// Stand-ins for the browser's own page interfaces (IHTMLEventObj, IHTMLElement,
// IHTMLStyle, IHTMLBodyElement, IHTMLDocument2 with its event connection
// point), so that the framework's real event sink and element wrapper run
// against them: no document ever loads without an HTML engine.
//
// Each fake counts the references others hold on it and never deletes itself:
// the test owns it, and `refs` must be back to 0 once the code under test has
// let go of everything it was handed.
#pragma once

#include "tests/win/html_stubs.h"

#include <ocidl.h>

#include <string>
#include <vector>

namespace testutil {

// IUnknown and IDispatch for a stub class: answers its own interface, IUnknown
// and IDispatch.
template <class Stub>
class ComFake : public Stub {
public:
    explicit ComFake(const IID& iid) : m_iid(iid) {}
    ComFake(const ComFake&) = delete;
    ComFake& operator=(const ComFake&) = delete;
    virtual ~ComFake() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != m_iid) return QueryOther(iid, out);
        this->AddRef();
        *out = static_cast<Stub*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    long refs = 0;

protected:
    // Interfaces besides the fake's own (another object's, as a browser
    // element hands out its body interface).
    virtual HRESULT QueryOther(REFIID, void**) { return E_NOINTERFACE; }

private:
    IID m_iid;
};

inline BSTR Bstr(const std::wstring& text) {
    return ::SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()));
}

class FakeStyle : public ComFake<HtmlStyleStub> {
public:
    FakeStyle() : ComFake(IID_IHTMLStyle) {}
    HRESULT STDMETHODCALLTYPE put_backgroundPositionX(VARIANT v) override {
        positions.push_back(v);
        return S_OK;
    }
    std::vector<VARIANT> positions;  // every value set, as it came (VT_I4 expected)
};

class FakeBody : public ComFake<HtmlBodyElementStub> {
public:
    FakeBody() : ComFake(IID_IHTMLBodyElement) {}
    HRESULT STDMETHODCALLTYPE put_scroll(BSTR v) override {
        scroll = v ? v : L"";
        return S_OK;
    }
    std::wstring scroll;
};

class FakeElement : public ComFake<HtmlElementStub> {
public:
    FakeElement(std::wstring tagName, std::wstring className = L"")
        : ComFake(IID_IHTMLElement), tag(std::move(tagName)), cls(std::move(className)) {
        ::VariantInit(&disabled);
    }
    ~FakeElement() override { ::VariantClear(&disabled); }

    HRESULT STDMETHODCALLTYPE get_className(BSTR* p) override {
        *p = Bstr(cls);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_tagName(BSTR* p) override {
        *p = Bstr(tag);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE getAttribute(BSTR name, LONG, VARIANT* value) override {
        ::VariantInit(value);
        if (!name || std::wstring(name) != L"disabled") return S_OK;
        return ::VariantCopy(value, &disabled);
    }
    HRESULT STDMETHODCALLTYPE get_style(IHTMLStyle** p) override {
        style.AddRef();
        *p = &style;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_offsetLeft(LONG* p) override { return Give(offset.left, p); }
    HRESULT STDMETHODCALLTYPE get_offsetTop(LONG* p) override { return Give(offset.top, p); }
    HRESULT STDMETHODCALLTYPE get_offsetWidth(LONG* p) override { return Give(offset.right - offset.left, p); }
    HRESULT STDMETHODCALLTYPE get_offsetHeight(LONG* p) override { return Give(offset.bottom - offset.top, p); }
    HRESULT STDMETHODCALLTYPE click() override {
        ++clicks;
        return S_OK;
    }

    // The frames set, in pixels (0 for a value that was not VT_I4).
    std::vector<long> Frames() const {
        std::vector<long> out;
        for (const VARIANT& v : style.positions) out.push_back(v.vt == VT_I4 ? v.lVal : 0);
        return out;
    }
    long AllRefs() const { return refs + style.refs + body.refs; }

    std::wstring tag, cls;
    VARIANT disabled;  // what getAttribute("disabled") gives
    RECT offset{10, 20, 10 + 80, 20 + 30};
    int clicks = 0;
    FakeStyle style;
    FakeBody body;
    bool isBody = false;  // answers IHTMLBodyElement

protected:
    HRESULT QueryOther(REFIID iid, void** out) override {
        if (!isBody || iid != IID_IHTMLBodyElement) return E_NOINTERFACE;
        body.AddRef();
        *out = static_cast<IHTMLBodyElement*>(&body);
        return S_OK;
    }

private:
    static HRESULT Give(long value, LONG* p) {
        *p = value;
        return S_OK;
    }
};

class FakeEventObj : public ComFake<HtmlEventObjStub> {
public:
    explicit FakeEventObj(FakeElement* source) : ComFake(IID_IHTMLEventObj), src(source) {}
    HRESULT STDMETHODCALLTYPE get_srcElement(IHTMLElement** p) override {
        *p = src;
        if (src) src->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_returnValue(VARIANT v) override {
        returnValues.push_back(v);
        return S_OK;
    }
    FakeElement* src;
    std::vector<VARIANT> returnValues;
};

// The document's HTMLDocumentEvents2 connection point: keeps the one sink
// advised, which a test then calls as the page would.
class FakeEventConnection : public IConnectionPointContainer, public IConnectionPoint {
public:
    FakeEventConnection() = default;
    FakeEventConnection(const FakeEventConnection&) = delete;
    FakeEventConnection& operator=(const FakeEventConnection&) = delete;
    virtual ~FakeEventConnection() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IConnectionPointContainer)
            *out = static_cast<IConnectionPointContainer*>(this);
        else if (iid == IID_IConnectionPoint)
            *out = static_cast<IConnectionPoint*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        *point = nullptr;
        if (iid != kHtmlDocumentEvents2) return CONNECT_E_NOCONNECTION;
        AddRef();
        *point = this;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* unknown, DWORD* cookie) override {
        if (sink || !unknown) return CONNECT_E_ADVISELIMIT;
        if (FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink)))) return E_NOINTERFACE;
        *cookie = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
        if (cookie != 1 || !sink) return CONNECT_E_NOCONNECTION;
        sink->Release();
        sink = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

    // HTMLDocumentEvents2; mingw's uuid library lacks it.
    static constexpr IID kHtmlDocumentEvents2 = {
        0x3050f613, 0x98b5, 0x11cf, {0xbb, 0x82, 0x00, 0xaa, 0x00, 0xbd, 0xce, 0x0b}};

    IDispatch* sink = nullptr;  // one reference while advised
    long refs = 0;
};

class FakeDocument : public ComFake<HtmlDocument2Stub> {
public:
    FakeDocument() : ComFake(IID_IHTMLDocument2) {}

    HRESULT STDMETHODCALLTYPE get_URL(BSTR* p) override {
        *p = Bstr(url);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_body(IHTMLElement** p) override {
        *p = body;
        if (body) body->AddRef();
        return S_OK;
    }

    // The page fires `event` at `source`, as the browser calls the advised
    // sink: the event object as the one argument. Returns the sink's result
    // VARIANT (VT_EMPTY when it set none); the event object records the rest.
    VARIANT Fire(DISPID event, FakeEventObj& eventObj) {
        VARIANT arg;
        ::VariantInit(&arg);
        arg.vt = VT_DISPATCH;
        arg.pdispVal = &eventObj;
        DISPPARAMS params{&arg, nullptr, 1, 0};
        VARIANT result;
        ::VariantInit(&result);
        if (events.sink)
            events.sink->Invoke(event, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr,
                                nullptr);
        return result;
    }

    std::wstring url = L"http://127.0.0.1:9/page.html";
    FakeElement* body = nullptr;
    FakeEventConnection events;

protected:
    HRESULT QueryOther(REFIID iid, void** out) override { return events.QueryInterface(iid, out); }
};

}  // namespace testutil
