#include "framework/sessions.h"

#include <gdiplus.h>
#include <ole2.h>

#include <mutex>

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

namespace {
// The process's session waiting for its first use; sessions start on any
// thread (a picture may be decoded on one of its own), hence the lock.
std::mutex g_deferredGdiplusLock;
GdiplusSession* g_deferredGdiplus = nullptr;
}  // namespace

GdiplusSession::GdiplusSession(Start start) {
    if (start == Start::AtFirstUse) {
        std::lock_guard<std::mutex> lock(g_deferredGdiplusLock);
        if (!g_deferredGdiplus) {
            g_deferredGdiplus = this;
            return;
        }
    }
    StartDeferred();
    StartNow();
}

void GdiplusSession::StartNow() {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) m_token = token;
}

void GdiplusSession::StartDeferred() {
    std::lock_guard<std::mutex> lock(g_deferredGdiplusLock);
    if (!g_deferredGdiplus) return;
    g_deferredGdiplus->StartNow();
    g_deferredGdiplus = nullptr;
}

bool GdiplusSession::ok() const {
    std::lock_guard<std::mutex> lock(g_deferredGdiplusLock);
    return m_token != 0;
}

GdiplusSession::~GdiplusSession() {
    ULONG_PTR token = 0;
    {
        std::lock_guard<std::mutex> lock(g_deferredGdiplusLock);
        if (g_deferredGdiplus == this) g_deferredGdiplus = nullptr;
        token = m_token;
    }
    if (token) Gdiplus::GdiplusShutdown(token);
}

}  // namespace fw
