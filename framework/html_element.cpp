#include "framework/html_element.h"

#include <mshtml.h>

namespace {

std::wstring TakeBstr(BSTR text) {
    std::wstring out = text ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
    ::SysFreeString(text);
    return out;
}

class MshtmlElement : public CHtmlElement {
public:
    explicit MshtmlElement(IHTMLElement* element) { m_element.copy_from(element); }

    std::wstring GetClassName() const override {
        BSTR text = nullptr;
        m_element->get_className(&text);
        return TakeBstr(text);
    }

    std::wstring GetTagName() const override {
        BSTR text = nullptr;
        m_element->get_tagName(&text);
        return TakeBstr(text);
    }

    bool IsDisabled() const override {
        VARIANT value;
        ::VariantInit(&value);
        BSTR name = ::SysAllocString(L"disabled");
        bool disabled = name && SUCCEEDED(m_element->getAttribute(name, 0, &value)) && value.vt == VT_BOOL &&
                        value.boolVal == VARIANT_TRUE;
        ::SysFreeString(name);
        ::VariantClear(&value);
        return disabled;
    }

    RECT GetOffsetRect() const override {
        long left = 0, top = 0, width = 0, height = 0;
        m_element->get_offsetLeft(&left);
        m_element->get_offsetTop(&top);
        m_element->get_offsetWidth(&width);
        m_element->get_offsetHeight(&height);
        return {left, top, left + width, top + height};
    }

    void SetBackgroundPositionX(long pixels) override {
        fw::ComPtr<IHTMLStyle> style;
        if (FAILED(m_element->get_style(style.put())) || !style) return;
        VARIANT value;
        ::VariantInit(&value);
        value.vt = VT_I4;
        value.lVal = pixels;
        style->put_backgroundPositionX(value);
    }

    void Click() override { m_element->click(); }

private:
    fw::ComPtr<IHTMLElement> m_element;
};

}  // namespace

std::shared_ptr<CHtmlElement> WrapHtmlElement(IHTMLElement* element) {
    if (!element) return nullptr;
    return std::make_shared<MshtmlElement>(element);
}
