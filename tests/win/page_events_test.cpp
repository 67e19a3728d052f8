// The code that talks to the page engine, run against stand-ins for the
// browser's own interfaces: the document's event connection feeds the real
// element-event sink, which wraps the event's source element with the real
// element wrapper and runs the web page window's real table. What the page
// would see comes back through the fakes: the event object's return value,
// the style's frames, click(), and every reference handed out given back.
#include "framework/sessions.h"
#include "res/resource.h"
#include "tests/win/fake_mshtml.h"
#include "web/dhtm_dlg_ex.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using testutil::FakeDocument;
using testutil::FakeElement;
using testutil::FakeEventObj;

constexpr DISPID kOut = static_cast<DISPID>(DISPID_HTMLELEMENTEVENTS2_ONMOUSEOUT);
constexpr DISPID kOver = static_cast<DISPID>(DISPID_HTMLELEMENTEVENTS2_ONMOUSEOVER);
constexpr DISPID kDown = DISPID_HTMLELEMENTEVENTS2_ONMOUSEDOWN;
constexpr DISPID kUp = DISPID_HTMLELEMENTEVENTS2_ONMOUSEUP;
constexpr DISPID kContextMenu = DISPID_HTMLELEMENTEVENTS2_ONCONTEXTMENU;

// A web page window that keeps the drag messages instead of entering the
// system's move loop.
class PageWindow : public CDHtmDlgEx {
public:
    PageWindow() : CDHtmDlgEx(IDD_GAMEPAGE) {}
    ~PageWindow() override { DestroyWindow(); }
    std::vector<UINT> drags;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if ((msg == WM_NCLBUTTONDOWN || msg == WM_NCLBUTTONUP || msg == WM_NCMOUSEMOVE) && wParam == HTCAPTION) {
            drags.push_back(msg);
            return 0;
        }
        return CDHtmDlgEx::WindowProc(msg, wParam, lParam);
    }
};

class PageEvents : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(page.Create(IDD_GAMEPAGE));
        ::SetWindowPos(page.m_hWnd, nullptr, 100, 100, 300, 200, SWP_NOZORDER | SWP_SHOWWINDOW);
        page.AttachDocument(&document);
        ASSERT_NE(document.events.sink, nullptr) << "the element events are connected to the document";
    }
    void TearDown() override { ::ReleaseCapture(); }

    // Fires one event at an element; true when the page was told to cancel
    // its default action, checked both ways the sink says it.
    bool FireCancels(DISPID event, FakeElement& element) {
        FakeEventObj eventObj(&element);
        VARIANT result = document.Fire(event, eventObj);
        EXPECT_EQ(eventObj.refs, 0) << "the event object is given back";
        const bool byReturnValue = eventObj.returnValues.size() == 1 && eventObj.returnValues[0].vt == VT_BOOL &&
                                   eventObj.returnValues[0].boolVal == VARIANT_FALSE;
        const bool byResult = result.vt == VT_BOOL && result.boolVal == VARIANT_FALSE;
        EXPECT_EQ(byReturnValue, byResult);
        EXPECT_LE(eventObj.returnValues.size(), 1u);
        return byReturnValue;
    }

    fw::OleSession ole;
    FakeDocument document;
    PageWindow page;
};

