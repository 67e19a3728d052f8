// What the dialogs' element-event handlers use of a page element, behind a
// small interface: the MSHTML adapter is the one the browser hands out, and
// tests put fakes in its place (no document ever loads without an HTML engine).
#pragma once

#include "framework/handles.h"

#include <memory>
#include <string>

struct IHTMLElement;

class CHtmlElement {
public:
    virtual ~CHtmlElement() = default;

    virtual std::wstring GetClassName() const = 0;
    virtual std::wstring GetTagName() const = 0;
    // The attribute "disabled" read as a boolean that is true.
    virtual bool IsDisabled() const = 0;
    // offsetLeft, offsetTop, offsetWidth, offsetHeight as a rectangle.
    virtual RECT GetOffsetRect() const = 0;
    // style.backgroundPositionX, in pixels.
    virtual void SetBackgroundPositionX(long pixels) = 0;
    // The element's click(): runs the page's own click handling.
    virtual void Click() = 0;
};

// Holds one reference to the element for as long as the wrapper lives.
std::shared_ptr<CHtmlElement> WrapHtmlElement(IHTMLElement* element);
