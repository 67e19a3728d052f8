// Length decoding of 32-bit x86 instructions, and moving an instruction to
// another address. Written from the processor manuals' opcode maps; knows every
// prefix, the one-byte, 0F, 0F 38 and 0F 3A maps, x87, 3DNow!, VEX, EVEX and XOP.
//
// The decoder is handed untrusted bytes (the code of a live function, or a fuzzer's
// input): it reads only code[0 .. size) and reports a byte sequence that is cut off
// or undefined as length 0.
#pragma once

#include <cstddef>
#include <cstdint>

namespace x86 {

// The architectural limit: a longer byte sequence raises #UD.
inline constexpr std::size_t kMaxLength = 15;

struct Instruction {
    std::uint8_t length = 0;          // 0: not a valid instruction, or cut off by the buffer
    std::uint8_t prefixCount = 0;     // legacy prefixes before the opcode (or VEX/EVEX/XOP)
    std::uint8_t relOffset = 0;       // where the relative displacement starts
    std::uint8_t relSize = 0;         // 1, 2 or 4 bytes; 0 when the instruction has none

    bool valid() const { return length != 0; }
    bool relative() const { return relSize != 0; }
};

Instruction Decode(const std::uint8_t* code, std::size_t size);

// For an instruction with a relative displacement that starts at address `at`:
// the address it branches to. A 16-bit displacement (operand-size prefix) wraps
// the instruction pointer to 16 bits, as the processor does.
std::uint32_t BranchTarget(const std::uint8_t* bytes, const Instruction& ins, std::uint32_t at);

// Rewrites the displacement of `bytes` (the instruction, placed at address `at`)
// so that it branches to `target`. False when the displacement cannot express it
// (an 8-bit one out of reach, a 16-bit one with a target above 0xFFFF).
bool SetBranchTarget(std::uint8_t* bytes, const Instruction& ins, std::uint32_t at, std::uint32_t target);

// Copies the instruction at code[0 .. size), which sits at address `from`, into
// out so that it can run at address `to` and still reaches its old destination.
// Returns its length, or 0 when it is not valid, does not fit in outSize, or its
// destination is out of reach from `to`.
std::size_t Relocate(const std::uint8_t* code, std::size_t size, std::uint32_t from, std::uint32_t to,
                     std::uint8_t* out, std::size_t outSize);

}  // namespace x86