TEST_F(PageEvents, TheSourceElementPicksTheFirstMatchAndOnlyAMatchCancels) {
    struct Case {
        const wchar_t* tag;
        const wchar_t* cls;
        DISPID event;
        bool cancels;
        std::vector<long> frames;
        std::vector<UINT> drags;
    };
    const Case cases[] = {
        {L"SPAN", L"button", kOver, true, {-80}, {}},
        // A div of class "button" is a button: its row comes first.
        {L"DIV", L"button", kOver, true, {-80}, {}},
        {L"DIV", L"button", kOut, true, {0}, {}},
        // Class is compared exactly, tag ignoring case.
        {L"SPAN", L"button big", kOver, false, {}, {}},
        {L"SPAN", L"Button", kDown, false, {}, {}},
        {L"DIV", L"", kDown, true, {}, {WM_NCLBUTTONDOWN}},
        {L"Td", L"", kUp, true, {}, {WM_NCLBUTTONUP}},
        {L"body", L"", kContextMenu, true, {}, {}},
        // Everything else is the page's own: links, fields, its menus.
        {L"A", L"", kDown, false, {}, {}},
        {L"INPUT", L"", kContextMenu, false, {}, {}},
    };
    for (const Case& c : cases) {
        FakeElement element(c.tag, c.cls);
        page.drags.clear();
        EXPECT_EQ(FireCancels(c.event, element), c.cancels) << c.tag << " " << c.cls << " " << c.event;
        EXPECT_EQ(element.Frames(), c.frames) << c.tag << " " << c.cls << " " << c.event;
        EXPECT_EQ(page.drags, c.drags) << c.tag << " " << c.cls << " " << c.event;
        EXPECT_EQ(element.AllRefs(), 0) << c.tag << " " << c.cls << ": every interface handed out is given back";
    }
}

TEST_F(PageEvents, DisabledIsTheAttributeReadAsBooleanTrue) {
    struct Case {
        VARTYPE vt;
        const wchar_t* text;
        VARIANT_BOOL flag;
        bool disabled;
    };
    const Case cases[] = {
        {VT_BOOL, nullptr, VARIANT_TRUE, true},
        {VT_BOOL, nullptr, VARIANT_FALSE, false},
        // A string is not the boolean the browser gives for the attribute.
        {VT_BSTR, L"true", 0, false},
        {VT_BSTR, L"disabled", 0, false},
        {VT_EMPTY, nullptr, 0, false},
    };
    for (const Case& c : cases) {
        FakeElement button(L"SPAN", L"button");
        button.disabled.vt = c.vt;
        if (c.vt == VT_BOOL) button.disabled.boolVal = c.flag;
        if (c.vt == VT_BSTR) button.disabled.bstrVal = ::SysAllocString(c.text);
        FireCancels(kOver, button);
        FireCancels(kDown, button);
        EXPECT_EQ(::GetCapture() == page.m_hWnd, !c.disabled) << c.vt << " " << (c.text ? c.text : L"");
        EXPECT_EQ(button.Frames(), c.disabled ? std::vector<long>{} : (std::vector<long>{-80, -160}))
            << c.vt << " " << (c.text ? c.text : L"");
        ::SendMessageW(page.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(200, 150));
        EXPECT_EQ(button.AllRefs(), 0) << c.vt;
    }
}

TEST_F(PageEvents, APressHoldsTheElementUntilReleasedOrUntilTheWindowGoes) {
    FakeElement button(L"SPAN", L"button");
    EXPECT_TRUE(FireCancels(kDown, button));
    EXPECT_EQ(button.refs, 1) << "the pressed element is held";
    ::SendMessageW(page.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(50, 30));
    EXPECT_EQ(button.clicks, 1);
    EXPECT_EQ(button.Frames(), (std::vector<long>{-160, -80}));
    EXPECT_EQ(button.AllRefs(), 0);

    // Pressed when the window is destroyed: let go with the window, before the
    // page it belongs to goes, not when the object is deleted.
    FakeElement held(L"SPAN", L"button");
    FireCancels(kDown, held);
    ASSERT_EQ(held.refs, 1);
    page.DestroyWindow();
    EXPECT_EQ(held.AllRefs(), 0);
    EXPECT_EQ(held.clicks, 0);
    // The document and its connection are given back with the window.
    EXPECT_EQ(document.events.sink, nullptr);
    EXPECT_EQ(document.refs, 0);
    EXPECT_EQ(document.events.refs, 0);
}

TEST_F(PageEvents, ACompletedNavigationScrollsTheBodyAsNeededAndGivesItBack) {
    FakeElement body(L"BODY");
    body.isBody = true;
    document.body = &body;
    page.OnNavigateComplete(nullptr, document.url);
    EXPECT_EQ(body.body.scroll, L"auto");
    EXPECT_EQ(body.AllRefs(), 0);
}

}  // namespace
