// The trampoline's layout (hook/code_patch.h) as an assembler macro, for the
// top-level asm blocks that define trampolines:
//     TRAMPOLINE _PassThroughName@12, _GetterName
// The getter returns the target's address in eax (an import slot's content).
// Each block is 2 + 5 + 2 + 1 + 22 = 32 bytes of code; the last byte receives
// the count of moved bytes once the trampoline is installed.
#pragma once

asm(R"(
    .macro TRAMPOLINE name, getter
    .text
    .balign 16
    .globl \name
\name:
    nop
    nop
    call \getter
    jmp *%eax
    ret
    .fill 22, 1, 0x90
    .endm
)");
