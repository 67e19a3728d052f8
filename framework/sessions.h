// Owners of the process services that start-up brings up in the user-interface
// thread. Declared in start-up order, they end in the reverse one: GDI+ is shut
// down before OLE goes.
#pragma once

#include <windows.h>

namespace fw {

// OLE (and COM, single-threaded apartment) in the calling thread.
class OleSession {
public:
    OleSession();
    ~OleSession();
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
    bool ok() const { return m_bOk; }

private:
    bool m_bOk = false;
};

// GDI+ for the owner's life.
class GdiplusSession {
public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool ok() const { return m_token != 0; }

private:
    ULONG_PTR m_token = 0;
};

}  // namespace fw
