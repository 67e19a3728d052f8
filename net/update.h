// Version check against the remote configuration, and the self-update that
// swaps a verified new build in place of the running one.
#pragma once

#include "net/prgs_dlg.h"

#include <windows.h>

#include <string>

// What the remote configuration offers: the new build's address and the
// identity the downloaded file must have.
struct UpdateOffer {
    std::wstring address;   // at most 511 characters are used
    std::wstring identity;
};

// The self-update: the check learns the offer, the run downloads it in the
// progress dialog, verifies it and swaps it in. The application holds the one
// object; the main window's "更新" runs the same one.
class SelfUpdate {
public:
    // Non-zero when a different build is published (and, unless forced, the
    // check is due today). Answers 0 at once in install, web and uninstall
    // mode, and whenever nothing could be learned.
    int Check(BOOL forced);
    // TRUE when the new executable, verified against the offer's identity, has
    // replaced the running one under its usual name and has been started. On
    // FALSE the running build is still in place under its usual name.
    int Run();

    const UpdateOffer& Offer() const { return m_offer; }
    void SetOffer(UpdateOffer offer) { m_offer = std::move(offer); }

    CPrgsDlg m_dlgProgress;

private:
    UpdateOffer m_offer;
};

// TRUE when the start-up check should run today: no update recorded today
// (UTC) and today is not one of the "DisableDays".
BOOL IsCheckDue();
// TRUE when dayOfWeek (0 = Sunday) is one of the days in "DisableDays".
BOOL IsCheckDisabledToday(int dayOfWeek);
// Fetches ConfigXcjy.htm: the published identity goes to versionOut (system
// ANSI code page, 64 bytes with its terminator; the caller zeroes it) and the
// update address to addressOut. Nothing is written when the fetch fails.
BOOL FetchRemoteConfig(std::wstring& addressOut, char versionOut[64]);
// Stores the current UTC time as "UpdTime". FALSE when the key cannot be written.
BOOL RecordUpdateTime();

// The steps of SelfUpdate::Run, for any folder.
// TRUE when the file is a 32-bit executable whose identity (its digest with
// the version text of its own version resource) is `published`, letter case
// ignored.
BOOL VerifyUpdateFile(const std::wstring& path, const std::wstring& published);
// Moves current to oldPath and newPath to current. When the new file cannot
// take the name, the old build is moved back; FALSE then, with current holding
// the old build. On TRUE oldPath is scheduled for deletion at the next start
// of the system.
BOOL SwapInNewBuild(const std::wstring& current, const std::wstring& newPath, const std::wstring& oldPath);
