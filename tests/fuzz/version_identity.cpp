// The remote configuration's version identity against the running build's, the
// MD5 digest it is made of, and the check of a downloaded build's first bytes.
#include "net/md5.h"
#include "net/version_identity.h"
#include "tests/fuzz/fuzz_input.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

bool IsLowerHex(const std::wstring& text)
{
    return text.find_first_not_of(L"0123456789abcdef") == std::wstring::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto lines = fuzz::SplitBytes(data, size, '\n');
    const std::wstring published = fuzz::WideFromBytes(lines[0]);
    const std::wstring other = lines.size() > 1 ? fuzz::WideFromBytes(lines[1]) : std::wstring();

    // Only equality matters, and letter case does not.
    fuzz::Check(SameIdentity(published, published), "an identity is its own");
    fuzz::Check(SameIdentity(published, fuzz::FlipAsciiCase(published)), "letter case does not count");
    fuzz::Check(SameIdentity(published, other) == SameIdentity(other, published), "the order does not count");
    // Identities that differ other than in ASCII letter case are never the
    // same: compared letter by letter with both folded, nothing else counts.
    const auto foldAscii = [](std::wstring text) {
        for (wchar_t& c : text)
            if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        return text;
    };
    fuzz::Check(SameIdentity(published, other) == (foldAscii(published) == foldAscii(other)),
                "the same exactly when equal but for ASCII letter case");

    // The digest: the same whichever way the bytes are fed.
    Md5 whole;
    whole.Update(data, size);
    const auto digest = whole.Final();
    FuzzedDataProvider cuts(data, size);
    Md5 pieces;
    std::size_t fed = 0;
    while (fed < size) {
        const std::size_t n = cuts.ConsumeIntegralInRange<std::size_t>(0, size - fed);
        pieces.Update(data + fed, n);
        fed += n;
        if (cuts.remaining_bytes() == 0) {
            pieces.Update(data + fed, size - fed);
            fed = size;
        }
    }
    fuzz::Check(pieces.Final() == digest, "the digest does not depend on how the bytes are fed");

    const std::wstring hex = Md5HexText(digest);
    fuzz::Check(hex.size() == 32 && IsLowerHex(hex), "32 lower-case hexadecimal digits");
    const std::wstring identity = MakeVersionIdentity(hex, L"15,1,23,3");
    fuzz::Check(identity == hex.substr(0, 23) + L"15,1,23,3", "23 digits and the version text");
    fuzz::Check(SameIdentity(identity, fuzz::FlipAsciiCase(identity)), "an upper-case published identity is the same");

    // A downloaded update's first bytes: an executable stays one with more
    // bytes after them, and is one only with its two signatures.
    const std::string_view head(reinterpret_cast<const char*>(data), size);
    const bool x86 = LooksLikeExecutableFor(head, PeMachine::X86);
    const bool x64 = LooksLikeExecutableFor(head, PeMachine::X64);
    fuzz::Check(!(x86 && x64), "an executable is for one machine only");
    if (x86 || x64) {
        const PeMachine machine = x86 ? PeMachine::X86 : PeMachine::X64;
        fuzz::Check(head.starts_with("MZ"), "an executable starts with MZ");
        fuzz::Check(head.find(std::string_view("PE\0\0", 4)) != std::string_view::npos, "it has a PE signature");
        fuzz::Check(LooksLikeExecutableFor(std::string(head) + "tail", machine), "more bytes change nothing");
    }
    return 0;
}
