// The web page dialog base with a real browser control: the "app:" filter,
// the host answers of its site (asked directly, as the browser would), sprite
// buttons and background dragging driven with fake page elements.
#include "framework/sessions.h"
#include "res/resource.h"
#include "tests/win/fake_html_element.h"
#include "web/dhtm_dlg_ex.h"
#include "web/my_browser_control_site.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using testutil::FakeHtmlElement;


// A web page window that records the non-client mouse messages the drag
// handlers send, instead of entering the system's move loop.
class WebPageDlg : public CDHtmDlgEx {
public:
    WebPageDlg() : CDHtmDlgEx(IDD_GAMEPAGE) {}
    ~WebPageDlg() override { DestroyWindow(); }

    struct NcMessage {
        UINT msg;
        WPARAM hit;
        POINT pt;
    };
    std::vector<NcMessage> nc;
    COleControlSite* site = nullptr;

    using CDHtmDlgEx::m_pPressed;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_NCLBUTTONDOWN || msg == WM_NCLBUTTONUP || msg == WM_NCMOUSEMOVE) {
            nc.push_back({msg, wParam, {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}});
            return 0;
        }
        return CDHtmDlgEx::WindowProc(msg, wParam, lParam);
    }
    BOOL CreateControlSite(HWND container, fw::ComPtr<COleControlSite>* out) override {
        BOOL ok = CDHtmDlgEx::CreateControlSite(container, out);
        site = out->get();
        return ok;
    }
};

class WebPageDlgTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dlg.Create(IDD_GAMEPAGE));
        ::SetWindowPos(dlg.m_hWnd, nullptr, 100, 100, 300, 200, SWP_NOZORDER | SWP_SHOWWINDOW);
    }
    void TearDown() override { ::ReleaseCapture(); }

    std::wstring Location() {
        BSTR location = nullptr;
        dlg.GetBrowser()->get_LocationURL(&location);
        std::wstring text = location ? location : L"";
        ::SysFreeString(location);
        return text;
    }

    HRESULT Fire(DISPID event, const std::shared_ptr<FakeHtmlElement>& element) {
        return dlg.DispatchElementEvent(event, element);
    }
    void ReleaseAt(UINT msg, int x, int y) { ::SendMessageW(dlg.m_hWnd, msg, 0, MAKELPARAM(x, y)); }

    fw::OleSession ole;
    WebPageDlg dlg;
};

TEST_F(WebPageDlgTest, AppAddressesNeverLeaveTheWindowButUpperCaseDoes) {
    ASSERT_TRUE(dlg.Navigate(L"app:anything"));
    EXPECT_EQ(Location(), L"");
    ASSERT_TRUE(dlg.Navigate(L"app://loadgame:a,b|T"));
    EXPECT_EQ(Location(), L"");
    // The base filter is case-sensitive: this one is not held back (the
    // browser reports its scheme in lower case).
    ASSERT_TRUE(dlg.Navigate(L"APP://minimize/"));
    EXPECT_EQ(::_wcsicmp(Location().c_str(), L"APP://minimize/"), 0) << Location();
}

TEST_F(WebPageDlgTest, HostSiteAnswersForAWebPageWindow) {
    ASSERT_NE(dlg.site, nullptr);
    fw::ComPtr<IDocHostUIHandler> handler;
    ASSERT_EQ(dlg.site->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(handler.put())), S_OK);

    DOCHOSTUIINFO info{};
    info.cbSize = sizeof info;
    EXPECT_EQ(handler->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags, 0xDu);
    EXPECT_EQ(handler->ShowContextMenu(CONTEXT_MENU_DEFAULT, nullptr, nullptr, nullptr), S_OK);
    IDispatch* external = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(handler->GetExternal(&external), E_NOTIMPL);
    EXPECT_EQ(external, nullptr);
    EXPECT_EQ(handler->GetExternal(nullptr), E_POINTER);
    EXPECT_EQ(handler->TranslateUrl(0, nullptr, nullptr), E_POINTER);
    EXPECT_EQ(handler->FilterDataObject(nullptr, nullptr), E_POINTER);

    // IDocHostShowUI is one part, whichever part is asked; each answer adds a
    // reference (ComPtr releases each).
    fw::ComPtr<IDocHostShowUI> viaHandler, viaClientSite, viaSite;
    ASSERT_EQ(handler->QueryInterface(kIID_IDocHostShowUI, reinterpret_cast<void**>(viaHandler.put())), S_OK);
    ASSERT_EQ(dlg.site->GetClientSite()->QueryInterface(kIID_IDocHostShowUI,
                                                        reinterpret_cast<void**>(viaClientSite.put())),
              S_OK);
    ASSERT_EQ(dlg.site->QueryInterface(kIID_IDocHostShowUI, reinterpret_cast<void**>(viaSite.put())), S_OK);
    EXPECT_EQ(viaHandler.get(), viaClientSite.get());
    EXPECT_EQ(viaHandler.get(), viaSite.get());
    ULONG before = dlg.site->AddRef();
    fw::ComPtr<IDocHostShowUI> again;
    viaHandler->QueryInterface(kIID_IDocHostShowUI, reinterpret_cast<void**>(again.put()));
    EXPECT_EQ(dlg.site->AddRef(), before + 2);
    dlg.site->Release();
    dlg.site->Release();

    // Message boxes and help go to the window, which leaves them to the
    // browser.
    LRESULT result = 0;
    EXPECT_EQ(viaHandler->ShowMessage(dlg.m_hWnd, const_cast<LPOLESTR>(L"hi"), const_cast<LPOLESTR>(L"t"), MB_OK,
                                      nullptr, 0, &result),
              S_FALSE);
    EXPECT_EQ(viaHandler->ShowHelp(dlg.m_hWnd, nullptr, 0, 0, POINT{}, nullptr), S_FALSE);
}

