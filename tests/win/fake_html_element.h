// A page element for the tests: no document loads without an HTML engine, so
// handlers are driven with these and their effects read back.
#pragma once

#include "framework/html_element.h"

#include <memory>
#include <string>
#include <vector>

namespace testutil {

class FakeHtmlElement : public CHtmlElement {
public:
    FakeHtmlElement(std::wstring tag, std::wstring className) : tag(std::move(tag)), className(std::move(className)) {}

    static std::shared_ptr<FakeHtmlElement> Make(std::wstring tag, std::wstring className = L"") {
        return std::make_shared<FakeHtmlElement>(std::move(tag), std::move(className));
    }

    std::wstring GetClassName() const override { return className; }
    std::wstring GetTagName() const override { return tag; }
    bool IsDisabled() const override { return disabled; }
    RECT GetOffsetRect() const override { return offset; }
    void SetBackgroundPositionX(long pixels) override { frames.push_back(pixels); }
    void Click() override { ++clicks; }

    std::wstring tag;
    std::wstring className;
    bool disabled = false;
    RECT offset{10, 20, 10 + 80, 20 + 30};
    std::vector<long> frames;  // every backgroundPositionX set, in order
    int clicks = 0;
};

}  // namespace testutil
