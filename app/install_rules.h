// The arithmetic and texts of installation, uninstall and the crash dump that
// do not touch the system: the update-check day mask, the self-delete batch,
// the survey address, the per-user shortcut left-over and the dump file name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace install {

// The first values of the C runtime's generator when nobody seeds it (seed 1):
// the launcher never seeds it, so these are what it always draws.
uint32_t UnseededRand(int index);

// The three week days (0 = Sunday) on which the start-up update check is
// skipped, from the milliseconds of the current time. a differs from b and c.
struct DisableDays {
    uint8_t a = 0, b = 0, c = 0;
    // The stored form: byte 0 = b, byte 1 = a, byte 2 = c, byte 3 = 0.
    uint32_t Packed() const { return b + 256u * a + 65536u * c; }
};
DisableDays DisableDaysFromMilliseconds(unsigned ms);

// The self-delete batch. The texts are already in the batch's encoding; every
// line ends with CR LF. wipeFolder chooses the template that also empties and
// removes the folder. It retries deleting the executable once a second (a
// ping of two echoes) for at most `passes` passes; when the executable is
// still held then (a debugger keeps a crashed copy), it gives up, leaves the
// folder alone and only deletes itself.
struct BatchPaths {
    std::string exe;
    std::string folder;  // used only when wipeFolder
    std::string batch;
};
inline constexpr unsigned kSelfDeletePasses = 600;  // about ten minutes
std::string SelfDeleteBatchText(bool wipeFolder, const BatchPaths& paths, unsigned passes = kSelfDeletePasses);

// "<survey base>&count=<n>", the address the uninstall reports to.
std::wstring SurveyAddressWithCount(std::wstring_view surveyBase, unsigned count);

// Where a per-user copy of the all-users desktop shortcut would lie: the user's
// profile folder (documents path cut at its last '\') with the desktop folder's
// last component. Nothing when either path has no '\'.
std::optional<std::wstring> PerUserShortcutPath(std::wstring_view documents, std::wstring_view commonDesktop,
                                                std::wstring_view name);

// The crash dump beside the executable: the path cut at its last '.' followed
// by ".dmp". Nothing when the path has no '.'.
std::optional<std::wstring> DumpPathFor(std::wstring_view exePath);

}  // namespace install
