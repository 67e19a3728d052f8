// CDlgEx: base of every skinned top-level window. A dialog without system
// caption or frame, painted from one skin bitmap (1:1 or as a nine-grid), shaped
// by a region that cuts the skin's transparent corner pixels, with up to three
// skinned caption buttons, caption dragging, edge sizing through the system's
// sizing loop, and a maximise/restore of its own.
#pragma once

#include "framework/dialog.h"
#include "skin/btn_ex.h"
#include "skin/dpi_font.h"
#include "skin/skin_geometry.h"

#include <span>
#include <string>

// Command ids of the caption buttons.
inline constexpr UINT kIdCaptionClose = 50000;
inline constexpr UINT kIdCaptionMin = 50001;
inline constexpr UINT kIdCaptionMax = 50002;

// A control of a dialog template at its rectangle of the 100 % design, in
// pixels within the window.
struct DesignPlace {
    int id;
    skin::Rect design;
};

class CDlgEx : public CDialog {
public:
    ~CDlgEx() override { DestroyOwnWindow(); }  // window lifetime rule: framework/wnd.h
    explicit CDlgEx(UINT templateId, CWnd* parent = nullptr);

    virtual void OnBtnClose();
    virtual void OnBtnMin();
    virtual void OnBtnMax();
    virtual void SetMaxBtnImage(BOOL restoreImage);

    // Takes over background, max and restore; the close and min strips stay
    // with the caller. Any strip may be NULL, which leaves its button out.
    BOOL SetSkin(HBITMAP close, HBITMAP min, fw::UniqueBitmap background, BOOL resizeToSkin, BOOL stretch,
                 fw::UniqueBitmap max = {}, fw::UniqueBitmap restore = {});
    // Sets the window text and repaints only the caption text's area.
    void SetCaptionText(const std::wstring& text);
    void InvalidateCaptionButtons();
    // The caption band's layout, as subclasses set it before SetSkin.
    void SetCaptionLayout(int captionHeight, int border, int btnRightMargin, int btnTop) {
        m_nCaptionHeight = captionHeight;
        m_nBorder = border;
        m_nBtnRightMargin = btnRightMargin;
        m_nBtnTop = btnTop;
    }
    // Paints the skin into dc for the current window size.
    void DrawSkin(HDC dc);
    // Sizes the window to `design` and places each control at its design
    // rectangle, all scaled for the window's display. A template's dialog
    // units grow with the system font, not with the skins, so that at 150 %
    // they would place the controls elsewhere than the scaled design.
    // Controls that touch in the design touch at every scale (ScaleTouchingRow).
    void PlaceFromDesign(skin::Size design, std::span<const DesignPlace> controls, int dpi);
    // A small dialog (settings, download) at a display scale: the size and
    // places of its design, then its skins for the scale (SkinSmallDialog)
    // with the caption close strip (kept in `closeStrip`; the button keeps a
    // copy) and the small-dialog background loaded for `dpi`.
    void LayOutSmallDialog(int dpi, skin::Size design, std::span<const DesignPlace> controls, CBitmap& closeStrip);
    // The caption band and skins of a small dialog (settings, download,
    // message box) at a display scale: the 30-px caption band with its 4-px
    // border, the close button from `closeStrip` (the caller keeps it) and the
    // background stretched as a nine-grid. The window has its size for the
    // scale already: the close button goes against its right edge. Images
    // drawn for another scale would show blurred or out of place.
    void SkinSmallDialog(int dpi, HBITMAP closeStrip, fw::UniqueBitmap background);
    // Lays the window out for a display scale: subclasses call it from
    // OnInitDialog, and WM_DPICHANGED calls it again when the window reaches a
    // display of another scale. The base lays out nothing.
    virtual void LayOutForDpi(int /*dpi*/) {}

    BOOL m_bDrawCaption = TRUE;
    int m_nCaptionHeight = -1;  // -1: the whole window is caption
    int m_nBtnRightMargin = 5;
    int m_nBtnTop = 1;
    int m_nBorder = 3;
    COLORREF m_crCaption = RGB(255, 255, 255);
    CBitmap m_bmpSkin;
    CBtnEx m_btnClose;
    CBtnEx m_btnMin;
    CBtnEx m_btnMax;
    int m_nMaxWidth = 1440;
    int m_nMaxHeight = 900;
    RECT m_rcRestore{};
    BOOL m_bMaximized = FALSE;
    BOOL m_bResizable = FALSE;
    BOOL m_bStretch = FALSE;
    CBitmap m_bmpMax;
    CBitmap m_bmpRestore;

    // The font the window draws its own texts with (caption, message): the
    // template's, made for the window's display scale.
    HFONT WindowFont() const { return m_dpiFont.Font(m_hWnd); }

protected:
    // The template's font made for the window's display scale and given to
    // the window and its controls; OnInitDialog and WM_DPICHANGED call it.
    void UseFontForDpi(int dpi) { m_dpiFont.Apply(m_hWnd, dpi); }

    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    BOOL OnEraseBkgnd(HDC dc);
    LRESULT OnNcHitTest(POINT screenPt);
    void OnNcLButtonDown(UINT hitCode, POINT screenPt, LPARAM lParam);
    void OnSize(UINT type, int cx, int cy);
    void UpdateWindowRegion();

private:
    void CreateCaptionButton(CBtnEx& button, HBITMAP strip, const skin::Rect& place, UINT id);
    // The caption buttons that exist, in client coordinates.
    skin::CaptionButtonRects CaptionButtonPlaces() const;
    // Top-left of the caption text and the icon's width (16 or 0).
    POINT CaptionTextOrigin(HDC dc, int* iconWidth) const;
    // The caption icon's side at the window's display scale (16 at 100 %).
    int CaptionIconSize() const;
    HICON SmallIcon() const;

    DpiFont m_dpiFont;
};
