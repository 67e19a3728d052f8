// The skinned tab strip. CTabCtrlBase is a tab control painted entirely by us:
// each tab is one frame of a three-frame state strip (normal, hot, selected)
// over the parent's skin, with its title on top. CCaptTab is the main window's
// caption strip built on it: a close box on the tab under the mouse, a tooltip
// with the page's full title, and the calls into the set of pages its tabs
// stand for (CTabPageSet; each tab's item data names its page to that set).
#pragma once

#include "framework/controls.h"
#include "skin/skin_geometry.h"
#include "skin/tab_page_set.h"

#include <string>

class CTabCtrlBase : public CTabCtrl {
public:
    ~CTabCtrlBase() override { DestroyOwnWindow(); }  // window lifetime rule: framework/wnd.h
    // The tab item state bit this strip sets on the tab under the mouse. The
    // selected tab is the one with TCIS_BUTTONPRESSED (TCS_BUTTONS style).
    static constexpr DWORD kStateHot = skin::kTabStateHot;

    // For strips made in code: forces WS_CHILD, WS_VISIBLE, TCS_FOCUSNEVER,
    // TCS_OWNERDRAWFIXED, TCS_FIXEDWIDTH and TCS_BUTTONS.
    bool Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) override;
    // The control's owner-draw callbacks draw nothing: WM_PAINT draws it all.
    void DrawItem(DRAWITEMSTRUCT*) override {}

    // Cuts the tab strip (and the close box strip, when given) into three
    // frames each and makes every tab one frame big. The caller keeps both
    // bitmaps. FALSE when tabStrip is NULL.
    BOOL SetImages(HBITMAP tabStrip, HBITMAP closeStrip);

    // The three drawing steps of each tab, in this order, into the off-screen DC.
    // state is the tab item's state bits.
    virtual void DrawTabBack(HDC dc, const RECT& rect, DWORD state);
    virtual void DrawTabClose(HDC dc, const RECT& rect, DWORD state);
    virtual void DrawTabText(HDC dc, const wchar_t* text, const RECT& rect, DWORD state);

    CImageList m_imgClose;  // close box strip: normal, hover, pressed
    CImageList m_imgTabs;   // tab strip: normal, hot, selected
    BOOL m_bTracking = FALSE;  // TME_LEAVE requested and not yet delivered
    // Set directly by the owner.
    int m_nTextLeft = 3;
    int m_nTextRight = 3;
    UINT m_nTextFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void PreSubclassWindow() override;

    // The side of the close box: one frame of its strip (13 at 100 %).
    int CloseBoxSize() const;

    // Moves the hot bit to tab `index` (-1: no tab is hot). The selected tab is
    // never made hot, so it keeps its selected frame under the mouse.
    void SetHotTab(int index);
    int TabAt(POINT pt) const { return HitTest(pt); }
    // The tab's state bits (all of them); the selected tab always has
    // TCIS_BUTTONPRESSED.
    DWORD TabState(int index) const;
    DWORD WithSelection(int index, DWORD state) const;

    void OnMouseMove(WPARAM wParam, LPARAM lParam);
    void OnMouseLeave();
    // One frame of a strip image list, scaled to cx x cy, key colour left out.
    static void DrawStripFrame(const CImageList& list, int frame, HDC dc, int x, int y, int cx, int cy);

private:
    // One tab is one frame of the tab strip.
    void ApplyItemSize();
    // The strip lays its tabs out itself (skin::TabItemRect), so every tab is
    // one frame big and three fit the 577 pixels the page set gives them: the
    // common control would space button tabs apart and, once they overflow,
    // show scroll arrows and scroll the selected tab to the front. The control
    // keeps TCS_MULTILINE, which never scrolls; its own rows are never seen,
    // since the rectangles, hit tests and clicks below all use our layout.
    LRESULT OnGetItemRect(WPARAM index, LPARAM rect) const;
    LRESULT OnHitTest(LPARAM info) const;
    // What the control does on a press, on our layout: select the tab under
    // the point with the usual TCN_SELCHANGING / TCN_SELCHANGE notifications.
    void SelectTabAt(POINT pt);
    skin::Size m_tabSize{};
    void OnPaint(WPARAM wParam, LPARAM lParam);
    void PaintParentSkin(HDC dc) const;
};

class CCaptTab : public CTabCtrlBase {
public:
    // The strip keeps a reference to the page set, which outlives it.
    explicit CCaptTab(CTabPageSet& pages) : m_pages(pages) {}
    ~CCaptTab() override { DestroyOwnWindow(); }  // window lifetime rule: framework/wnd.h

    BOOL PreTranslateMessage(MSG* msg) override;
    void DrawTabClose(HDC dc, const RECT& rect, DWORD state) override;

    int m_nHotTab = -1;      // the tab under the mouse, which shows the close box
    int m_nCloseState = 0;   // skin::kCloseNone, kCloseOnTab, kCloseHover, kClosePressed
    BOOL m_bTipSet = FALSE;  // tooltip text given since the pointer entered the tabs
    CToolTipCtrl m_tip;

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void OnMouseMove(WPARAM wParam, LPARAM lParam);
    void OnLButtonDown(WPARAM wParam, LPARAM lParam);
    void OnLButtonUp(WPARAM wParam, LPARAM lParam);
    void OnMouseLeave();
    void OnSelChange();
    void InvalidateCloseBox(int index) const;
    // The window of the page of tab `index`, or NULL.
    HWND PageOfTab(int index) const;

    CTabPageSet& m_pages;
};

