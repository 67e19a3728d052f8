#include "net/build_identity.h"

#include "core/launcher_ids.h"
#include "core/start_program.h"
#include "net/md5.h"
#include "net/version_identity.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

// A downloaded build takes the place of this very program, and a game client
// is started as this one is: either must be built for the machine this
// program was built for. The product is 32-bit; the 64-bit test build takes
// 64-bit builds, so its tests follow the same paths.
constexpr PeMachine kOwnMachine = sizeof(void*) == 8 ? PeMachine::X64 : PeMachine::X86;

bool LooksLikeExecutableFile(const wchar_t* path) {
    UniqueFile file(::_wfopen(path, L"rb"));
    if (!file) return false;
    std::string head(4096, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file.get()));
    return LooksLikeExecutableFor(head, kOwnMachine);
}

std::wstring FileVersionText(const wchar_t* path) {
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0) return {};
    std::vector<char> data(size);
    if (!::GetFileVersionInfoW(path, 0, size, data.data())) return {};
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (!::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) || !fixed ||
        fixedSize < sizeof(VS_FIXEDFILEINFO))
        return {};
    return VersionTextFromFixed(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
}

}  // namespace

bool ComputeFileMd5(const wchar_t* path, std::wstring& out) {
    UniqueFile file(::_wfopen(path, L"rb"));
    if (!file) return false;
    std::optional<std::wstring> digest = Md5HexOfStream(file.get());
    if (!digest) return false;
    out = *digest;
    return true;
}

std::wstring LocalIdentity() {
    std::wstring exe, digest;
    if (!MakeExeDirPath(nullptr, exe) || !ComputeFileMd5(exe.c_str(), digest)) return {};
    return MakeVersionIdentity(digest, LAUNCHER_VERSION);
}

std::wstring IdentityOfExecutable(const wchar_t* path) {
    if (!LooksLikeExecutableFile(path)) return {};
    std::wstring version = FileVersionText(path);
    std::wstring digest;
    if (version.empty() || !ComputeFileMd5(path, digest)) return {};
    return MakeVersionIdentity(digest, version);
}
