#include "framework/sessions.h"

#include <gdiplus.h>
#include <ole2.h>

namespace fw {

namespace {
// The calling thread's session waiting for its first use.
thread_local OleSession* t_deferredOle = nullptr;
}  // namespace

OleSession::OleSession(Start start) {
    if (start == Start::Now)
        StartNow();
    else if (!t_deferredOle)
        t_deferredOle = this;
}

// S_FALSE (already initialised in this thread) also counts, and also needs
// its OleUninitialize.
void OleSession::StartNow() { m_bOk = SUCCEEDED(::OleInitialize(nullptr)); }

OleSession::~OleSession() {
    if (t_deferredOle == this) t_deferredOle = nullptr;
    if (m_bOk) ::OleUninitialize();
}

void OleSession::StartDeferred() {
    if (!t_deferredOle) return;
    OleSession* session = t_deferredOle;
    t_deferredOle = nullptr;
    session->StartNow();
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
