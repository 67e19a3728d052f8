// The x86 decoder and the interception plans built on it: any bytes, read only
// inside the buffer they are given (the buffer is exactly the input, so
// AddressSanitizer reports a read one byte past it).
#include "hook/code_patch.h"
#include "hook/x86_decode.h"
#include "tests/fuzz/fuzz_input.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <vector>

namespace {

bool Same(const x86::Instruction& a, const x86::Instruction& b)
{
    return a.length == b.length && a.prefixCount == b.prefixCount && a.relOffset == b.relOffset &&
           a.relSize == b.relSize;
}

void CheckDecode(const std::vector<std::uint8_t>& code, std::uint32_t from, std::uint32_t to)
{
    const x86::Instruction ins = x86::Decode(code.data(), code.size());
    if (!ins.valid()) return;
    fuzz::Check(ins.length >= 1 && ins.length <= x86::kMaxLength, "a length of 1 to 15");
    fuzz::Check(ins.length <= code.size(), "no longer than the bytes given");
    fuzz::Check(ins.prefixCount < ins.length, "prefixes leave room for the opcode");
    if (ins.relative()) {
        fuzz::Check(ins.relSize == 1 || ins.relSize == 2 || ins.relSize == 4, "a displacement of 1, 2 or 4 bytes");
        fuzz::Check(ins.relOffset > ins.prefixCount && ins.relOffset + ins.relSize <= ins.length,
                    "the displacement lies inside the instruction, after the opcode");
    }

    // The length is a property of the instruction's own bytes: exactly those
    // decode the same, one fewer is cut off.
    const std::vector<std::uint8_t> exact(code.begin(), code.begin() + ins.length);
    fuzz::Check(Same(x86::Decode(exact.data(), exact.size()), ins), "the instruction's bytes alone decode the same");
    const std::vector<std::uint8_t> shorter(code.begin(), code.begin() + ins.length - 1);
    fuzz::Check(!x86::Decode(shorter.data(), shorter.size()).valid(), "one byte fewer is cut off");

    // Moved elsewhere, a relative instruction still reaches its destination.
    std::uint8_t out[x86::kMaxLength * 2] = {};
    const std::size_t n = x86::Relocate(exact.data(), exact.size(), from, to, out, sizeof out);
    if (n == 0) return;
    const x86::Instruction moved = x86::Decode(out, n);
    fuzz::Check(moved.valid() && moved.length == n, "the moved copy is one whole instruction");
    if (ins.relative())
        fuzz::Check(moved.relative() && x86::BranchTarget(out, moved, to) == x86::BranchTarget(exact.data(), ins, from),
                    "the moved copy branches where the original did");
    else
        fuzz::Check(std::equal(out, out + n, exact.begin(), exact.end()), "an instruction without displacement moves as it is");
}

// Whether a moved instruction of the target branches into the trampoline: a
// system function never does, and moving back could not tell such a branch
// from one into the moved bytes.
bool BranchesIntoTrampoline(const std::vector<std::uint8_t>& target, std::size_t moved, std::uint32_t targetAddr,
                            std::uint32_t tAddr)
{
    for (std::size_t at = 0; at < moved;) {
        const x86::Instruction ins = x86::Decode(target.data() + at, target.size() - at);
        if (!ins.valid()) return false;
        if (ins.relative()) {
            const std::uint32_t dest = x86::BranchTarget(target.data() + at, ins, targetAddr + static_cast<std::uint32_t>(at));
            if (dest - tAddr < patch::kTrampolineSize) return true;
        }
        at += ins.length;
    }
    return false;
}

// Installing an interception and taking it back gives the target's bytes back.
void CheckInterception(const std::vector<std::uint8_t>& target, std::uint32_t targetAddr, std::uint32_t tAddr,
                       std::uint32_t replacement)
{
    // The trampoline lies in the launcher's image and the target in a system
    // library: apart, and neither at the very end of the address space.
    constexpr std::uint32_t kApart = 64, kTop = 0xFFFFFF00u;
    if (targetAddr > kTop || tAddr > kTop || (targetAddr > tAddr ? targetAddr - tAddr : tAddr - targetAddr) < kApart)
        return;
    patch::Installation plan;
    if (!patch::PlanInstallation(target.data(), target.size(), targetAddr, tAddr, replacement, plan)) return;
    if (BranchesIntoTrampoline(target, plan.moved, targetAddr, tAddr)) return;
    fuzz::Check(plan.moved >= patch::kMinMoved && plan.moved <= patch::kMaxMoved, "5 to 26 bytes moved");
    fuzz::Check(plan.moved <= target.size(), "only bytes that were given are moved");
    fuzz::Check(plan.trampoline[patch::kCountByte] == plan.moved, "the trampoline's last byte holds the count");

    std::vector<std::uint8_t> patched = target;
    std::copy(plan.head.begin(), plan.head.begin() + plan.moved, patched.begin());
    std::uint32_t foundTarget = 0;
    std::size_t foundMoved = 0;
    fuzz::Check(patch::FindInstalledTarget(plan.trampoline, tAddr, &foundTarget, &foundMoved) ==
                    patch::RemoveError::kNone,
                "an installed trampoline is found installed");
    fuzz::Check(foundTarget == targetAddr && foundMoved == plan.moved, "it names its target and count");
    std::array<std::uint8_t, patch::kMaxCount> original{};
    fuzz::Check(patch::PlanRemoval(plan.trampoline, tAddr, patched.data(), patched.size(), targetAddr, replacement,
                                   plan.moved, original) == patch::RemoveError::kNone,
                "an installation can be taken back");
    fuzz::Check(std::equal(original.begin(), original.begin() + plan.moved, target.begin()),
                "taking it back restores the target's bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    // Addresses of a 32-bit process: the trampoline lies in the launcher's
    // image, the target in a system library, both anywhere in the 4 GB.
    const auto from = in.ConsumeIntegral<std::uint32_t>();
    const auto to = in.ConsumeIntegral<std::uint32_t>();
    const auto replacement = in.ConsumeIntegral<std::uint32_t>();
    const std::vector<std::uint8_t> code = in.ConsumeRemainingBytes<std::uint8_t>();

    CheckDecode(code, from, to);
    CheckInterception(code, from, to, replacement);
    return 0;
}
