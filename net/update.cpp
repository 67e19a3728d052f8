#include "net/update.h"

#include "core/launcher_ids.h"
#include "core/run_mode.h"
#include "core/run_mode_win.h"
#include "core/start_program.h"
#include "net/build_identity.h"
#include "net/build_signature.h"
#include "net/http_fetch.h"
#include "net/operator_site_win.h"
#include "net/version_identity.h"

#include <cstring>
#include <memory>

namespace {

constexpr const wchar_t* kConfigFileName = L"ConfigXcjy.htm";
constexpr const wchar_t* kNewExeName = L"NewRV星潮纪元.exe";
constexpr const wchar_t* kOldExeName = L"OldRV星潮纪元.exe";

fw::UniqueRegKey OpenLauncherKey(REGSAM access) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kLauncherRegKey, 0, nullptr, 0, access, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return {};
    return fw::UniqueRegKey(key);
}

// Reads a binary value into `size` bytes that the caller zeroed; a missing or
// shorter value leaves the rest zero.
void ReadBinary(HKEY key, const wchar_t* name, void* data, DWORD size) {
    ::RegQueryValueExW(key, name, nullptr, nullptr, static_cast<BYTE*>(data), &size);
}

void ScheduleDeletionAtRestart(const std::wstring& path) {
    ::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

BOOL IsCheckDisabledToday(int dayOfWeek) {
    fw::UniqueRegKey key = OpenLauncherKey(KEY_READ);
    if (!key) return FALSE;
    BYTE days[4] = {};
    ReadBinary(key.get(), L"DisableDays", days, sizeof days);
    if (days[0] == 0 && days[1] == 0 && days[2] == 0 && days[3] == 0) return FALSE;
    return dayOfWeek == days[0] || dayOfWeek == days[1] || dayOfWeek == days[2];
}

BOOL IsCheckDue() {
    SYSTEMTIME updated{};
    {
        fw::UniqueRegKey key = OpenLauncherKey(KEY_READ);
        if (!key) return FALSE;
        ReadBinary(key.get(), L"UpdTime", &updated, sizeof updated);
    }
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    if (updated.wYear == now.wYear && updated.wMonth == now.wMonth && updated.wDay == now.wDay) return FALSE;
    return !IsCheckDisabledToday(now.wDayOfWeek);
}

BOOL RecordUpdateTime() {
    fw::UniqueRegKey key = OpenLauncherKey(KEY_WRITE);
    if (!key) return FALSE;
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    return ::RegSetValueExW(key.get(), L"UpdTime", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&now), sizeof now) ==
           ERROR_SUCCESS;
}

BOOL FetchRemoteConfig(std::wstring& addressOut, char versionOut[64], UpdateOffer* offerOut, FetchHandles* handles) {
    std::wstring path;
    if (!MakeExeDirPath(kConfigFileName, path)) return FALSE;
    FetchOptions options;
    options.address = CurrentSite().gameSite + L"/" + kConfigFileName;
    options.limits = http::SmallFileLimits(http::kConfigMaxBytes);
    options.handleHolder = handles;
    options.targetPath = path;
    if (!HttpFetch(options)) return FALSE;

    wchar_t version[64] = {};
    wchar_t address[512] = {};
    ::GetPrivateProfileStringW(L"VerKey", L"XCJY", L"", version, 64, path.c_str());
    ::GetPrivateProfileStringW(L"VerKey", L"UpdAddr", L"", address, 512, path.c_str());
    if (offerOut) {
        wchar_t statement[512] = {};
        wchar_t signature[256] = {};
        ::GetPrivateProfileStringW(L"VerKey", L"Statement", L"", statement, 512, path.c_str());
        ::GetPrivateProfileStringW(L"VerKey", L"Signature", L"", signature, 256, path.c_str());
        offerOut->statement = statement;
        offerOut->signature = signature;
    }
    ::DeleteFileW(path.c_str());
    addressOut = address;
    ::WideCharToMultiByte(CP_ACP, 0, version, -1, versionOut, 64, nullptr, nullptr);
    versionOut[63] = '\0';
    return TRUE;
}

namespace {

// A configuration fetch that the start-up check can walk away from: the
// worker owns its share of this state, so nothing it touches is freed while
// it runs, and after Cancel it writes no more of the file.
struct BackgroundConfigFetch {
    FetchHandles handles;
    std::wstring address;
    char version[64] = {};
    UpdateOffer offer;
};

DWORD WINAPI RunBackgroundConfigFetch(LPVOID param) {
    std::unique_ptr<std::shared_ptr<BackgroundConfigFetch>> owner(
        static_cast<std::shared_ptr<BackgroundConfigFetch>*>(param));
    BackgroundConfigFetch& fetch = **owner;
    FetchRemoteConfig(fetch.address, fetch.version, &fetch.offer, &fetch.handles);
    return 0;
}

}  // namespace

// The start-up fetch under way: its worker holds a share of the state, so
// that a fetch given up can end whenever it ends.
struct SelfUpdate::PendingFetch {
    std::shared_ptr<BackgroundConfigFetch> fetch;
    fw::UniqueHandle worker;
    DWORD begunAt = 0;