TEST(WebPageSite, WithoutAWebPageOwnerMessagesAreSwallowed) {
    fw::OleSession ole;
    fw::ComPtr<COleControlSite> site;
    site.attach(new CMyBrowserControlSite(nullptr, nullptr));
    fw::ComPtr<IDocHostShowUI> showUi;
    ASSERT_EQ(site->QueryInterface(kIID_IDocHostShowUI, reinterpret_cast<void**>(showUi.put())), S_OK);
    LRESULT result = 0;
    EXPECT_EQ(showUi->ShowMessage(nullptr, nullptr, nullptr, MB_OK, nullptr, 0, &result), S_OK);
    EXPECT_EQ(showUi->ShowHelp(nullptr, nullptr, 0, 0, POINT{}, nullptr), S_OK);
}

constexpr DISPID kOut = static_cast<DISPID>(DISPID_HTMLELEMENTEVENTS2_ONMOUSEOUT);
constexpr DISPID kOver = static_cast<DISPID>(DISPID_HTMLELEMENTEVENTS2_ONMOUSEOVER);
constexpr DISPID kDown = DISPID_HTMLELEMENTEVENTS2_ONMOUSEDOWN;
constexpr DISPID kUp = DISPID_HTMLELEMENTEVENTS2_ONMOUSEUP;
constexpr DISPID kMove = DISPID_HTMLELEMENTEVENTS2_ONMOUSEMOVE;
constexpr DISPID kContextMenu = DISPID_HTMLELEMENTEVENTS2_ONCONTEXTMENU;

// The button lies at (10, 20), 80 x 30, in the window's client area.
TEST_F(WebPageDlgTest, SpriteButtonHoverPressAndClickInside) {
    auto button = FakeHtmlElement::Make(L"SPAN", L"button");
    EXPECT_EQ(Fire(kOver, button), S_FALSE);
    EXPECT_EQ(Fire(kDown, button), S_FALSE);
    EXPECT_EQ(::GetCapture(), dlg.m_hWnd);
    // While pressed, moving over and out changes nothing.
    Fire(kOver, button);
    Fire(kOut, button);
    EXPECT_EQ(button->frames, (std::vector<long>{-80, -160}));

    ReleaseAt(WM_LBUTTONUP, 50, 30);
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(button->clicks, 1);
    EXPECT_EQ(button->frames.back(), -80);
    EXPECT_EQ(dlg.m_pPressed, nullptr);

    Fire(kOut, button);
    EXPECT_EQ(button->frames.back(), 0);
}

TEST_F(WebPageDlgTest, SpriteButtonDraggedOffOrRightReleasedGivesNoClick) {
    struct Case {
        UINT release;
        int x, y;
        int clicks;
        long lastFrame;
    };
    const Case cases[] = {
        {WM_LBUTTONUP, 5, 30, 0, 0},     // left of the button
        {WM_LBUTTONUP, 90, 30, 0, 0},    // right edge is outside
        {WM_LBUTTONUP, 50, 50, 0, 0},    // below
        {WM_RBUTTONUP, 200, 150, 0, 0},  // right button ends the press too
        {WM_RBUTTONUP, 10, 20, 1, -80},  // top-left corner is inside
    };
    for (const auto& c : cases) {
        auto button = FakeHtmlElement::Make(L"DIV", L"button");
        Fire(kDown, button);
        ReleaseAt(c.release, c.x, c.y);
        EXPECT_EQ(button->clicks, c.clicks) << c.x << "," << c.y;
        EXPECT_EQ(button->frames.back(), c.lastFrame) << c.x << "," << c.y;
        EXPECT_EQ(::GetCapture(), nullptr);
    }
}

