// A skinned dialog for tests: made modeless from a real template with real skins.
#pragma once

#include "res/resource.h"
#include "skin/dlg_ex.h"
#include "skin/skin_image.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

struct SkinSetup {
    int captionHeight = 30;
    int border = 4;
    int btnRightMargin = 0;
    int btnTop = 0;
    BOOL resizable = FALSE;
    UINT background = IDB_SMALL_BK;
    UINT close = IDB_CAPT_CLOSE;
    UINT min = 0;
    UINT max = 0;
    UINT restore = 0;
    BOOL resizeToSkin = FALSE;
    BOOL stretch = TRUE;
};

class TestSkinnedDlg : public CDlgEx {
public:
    explicit TestSkinnedDlg(SkinSetup setup = {}, UINT templateId = IDD_MSGBOX) : CDlgEx(templateId), setup_(setup) {}
    ~TestSkinnedDlg() override { DestroyOwnWindow(); }

    using CDlgEx::OnBtnMax;

    // Creates the window (hidden) and gives it its skin.
    bool Make() { return Create(m_nIDTemplate, nullptr) != FALSE; }

    std::function<void()> afterInit;
    std::vector<WPARAM> commands;  // every WM_COMMAND's wParam, in order

protected:
    BOOL OnInitDialog() override {
        CDlgEx::OnInitDialog();
        SetCaptionLayout(setup_.captionHeight, setup_.border, setup_.btnRightMargin, setup_.btnTop);
        m_bResizable = setup_.resizable;
        HINSTANCE inst = ::GetModuleHandleW(nullptr);
        auto load = [inst](UINT id) { return id ? LoadPngResource(inst, id) : fw::UniqueBitmap(); };
        closeStrip_ = load(setup_.close);
        minStrip_ = load(setup_.min);
        SetCaptionText(L"星潮纪元");
        SetSkin(closeStrip_.get(), minStrip_.get(), load(setup_.background), setup_.resizeToSkin, setup_.stretch,
                load(setup_.max), load(setup_.restore));
        if (afterInit) afterInit();
        return TRUE;
    }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
        commands.push_back(wParam);
        return CDlgEx::OnCommand(wParam, lParam);
    }
    void OnOK() override {}
    void OnCancel() override {}

private:
    SkinSetup setup_;
    fw::UniqueBitmap closeStrip_;
    fw::UniqueBitmap minStrip_;
};

// A shown skinned parent for a whole test suite. Made once per suite: without a
// window manager, wine waits for one to withdraw a managed window (a popup with
// a system menu, like this template) each time such a window is destroyed.
inline std::unique_ptr<TestSkinnedDlg> MakeSuiteParent(int width, int height) {
    auto dlg = std::make_unique<TestSkinnedDlg>();
    if (!dlg->Create(IDD_MSGBOX)) return dlg;
    ::SetWindowPos(*dlg, nullptr, 100, 100, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(*dlg, SW_SHOWNA);
    testutil::Repaint(*dlg);
    return dlg;
}

// Client size set directly (the dialog has no frame, so window = client).
inline void ResizeTo(HWND wnd, int w, int h) {
    ::SetWindowPos(wnd, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Tests of a control on one shown skinned parent of Width x Height that the
// whole suite shares, with the parent's own picture of its skin taken before
// any control exists.
template <int Width, int Height>
class OnSkinnedParent : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dlg = MakeSuiteParent(Width, Height);
        s_skin = testutil::Capture(*s_dlg);
    }
    static void TearDownTestSuite() {
        if (s_dlg->m_hWnd) ::DestroyWindow(*s_dlg);
        s_dlg.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(m_dlg.m_hWnd);
        ASSERT_EQ(m_skin.width, Width);
    }

    inline static std::unique_ptr<TestSkinnedDlg> s_dlg;
    inline static testutil::Pixels s_skin;
    TestSkinnedDlg& m_dlg = *s_dlg;
    const testutil::Pixels& m_skin = s_skin;
};
