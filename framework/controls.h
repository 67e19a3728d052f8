// The common controls as CWnd classes, and the image list owner.
#pragma once

#include "framework/wnd.h"

// Owner of an image list handle.
class CImageList {
public:
    CImageList() = default;
    ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    bool Create(int cx, int cy, UINT flags, int initial, int grow);
    void DeleteImageList();
    HIMAGELIST GetSafeHandle() const { return m_hImageList; }
    explicit operator bool() const { return m_hImageList != nullptr; }
    int GetImageCount() const { return m_hImageList ? ::ImageList_GetImageCount(m_hImageList) : 0; }

    HIMAGELIST m_hImageList = nullptr;
};

class CButton : public CWnd {
public:
    ~CButton() override { DestroyOwnWindow(); }  // for objects of this very class (framework/wnd.h)
    bool Create(const wchar_t* text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
        return CreateEx(0, WC_BUTTONW, text, style, rect, parent ? parent->m_hWnd : nullptr, id);
    }
    // Owner drawing, reflected from the parent's WM_DRAWITEM.
    virtual void DrawItem(DRAWITEMSTRUCT*) {}

protected:
    BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class CStatic : public CWnd {
public:
    ~CStatic() override { DestroyOwnWindow(); }  // for objects of this very class (framework/wnd.h)
    bool Create(const wchar_t* text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF) {
        return CreateEx(0, WC_STATICW, text, style, rect, parent ? parent->m_hWnd : nullptr, id);
    }
};

class CProgressCtrl : public CWnd {
public:
    ~CProgressCtrl() override { DestroyOwnWindow(); }  // for objects of this very class (framework/wnd.h)
    bool Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
        return CreateEx(0, PROGRESS_CLASSW, L"", style, rect, parent ? parent->m_hWnd : nullptr, id);
    }
    int SetPos(int pos) { return static_cast<int>(::SendMessageW(m_hWnd, PBM_SETPOS, static_cast<WPARAM>(pos), 0)); }
    int GetPos() const { return static_cast<int>(::SendMessageW(m_hWnd, PBM_GETPOS, 0, 0)); }
    void GetRange(int& lower, int& upper) const {
        PBRANGE range{};
        ::SendMessageW(m_hWnd, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
        lower = range.iLow;
        upper = range.iHigh;
    }
};

class CTabCtrl : public CWnd {
public:
    ~CTabCtrl() override { DestroyOwnWindow(); }  // for objects of this very class (framework/wnd.h)
    virtual bool Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
        return CreateEx(0, WC_TABCONTROLW, L"", style, rect, parent ? parent->m_hWnd : nullptr, id);
    }
    virtual void DrawItem(DRAWITEMSTRUCT*) {}

    int GetItemCount() const { return TabCtrl_GetItemCount(m_hWnd); }
    int GetCurSel() const { return TabCtrl_GetCurSel(m_hWnd); }
    int SetCurSel(int i) { return TabCtrl_SetCurSel(m_hWnd, i); }
    bool GetItemRect(int i, RECT* r) const { return TabCtrl_GetItemRect(m_hWnd, i, r) != FALSE; }
    int InsertItem(int i, const wchar_t* text, LPARAM data);
    bool DeleteItem(int i) { return TabCtrl_DeleteItem(m_hWnd, i) != FALSE; }
    bool SetItemText(int i, const wchar_t* text);
    LPARAM GetItemData(int i) const;
    int HitTest(POINT pt) const;

protected:
    BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class CToolTipCtrl : public CWnd {
public:
    ~CToolTipCtrl() override { DestroyOwnWindow(); }  // for objects of this very class (framework/wnd.h)
    bool Create(CWnd* parent, DWORD style);
    // text may be LPSTR_TEXTCALLBACKW; rect nullptr with id 0 covers the whole window.
    bool AddTool(CWnd* wnd, const wchar_t* text, const RECT* rect, UINT_PTR id);
    void UpdateTipText(const wchar_t* text, CWnd* wnd, UINT_PTR id);
    void RelayEvent(MSG* msg) { ::SendMessageW(m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
    void SetDelayTime(DWORD which, int ms) { ::SendMessageW(m_hWnd, TTM_SETDELAYTIME, which, MAKELPARAM(ms, 0)); }
};