    // Nothing of the configuration may stay beside the launcher, even when
    // the launcher ends before the fetch does.
    ~PendingFetch() {
        if (worker && ::WaitForSingleObject(worker.get(), 0) != WAIT_OBJECT_0)
            fetch->handles.Abandon(FetchHandles::Discard::PartialFile);
    }
};

SelfUpdate::SelfUpdate() = default;
SelfUpdate::~SelfUpdate() = default;

void SelfUpdate::BeginStartupCheck() {
    m_pending.reset();
    int mode = ParseRunMode();
    if (mode != RUN_LOGIN && mode != RUN_INSTALLED) return;
    if (!IsCheckDue()) return;
    auto pending = std::make_unique<PendingFetch>();
    pending->fetch = std::make_shared<BackgroundConfigFetch>();
    pending->begunAt = ::GetTickCount();
    auto workerShare = std::make_unique<std::shared_ptr<BackgroundConfigFetch>>(pending->fetch);
    pending->worker.reset(::CreateThread(nullptr, 0, RunBackgroundConfigFetch, workerShare.get(), 0, nullptr));
    if (!pending->worker) return;
    workerShare.release();  // the worker's now
    m_pending = std::move(pending);
}

int SelfUpdate::FinishStartupCheck() {
    std::unique_ptr<PendingFetch> pending = std::move(m_pending);
    if (!pending) return 0;
    const DWORD spent = ::GetTickCount() - pending->begunAt;
    const DWORD left = spent < kStartupCheckBudgetMs ? kStartupCheckBudgetMs - spent : 0;
    // A fetch not done by then is given up as the pending state goes.
    if (::WaitForSingleObject(pending->worker.get(), left) != WAIT_OBJECT_0) return 0;
    const BackgroundConfigFetch& fetch = *pending->fetch;
    m_offer.address = fetch.address;
    m_offer.statement = fetch.offer.statement;
    m_offer.signature = fetch.offer.signature;
    return CompareWithPublished(fetch.version);
}

int SelfUpdate::Check(BOOL forced) {
    if (!forced) {
        // At start-up no network condition may hold the first window back.
        BeginStartupCheck();
        return FinishStartupCheck();
    }
    char fetched[64] = {};
    FetchRemoteConfig(m_offer.address, fetched, &m_offer);
    return CompareWithPublished(fetched);
}

int SelfUpdate::CompareWithPublished(const char* fetched) {
    if (fetched[0] == '\0') return 0;
    wchar_t published[65] = {};
    ::MultiByteToWideChar(CP_ACP, 0, fetched, -1, published, 64);
    // Without its own identity the launcher cannot tell a different build
    // from its own; updating blindly is the worse mistake.
    std::wstring local = LocalIdentity();
    if (local.empty()) return 0;
    m_offer.identity = published;
    return SameIdentity(published, local) ? 0 : 1;
}

BOOL VerifyUpdateFile(const std::wstring& path, const std::wstring& published) {
    if (published.empty()) return FALSE;
    std::wstring identity = IdentityOfExecutable(path.c_str());
    return !identity.empty() && SameIdentity(identity, published);
}

BOOL VerifyUpdateSignature(const std::wstring& path, const UpdateOffer& offer) {
    SignedBuildCheck check;
    check.path = path;
    check.statement = offer.statement;
    check.signatureHex = offer.signature;
    check.product = signing::kLauncherProduct;
    check.mustExceed = OwnVersion();
    return CheckSignedBuild(check) == SignatureCheck::Good;
}

BOOL SwapInNewBuild(const std::wstring& current, const std::wstring& newPath, const std::wstring& oldPath) {
    // A running executable may be renamed within its folder although it cannot
    // be deleted, so the old build steps aside under another name first.
    if (!::MoveFileExW(current.c_str(), oldPath.c_str(), MOVEFILE_REPLACE_EXISTING)) return FALSE;
    if (!::MoveFileExW(newPath.c_str(), current.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        ::MoveFileExW(oldPath.c_str(), current.c_str(), MOVEFILE_REPLACE_EXISTING);
        return FALSE;
    }
    ScheduleDeletionAtRestart(oldPath);
    return TRUE;
}

UpdateOutcome SelfUpdate::Run() {
    std::wstring newPath, oldPath, current;
    if (!MakeExeDirPath(kNewExeName, newPath) || !MakeExeDirPath(kOldExeName, oldPath) ||
        !MakeExeDirPath(nullptr, current))
        return UpdateNotDone;

    m_dlgProgress.m_szUrl = m_offer.address.substr(0, 511);
    m_dlgProgress.m_szFile = newPath;
    bool downloaded = m_dlgProgress.DoModal() == IDOK;
    // An error page, a truncated or tampered file, another build, a build the
    // operator did not sign (the identity travels with the file and proves
    // nothing of its origin), an older one: none of it may take the
    // launcher's name.
    if (!downloaded || !VerifyUpdateFile(newPath, m_offer.identity) || !VerifyUpdateSignature(newPath, m_offer) ||
        !SwapInNewBuild(current, newPath, oldPath)) {
        if (!::DeleteFileW(newPath.c_str())) ScheduleDeletionAtRestart(newPath);
        return UpdateNotDone;
    }
    return LaunchProgram(current.c_str()) ? UpdateStarted : UpdateInPlaceNotStarted;
}
