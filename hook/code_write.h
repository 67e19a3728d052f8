// Writing code of this process while other threads of it may be running that
// very code. Everything but the instruction pointer is architecture-neutral,
// so the same writer serves the 32-bit interception and is exercised by the
// 64-bit test build as well.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>

namespace patch {

// Bytes to put at an address of code.
struct CodeWrite {
    void* at;
    const std::uint8_t* bytes;
    std::size_t size;
};

// A thread whose next instruction lies in [from, from + size) continues at
// to + (its offset into that range): the matching instruction of a moved copy.
struct ThreadMove {
    std::uintptr_t from;
    std::size_t size;
    std::uintptr_t to;
};

// How the other threads are found: the fastest way the system offers (a walk
// of this process's threads from Vista on), or always the system's thread
// snapshot, which is all that older systems have.
enum class ThreadListing { kFastest, kSnapshot };

// Writes every range while every other thread of the process stands still:
// makes the ranges writable, suspends the others, moves
// each one whose instruction pointer lies in a ThreadMove range, writes,
// flushes the instruction cache, restores each range's protection and resumes
// them. False, with nothing written and no thread moved, when a range cannot
// be made writable, the other threads cannot all be found and opened, one
// cannot be suspended, or a thread's registers cannot be read or changed.
//
// No memory is allocated while the others are suspended: one of them may hold
// the heap's lock. A thread that starts during the call is not stopped; the
// callers write code that a thread only reaches through functions it calls.
bool WriteCodeWhileOthersWait(std::span<const CodeWrite> writes, std::span<const ThreadMove> moves,
                              ThreadListing listing = ThreadListing::kFastest);

}  // namespace patch
