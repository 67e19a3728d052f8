#include "mainwnd/game_wnd.h"

#include "res/resource.h"

CGameWnd::CGameWnd(std::wstring address) : CDialog(IDD_GAMEPAGE), m_strAddress(std::move(address)) {}

CGameWnd::~CGameWnd() {
    if (m_hWnd) DestroyWindow();
}

BOOL CGameWnd::CreatePage(CWnd* owner) { return Create(IDD_GAMEPAGE, owner); }