TEST_F(WebPageDlgTest, DisabledSpriteButtonOnlyReturnsToNormal) {
    auto button = FakeHtmlElement::Make(L"SPAN", L"button");
    button->disabled = true;
    Fire(kOver, button);
    Fire(kDown, button);
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_TRUE(button->frames.empty());
    Fire(kOut, button);
    EXPECT_EQ(button->frames, std::vector<long>{0});
    // Without a press the release goes on to the window unchanged.
    ReleaseAt(WM_LBUTTONUP, 50, 30);
    EXPECT_EQ(button->clicks, 0);
}

TEST_F(WebPageDlgTest, MouseUpDeliveredByThePageClicksTheButton) {
    auto button = FakeHtmlElement::Make(L"SPAN", L"button");
    EXPECT_EQ(Fire(kUp, button), S_FALSE);
    EXPECT_EQ(button->clicks, 1);
    EXPECT_EQ(button->frames, std::vector<long>{-80});
}

TEST_F(WebPageDlgTest, BackgroundDragsTheWindowAndHasNoContextMenu) {
    POINT cursor{};
    ::SetCursorPos(240, 170);
    ::GetCursorPos(&cursor);
    for (const wchar_t* tag : {L"BODY", L"td", L"DIV"}) {
        dlg.nc.clear();
        auto element = FakeHtmlElement::Make(tag);
        EXPECT_EQ(Fire(kDown, element), S_FALSE);
        EXPECT_EQ(Fire(kMove, element), S_FALSE);
        EXPECT_EQ(Fire(kUp, element), S_FALSE);
        EXPECT_EQ(Fire(kContextMenu, element), S_FALSE);
        ASSERT_EQ(dlg.nc.size(), 3u) << tag;
        EXPECT_EQ(dlg.nc[0].msg, static_cast<UINT>(WM_NCLBUTTONDOWN));
        EXPECT_EQ(dlg.nc[1].msg, static_cast<UINT>(WM_NCMOUSEMOVE));
        EXPECT_EQ(dlg.nc[2].msg, static_cast<UINT>(WM_NCLBUTTONUP));
        for (const auto& m : dlg.nc) {
            EXPECT_EQ(m.hit, static_cast<WPARAM>(HTCAPTION));
            EXPECT_EQ(m.pt.x, cursor.x);
            EXPECT_EQ(m.pt.y, cursor.y);
        }
    }
    // A button inside a div: pressing is the button's, moving the div's.
    dlg.nc.clear();
    auto divButton = FakeHtmlElement::Make(L"DIV", L"button");
    Fire(kDown, divButton);
    Fire(kMove, divButton);
    EXPECT_EQ(::GetCapture(), dlg.m_hWnd);
    ASSERT_EQ(dlg.nc.size(), 1u);
    EXPECT_EQ(dlg.nc[0].msg, static_cast<UINT>(WM_NCMOUSEMOVE));
    // Other elements are left to the page.
    EXPECT_EQ(Fire(kDown, FakeHtmlElement::Make(L"SPAN", L"button big")), S_OK);
    EXPECT_EQ(Fire(kContextMenu, FakeHtmlElement::Make(L"A")), S_OK);
}

TEST(WebPageDlg, ErrorPageResourceIsNamedAsItsAddressNamesIt) {
    HMODULE self = ::GetModuleHandleW(nullptr);
    HRSRC res = ::FindResourceW(self, std::to_wstring(IDR_ERROR_PAGE).c_str(), MAKEINTRESOURCEW(23));
    ASSERT_NE(res, nullptr);
    const char* data = static_cast<const char*>(::LockResource(::LoadResource(self, res)));
    std::string page(data, ::SizeofResource(self, res));
    EXPECT_NE(page.find("暂时无法连接游戏大厅"), std::string::npos);
    EXPECT_NE(page.find("history.back()"), std::string::npos);
    EXPECT_NE(page.find("#fefefe"), std::string::npos) << "the frame shows around the notice";
    CDHtmDlgEx dlg;
    EXPECT_EQ(dlg.m_nErrorPageId, IDR_ERROR_PAGE);
}

}  // namespace
