#include "hook/intercept.h"

#include "hook/code_patch.h"
#include "hook/code_write.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kCodeWindow = 32;  // enough for every plan to look at

std::uint32_t AddressOf(const void* p) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p)); }
std::uint8_t* PointerTo(std::uint32_t a) { return reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(a)); }

// How many bytes from p on may be read: the rest of its committed, readable
// region. The addresses come from import slots and jump stubs, so they are
// checked before the bytes behind them are copied.
std::size_t ReadableBytes(const void* p) {
    MEMORY_BASIC_INFORMATION info{};
    if (!p || ::VirtualQuery(p, &info, sizeof info) != sizeof info || info.State != MEM_COMMIT) return 0;
    if (info.Protect & (PAGE_NOACCESS | PAGE_GUARD)) return 0;
    const auto end = static_cast<const std::uint8_t*>(info.BaseAddress) + info.RegionSize;
    return static_cast<std::size_t>(end - static_cast<const std::uint8_t*>(p));
}

// Copies up to size bytes from address a into out; returns how many it could.
std::size_t CopyCode(std::uint32_t a, std::uint8_t* out, std::size_t size) {
    const std::size_t n = std::min(size, ReadableBytes(PointerTo(a)));
    std::memcpy(out, PointerTo(a), n);
    return n;
}

// An import stub (jmp [slot]) stands for the function in its slot; for a
// trampoline, a relative jump (a linker's thunk) stands for its destination.
std::uint32_t ResolveStub(std::uint32_t a, bool followRelativeJump) {
    std::uint8_t code[8];
    const std::size_t n = CopyCode(a, code, sizeof code);
    std::uint32_t slot = 0, destination = 0;
    if (patch::IsIndirectJumpStub(code, n, &slot)) {
        std::uint32_t function = 0;
        return CopyCode(slot, reinterpret_cast<std::uint8_t*>(&function), 4) == 4 ? function : a;
    }
    if (followRelativeJump && patch::IsRelativeJump(code, n, a, &destination)) return destination;
    return a;
}

bool ReadTrampoline(std::uint32_t t, patch::Trampoline& out) {
    return CopyCode(t, out.data(), out.size()) == out.size();
}

BOOL Fail(patch::RemoveError why) {
    ::SetLastError(static_cast<DWORD>(why));
    return FALSE;
}

}  // namespace

BOOL InterceptFunction(const void* trampoline, const void* replacement) {
    const std::uint32_t t = ResolveStub(AddressOf(trampoline), true);
    const std::uint32_t r = ResolveStub(AddressOf(replacement), false);
    patch::Trampoline pristine;
    if (!ReadTrampoline(t, pristine) || !patch::HasInstallPattern(pristine)) return FALSE;

    using Getter = const void* (*)();
    const auto getter = reinterpret_cast<Getter>(PointerTo(patch::GetterAddress(pristine, t)));
    const std::uint32_t target = ResolveStub(AddressOf(getter()), false);

    std::uint8_t head[kCodeWindow];
    const std::size_t readable = CopyCode(target, head, sizeof head);
    patch::Installation plan;
    if (!patch::PlanInstallation(head, readable, target, t, r, plan)) return FALSE;

    // A thread in the middle of the target's first instructions goes on at the
    // same instruction of their moved copy in the trampoline.
    const patch::CodeWrite writes[] = {{PointerTo(t), plan.trampoline.data(), plan.trampoline.size()},
                                       {PointerTo(target), plan.head.data(), plan.moved}};
    const patch::ThreadMove moves[] = {{target, plan.moved, t}};
    return patch::WriteCodeWhileOthersWait(writes, moves) ? TRUE : FALSE;
}

BOOL RemoveInterception(const void* trampoline, const void* replacement) {
    const std::uint32_t t = ResolveStub(AddressOf(trampoline), true);
    const std::uint32_t r = ResolveStub(AddressOf(replacement), false);
    patch::Trampoline installed;
    std::uint32_t target = 0;
    std::size_t moved = 0;
    if (!ReadTrampoline(t, installed)) return Fail(patch::RemoveError::kNotInstalled);
    if (auto why = patch::FindInstalledTarget(installed, t, &target, &moved); why != patch::RemoveError::kNone) {
        return Fail(why);
    }

    std::uint8_t head[kCodeWindow];
    const std::size_t readable = CopyCode(target, head, sizeof head);
    std::array<std::uint8_t, patch::kMaxCount> original{};
    if (auto why = patch::PlanRemoval(installed, t, head, readable, target, r, moved, original);
        why != patch::RemoveError::kNone) {
        return Fail(why);
    }
    // A thread in the moved copy, or at the jump back after it, goes on at the
    // same instruction of the target.
    const patch::CodeWrite writes[] = {{PointerTo(target), original.data(), moved}};
    const patch::ThreadMove moves[] = {{t, moved + 1, target}};
    return patch::WriteCodeWhileOthersWait(writes, moves) ? TRUE : FALSE;
}
