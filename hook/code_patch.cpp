#include "hook/code_patch.h"

#include "hook/x86_decode.h"

#include <cstring>

namespace patch {
namespace {

constexpr std::uint8_t kNop = 0x90, kCall = 0xE8, kJmpRel = 0xE9, kInt3 = 0xCC;

std::uint32_t ReadU32(const std::uint8_t* p) {
    std::uint32_t v = 0;
    std::memcpy(&v, p, 4);
    return v;
}

// After these the next bytes need not be code of the same function, and
// overwriting them could break whatever lies there. Prefixed forms count too
// (a segment prefix before FF 25 is common in import stubs).
bool EndsFlow(const std::uint8_t* bytes, const x86::Instruction& ins) {
    const std::uint8_t op = bytes[ins.prefixCount];
    switch (op) {
    case 0xE9: case 0xEB:              // JMP rel
    case 0xC2: case 0xC3:              // RET
    case 0xCA: case 0xCB: case 0xCF:   // RETF, IRET
    case 0xE0:                         // LOOPNE: stopping early is never wrong
        return true;
    case 0xFF: {                       // JMP r/m, JMP far m (FF 25 among them)
        const int reg = (bytes[ins.prefixCount + 1] >> 3) & 7;
        return reg == 4 || reg == 5;
    }
    default:
        return false;
    }
}

}  // namespace

bool HasInstallPattern(const Trampoline& t) {
    return t[0] == kNop && t[1] == kNop && t[2] == kCall && t[7] == 0xFF && t[8] == 0xE0;
}

std::uint32_t GetterAddress(const Trampoline& t, std::uint32_t tAddr) {
    return tAddr + 7 + ReadU32(&t[3]);
}

bool IsIndirectJumpStub(const std::uint8_t* code, std::size_t size, std::uint32_t* pointer) {
    if (size < 6 || code[0] != 0xFF || code[1] != 0x25) return false;
    *pointer = ReadU32(code + 2);
    return true;
}

bool IsRelativeJump(const std::uint8_t* code, std::size_t size, std::uint32_t at, std::uint32_t* destination) {
    if (size < kJumpSize || code[0] != kJmpRel) return false;
    *destination = at + kJumpSize + ReadU32(code + 1);
    return true;
}

std::size_t MeasureMovable(const std::uint8_t* code, std::size_t size) {
    std::size_t covered = 0;
    while (covered < kMinMoved) {
        const x86::Instruction ins = x86::Decode(code + covered, size - covered);
        if (!ins.valid()) return 0;
        const bool ends = EndsFlow(code + covered, ins);
        covered += ins.length;
        if (ends) break;
    }
    return covered >= kMinMoved && covered <= kMaxMoved ? covered : 0;
}

std::size_t MoveCode(const std::uint8_t* src, std::size_t len, std::uint32_t from, std::uint32_t to,
                     std::uint8_t* out, std::size_t outSize) {
    std::size_t done = 0;
    while (done < len) {
        const x86::Instruction ins = x86::Decode(src + done, len - done);
        if (!ins.valid() || ins.length > outSize - done) break;
        std::uint8_t* copy = out + done;
        std::memcpy(copy, src + done, ins.length);
        if (ins.relative()) {
            std::uint32_t target = x86::BranchTarget(src + done, ins, from + done);
            // A branch between the moved instructions moves with them.
            if (target - from < len) target = target - from + to;
            if (!x86::SetBranchTarget(copy, ins, to + done, target)) break;
        }
        done += ins.length;
    }
    return done;
}

void WriteJump(std::uint8_t* out, std::uint32_t at, std::uint32_t target) {
    const std::uint32_t rel = target - (at + kJumpSize);
    out[0] = kJmpRel;
    std::memcpy(out + 1, &rel, 4);
}

bool PlanInstallation(const std::uint8_t* target, std::size_t size, std::uint32_t targetAddr, std::uint32_t tAddr,
                      std::uint32_t replacement, Installation& plan) {
    const std::size_t moved = MeasureMovable(target, size);
    if (moved == 0) return false;
    plan.trampoline.fill(kNop);
    if (MoveCode(target, moved, targetAddr, tAddr, plan.trampoline.data(), moved) != moved) return false;
    WriteJump(&plan.trampoline[moved], tAddr + moved, targetAddr + moved);
    plan.trampoline[kCountByte] = static_cast<std::uint8_t>(moved);

    plan.head.fill(kInt3);
    WriteJump(plan.head.data(), targetAddr, replacement);
    plan.moved = moved;
    return true;
}

RemoveError FindInstalledTarget(const Trampoline& t, std::uint32_t tAddr, std::uint32_t* targetAddr,
                                std::size_t* moved) {
    const std::size_t n = t[kCountByte];
    std::uint32_t back = 0;
    if (n < 1 || n > kMaxCount || !IsRelativeJump(&t[n], kTrampolineSize - n, tAddr + n, &back)) {
        return RemoveError::kNotInstalled;
    }
    *targetAddr = back - static_cast<std::uint32_t>(n);
    *moved = n;
    return RemoveError::kNone;
}

RemoveError PlanRemoval(const Trampoline& t, std::uint32_t tAddr, const std::uint8_t* head, std::size_t size,
                        std::uint32_t targetAddr, std::uint32_t replacement, std::size_t moved,
                        std::array<std::uint8_t, kMaxCount>& original) {
    std::uint32_t jumpsTo = 0;
    if (!IsRelativeJump(head, size, targetAddr, &jumpsTo)) return RemoveError::kNoJump;
    if (jumpsTo != replacement) return RemoveError::kOtherReplacement;
    if (moved > original.size() || MoveCode(t.data(), moved, tAddr, targetAddr, original.data(), moved) != moved) {
        return RemoveError::kCannotMoveBack;
    }
    return RemoveError::kNone;
}

}  // namespace patch
