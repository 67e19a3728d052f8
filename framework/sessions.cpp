#include "framework/sessions.h"

#include <gdiplus.h>
#include <ole2.h>

namespace fw {

// S_FALSE (already initialised in this thread) also counts, and also needs
// its OleUninitialize.
OleSession::OleSession() : m_bOk(SUCCEEDED(::OleInitialize(nullptr))) {}

OleSession::~OleSession() {
    if (m_bOk) ::OleUninitialize();
}

GdiplusSession::GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) m_token = token;
}

GdiplusSession::~GdiplusSession() {
    if (m_token) Gdiplus::GdiplusShutdown(m_token);
}

}  // namespace fw
