// Version check against the remote configuration, and the self-update that
// swaps a verified new build in place of the running one.
#pragma once

#include "net/http_fetch.h"
#include "net/prgs_dlg.h"

#include <windows.h>

#include <memory>
#include <string>

// What the remote configuration offers: the new build's address and the
// identity the downloaded file must have.
struct UpdateOffer {
    std::wstring address;   // at most 511 characters are used
    std::wstring identity;
    std::wstring statement;  // the operator's signed statement of the build
    std::wstring signature;  // its signature, 128 hexadecimal digits
};

// How a run of the self-update ended.
enum UpdateOutcome {
    UpdateNotDone = 0,       // the running build is still in place under its usual name
    UpdateStarted = 1,       // the new build took the name and is running
    UpdateInPlaceNotStarted, // the new build took the name but could not be started: the next start runs it
};

// What the player is told when the new build took the name but did not start:
// the update did happen, and the next start runs it.
inline constexpr const wchar_t* kUpdateInstalledRestart = L"新版本已安装，但未能启动，请重新打开启动器";

// The self-update: the check learns the offer, the run downloads it in the
// progress dialog, verifies it and swaps it in. The application holds the one
// object; the main window's "更新" runs the same one.
class SelfUpdate {
public:
    SelfUpdate();
    ~SelfUpdate();
    SelfUpdate(const SelfUpdate&) = delete;
    SelfUpdate& operator=(const SelfUpdate&) = delete;

    // Non-zero when a different build is published (and, unless forced, the
    // check is due today). Answers 0 at once in install, web and uninstall
    // mode, and whenever nothing could be learned; unforced (at start-up),
    // also when the configuration has not arrived within
    // kStartupCheckBudgetMs.
    int Check(BOOL forced);
    // The unforced check in two halves, so that start-up makes its first
    // window while the configuration is on its way: Begin starts the fetch on
    // a thread of its own when the check is due; Finish waits for it, at most
    // until kStartupCheckBudgetMs after Begin, and answers as Check(FALSE).
    // Finish without a Begin, or a second time, answers 0.
    void BeginStartupCheck();
    int FinishStartupCheck();
    // Downloads the offer, checks its identity and the operator's signature
    // (the build must also be newer than the running one), swaps it in and
    // starts it.
    UpdateOutcome Run();

    const UpdateOffer& Offer() const { return m_offer; }
    void SetOffer(UpdateOffer offer) { m_offer = std::move(offer); }

    CPrgsDlg m_dlgProgress;

private:
    struct PendingFetch;
    // Whether the published identity differs from the running build's.
    int CompareWithPublished(const char* published);

    UpdateOffer m_offer;
    std::unique_ptr<PendingFetch> m_pending;  // the start-up fetch between Begin and Finish
};

// TRUE when the start-up check should run today: no update recorded today
// (UTC) and today is not one of the "DisableDays".
BOOL IsCheckDue();
// TRUE when dayOfWeek (0 = Sunday) is one of the days in "DisableDays".
BOOL IsCheckDisabledToday(int dayOfWeek);
// Fetches ConfigXcjy.htm: the published identity goes to versionOut (system
// ANSI code page, 64 bytes with its terminator; the caller zeroes it) and the
// update address to addressOut. Nothing is written when the fetch fails.
// With offerOut, its statement and signature go there too; with handles,
// another thread can cut the fetch short.
BOOL FetchRemoteConfig(std::wstring& addressOut, char versionOut[64], UpdateOffer* offerOut = nullptr,
                       FetchHandles* handles = nullptr);
// How long the start-up check may hold the first window back. A check that
// has not finished by then is given up: the login screen comes, and the
// check runs again at the next start (no "UpdTime" is recorded).
inline constexpr DWORD kStartupCheckBudgetMs = 1500;
// Stores the current UTC time as "UpdTime". FALSE when the key cannot be written.
BOOL RecordUpdateTime();

// The steps of SelfUpdate::Run, for any folder.
// TRUE when the file is an executable for this program's own machine whose
// identity (its digest with the version text of its own version resource) is
// `published`, letter case ignored.
BOOL VerifyUpdateFile(const std::wstring& path, const std::wstring& published);
// TRUE when the offer's statement, signed with the operator's key, describes
// the file as a launcher build newer than the running one.
BOOL VerifyUpdateSignature(const std::wstring& path, const UpdateOffer& offer);
// Moves current to oldPath and newPath to current. When the new file cannot
// take the name, the old build is moved back; FALSE then, with current holding
// the old build. On TRUE oldPath is scheduled for deletion at the next start
// of the system.
BOOL SwapInNewBuild(const std::wstring& current, const std::wstring& newPath, const std::wstring& oldPath);
