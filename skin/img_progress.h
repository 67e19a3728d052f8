// CImgProgress: the skinned progress bar. A track image with a fill image over
// it; the fill is cut in two so that both rounded ends of the fill image frame
// the filled part at every position.
#pragma once

#include "framework/controls.h"

class CImgProgress : public CProgressCtrl {
public:
    ~CImgProgress() override { DestroyOwnWindow(); }  // window lifetime rule: framework/wnd.h
    CBitmap m_hTrack;   // owned
    CBitmap m_hFill;    // owned
    RECT m_rcBar{};     // (0, 0, track width, track height): the drawing size
    RECT m_rcFill{};    // the fill image's place inside the bar, centred

    // Takes over both bitmaps and makes the control the track's size (no move,
    // no Z-order change). Position and range stay the control's own.
    BOOL SetImages(fw::UniqueBitmap track, fw::UniqueBitmap fill);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();
};
