// Owners of the process services that start-up brings up in the user-interface
// thread. Declared in start-up order, they end in the reverse one: GDI+ is shut
// down before OLE goes.
#pragma once

#include <windows.h>

namespace fw {

// OLE (and COM, single-threaded apartment) in the calling thread, until the
// object goes. Made with Start::AtFirstUse it starts only when StartDeferred()
// is first called in that thread (the browser control's host does so before
// it makes the control): OLE makes a window of its own, and with it the
// display driver would load before the first window of the process.
class OleSession {
public:
    enum class Start { Now, AtFirstUse };
    explicit OleSession(Start start = Start::Now);
    ~OleSession();
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
    bool ok() const { return m_bOk; }

    // Starts the calling thread's deferred session, if it has one not yet
    // started; nothing otherwise.
    static void StartDeferred();

private:
    void StartNow();

    bool m_bOk = false;
};

// GDI+ for the owner's life. Every use of GDI+ keeps a session of its own
// for its length; the process's session only keeps GDI+ up between them.
// Made with Start::AtFirstUse, it starts when the next session of any thread
// does: loading the library and starting it then happens once the first
// window shows, not before it.
class GdiplusSession {
public:
    enum class Start { Now, AtFirstUse };
    explicit GdiplusSession(Start start = Start::Now);
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool ok() const;

private:
    void StartNow();
    static void StartDeferred();

    ULONG_PTR m_token = 0;  // written once, under the deferred session's lock when deferred
};

}  // namespace fw
