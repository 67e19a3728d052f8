// The byte-level plans behind intercepting a function: what goes into the
// trampoline and into the target's first bytes, and how it is taken back out.
// Works on copies of the bytes and on 32-bit addresses, so it runs (and is tested)
// anywhere; the Windows side only reads, unprotects and writes the memory.
//
// A trampoline is a 32-byte block of code. Before installation it reads
//   90 90            two no-ops
//   E8 rel32         call a getter that returns the target's address
//   FF E0            jmp eax
//   C3, 90 ...       to the end
// so calling it calls the target. Installed, it holds the target's first whole
// instructions (moved, 5 to 26 bytes), a jump back to the rest of the target, and
// in its last byte the number of bytes moved. The target begins with a jump to
// the replacement, its other moved bytes filled with INT3.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace patch {

inline constexpr std::size_t kTrampolineSize = 32;
inline constexpr std::size_t kJumpSize = 5;
inline constexpr std::size_t kMinMoved = kJumpSize;
inline constexpr std::size_t kMaxMoved = 26;
inline constexpr std::size_t kCountByte = kTrampolineSize - 1;
// The largest count a trampoline's last byte may claim when it is taken back.
inline constexpr std::size_t kMaxCount = kTrampolineSize - 2;

// Why taking an interception back failed; the numbers are the system error codes
// the Windows side reports.
enum class RemoveError : std::uint32_t {
    kNone = 0,
    kNotInstalled = 6,     // the trampoline holds no moved code
    kNoJump = 9,           // the target does not begin with a jump
    kOtherReplacement = 12,  // the target's jump leads elsewhere
    kCannotMoveBack = 13,  // the moved instructions do not all come back
};

using Trampoline = std::array<std::uint8_t, kTrampolineSize>;

// The installation pattern: no-ops, the getter call, the jump through eax.
bool HasInstallPattern(const Trampoline& t);
// Where the getter that t calls lies (t sits at tAddr).
std::uint32_t GetterAddress(const Trampoline& t, std::uint32_t tAddr);

// A jump stub: FF 25 disp32 (jmp [disp32]) gives the pointer's address in
// *pointer; E9 rel32 gives its destination in *destination. Both only read
// code[0 .. size).
bool IsIndirectJumpStub(const std::uint8_t* code, std::size_t size, std::uint32_t* pointer);
bool IsRelativeJump(const std::uint8_t* code, std::size_t size, std::uint32_t at, std::uint32_t* destination);

// How many bytes of whole instructions at code must move so that a 5-byte jump
// fits, stopping after an instruction that does not fall through. 0 when that is
// under 5 or over 26 bytes, or an instruction cannot be decoded.
std::size_t MeasureMovable(const std::uint8_t* code, std::size_t size);

// Moves the instructions of src[0 .. len), which sit at address from, to address
// to, one by one into out: every relative displacement still reaches its old
// destination, and one that points into the moved bytes follows them. Returns
// how many bytes came across; less than len when one could not.
std::size_t MoveCode(const std::uint8_t* src, std::size_t len, std::uint32_t from, std::uint32_t to,
                     std::uint8_t* out, std::size_t outSize);

// E9 rel32 at address at, jumping to target.
void WriteJump(std::uint8_t* out, std::uint32_t at, std::uint32_t target);

// What installing writes.
struct Installation {
    Trampoline trampoline{};
    std::array<std::uint8_t, kMaxMoved> head{};  // the target's new first bytes
    std::size_t moved = 0;                       // how many of them
};

// Plans the interception of the target (its bytes from targetAddr, size of them
// readable) through the trampoline at tAddr, to the replacement. False when the
// target's start cannot be moved.
bool PlanInstallation(const std::uint8_t* target, std::size_t size, std::uint32_t targetAddr, std::uint32_t tAddr,
                      std::uint32_t replacement, Installation& plan);

// Step one of taking it back: the installed trampoline's target address and how
// many bytes it moved; kNotInstalled when t holds no moved code.
RemoveError FindInstalledTarget(const Trampoline& t, std::uint32_t tAddr, std::uint32_t* targetAddr,
                                std::size_t* moved);

// Step two: the original bytes for the target (its current first bytes in
// head[0 .. size)), given the replacement it should jump to.
RemoveError PlanRemoval(const Trampoline& t, std::uint32_t tAddr, const std::uint8_t* head, std::size_t size,
                        std::uint32_t targetAddr, std::uint32_t replacement, std::size_t moved,
                        std::array<std::uint8_t, kMaxCount>& original);

}  // namespace patch
