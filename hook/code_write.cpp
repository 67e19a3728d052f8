#include "hook/code_write.h"

#include "framework/handles.h"
#include "framework/system_library.h"

#include <tlhelp32.h>

#include <cstring>
#include <vector>

namespace patch {
namespace {

// The only part that knows the processor: where a suspended thread goes next.
#if defined(_M_X64) || defined(__x86_64__)
DWORD64& InstructionPointer(CONTEXT& context) { return context.Rip; }
#elif defined(_M_IX86) || defined(__i386__)
DWORD& InstructionPointer(CONTEXT& context) { return context.Eip; }
#else
#error "code writing knows the instruction pointer of x86 and x86-64 only"
#endif

// Changes a range's protection for writing and puts the old one back.
class WritableRange {
public:
    WritableRange(void* at, std::size_t size) : at_(at), size_(size) {
        ok_ = ::VirtualProtect(at_, size_, PAGE_EXECUTE_READWRITE, &old_) != FALSE;
    }
    WritableRange(WritableRange&& o) noexcept : at_(o.at_), size_(o.size_), old_(o.old_), ok_(o.ok_) { o.ok_ = false; }
    WritableRange& operator=(WritableRange&&) = delete;
    WritableRange(const WritableRange&) = delete;
    ~WritableRange() {
        if (!ok_) return;
        DWORD ignored = 0;
        ::VirtualProtect(at_, size_, old_, &ignored);
    }
    bool ok() const { return ok_; }

private:
    void* at_;
    std::size_t size_;
    DWORD old_ = 0;
    bool ok_ = false;
};

// Every range of the writes made writable, or none. The protections go back
// in the reverse order of the changes: two ranges on one page must leave it
// with the protection it had before the first, not the writable one that the
// second found.
class WritableRanges {
public:
    explicit WritableRanges(std::span<const CodeWrite> writes) {
        ranges_.reserve(writes.size());
        for (const CodeWrite& w : writes) {
            ranges_.emplace_back(w.at, w.size);
            if (!ranges_.back().ok()) {
                Restore();
                return;
            }
        }
        ok_ = true;
    }
    ~WritableRanges() { Restore(); }
    WritableRanges(const WritableRanges&) = delete;
    WritableRanges& operator=(const WritableRanges&) = delete;

    bool ok() const { return ok_; }
    // Allocates nothing: safe while other threads are suspended.
    void Restore() {
        while (!ranges_.empty()) ranges_.pop_back();
    }

private:
    std::vector<WritableRange> ranges_;
    bool ok_ = false;
};

constexpr DWORD kThreadAccess =
    THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_SET_CONTEXT | THREAD_QUERY_LIMITED_INFORMATION | SYNCHRONIZE;

// The other threads of this process, opened for suspension and registers,
// into threads; false when they cannot all be found and opened, since one
// left running could be inside the code about to change. Opened before any is
// suspended, so that stopping them allocates nothing.
bool OpenOtherThreadsFromSnapshot(std::vector<fw::UniqueHandle>& threads) {
    fw::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot) return false;
    const DWORD process = ::GetCurrentProcessId(), self = ::GetCurrentThreadId();
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID != process || entry.th32ThreadID == self) continue;
        HANDLE h = ::OpenThread(kThreadAccess, FALSE, entry.th32ThreadID);
        if (h) {
            threads.emplace_back(h);
        } else if (::GetLastError() != ERROR_INVALID_PARAMETER) {
            return false;  // ERROR_INVALID_PARAMETER: it ended since the snapshot
        }
    }
    return true;
}

// The same by walking this process's own threads (from Vista on). The system
// snapshot lists every thread of every process: under Wine that took 35 to
// 65 ms, against well under one for this walk.
using NextThreadFunction = LONG(WINAPI*)(HANDLE process, HANDLE thread, ACCESS_MASK access, ULONG attributes,
                                         ULONG flags, HANDLE* next);
constexpr LONG kNoMoreEntries = static_cast<LONG>(0x8000001A);

NextThreadFunction NextThread() {
    static const auto function = fw::FunctionOfLoadedLibrary<NextThreadFunction>(L"ntdll.dll", "NtGetNextThread");
    return function;
}

bool OpenOtherThreadsByWalk(NextThreadFunction next, std::vector<fw::UniqueHandle>& threads) {
    const DWORD self = ::GetCurrentThreadId();
    fw::UniqueHandle ownHandle;  // the walk goes on from this one, which is not kept
    HANDLE previous = nullptr;
    for (;;) {
        HANDLE found = nullptr;
        const LONG status = next(::GetCurrentProcess(), previous, kThreadAccess, 0, 0, &found);
        if (status == kNoMoreEntries) return true;
        if (status < 0) return false;
        if (::GetThreadId(found) == self) {
            ownHandle.reset(found);
        } else {
            threads.emplace_back(found);
        }
        previous = found;
    }
}

bool OpenOtherThreads(ThreadListing listing, std::vector<fw::UniqueHandle>& threads) {
    if (NextThreadFunction next = NextThread(); next && listing == ThreadListing::kFastest) {
        if (OpenOtherThreadsByWalk(next, threads)) return true;
        threads.clear();
    }
    return OpenOtherThreadsFromSnapshot(threads);
}

bool HasEnded(HANDLE thread) { return ::WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }

// Suspends the threads for its lifetime and keeps their registers as they
// were when they stopped. Everything it needs is allocated up front.
class StoppedThreads {
public:
    explicit StoppedThreads(const std::vector<fw::UniqueHandle>& threads)
        : threads_(threads), stopped_(threads.size(), 0), contexts_(threads.size()) {}
    ~StoppedThreads() {
        for (std::size_t i = 0; i < threads_.size(); ++i)
            if (stopped_[i]) ::ResumeThread(threads_[i].get());
    }
    StoppedThreads(const StoppedThreads&) = delete;
    StoppedThreads& operator=(const StoppedThreads&) = delete;

    // SuspendThread only asks; reading a thread's registers waits until it has
    // really stopped. Each is read before the next is asked, so that two
    // threads suspending each other cannot both wait forever.
    bool StopAll() {
        for (std::size_t i = 0; i < threads_.size(); ++i) {
            HANDLE thread = threads_[i].get();
            if (::SuspendThread(thread) == static_cast<DWORD>(-1)) {
                if (HasEnded(thread)) continue;  // runs nothing of ours any more
                return false;
            }
            stopped_[i] = 1;
            contexts_[i].ContextFlags = CONTEXT_CONTROL;
            if (!::GetThreadContext(thread, &contexts_[i])) {
                if (HasEnded(thread)) {
                    stopped_[i] = 0;
                    continue;
                }
                return false;
            }
        }
        return true;
    }

    // Moves each stopped thread whose next instruction lies in a range; when
    // one cannot be moved, those already moved go back and the answer is false.
    bool Move(std::span<const ThreadMove> moves) {
        for (std::size_t i = 0; i < threads_.size(); ++i) {
            if (!stopped_[i]) continue;
            CONTEXT moved = contexts_[i];
            if (!Relocate(InstructionPointer(moved), moves)) continue;
            if (!::SetThreadContext(threads_[i].get(), &moved)) {
                for (std::size_t j = 0; j < i; ++j)
                    if (stopped_[j]) ::SetThreadContext(threads_[j].get(), &contexts_[j]);
                return false;
            }
        }
        return true;
    }

private:
    template <class Register>
    static bool Relocate(Register& ip, std::span<const ThreadMove> moves) {
        const auto at = static_cast<std::uintptr_t>(ip);
        for (const ThreadMove& move : moves) {
            if (at - move.from >= move.size) continue;
            ip = static_cast<Register>(move.to + (at - move.from));
            return true;
        }
        return false;
    }

    const std::vector<fw::UniqueHandle>& threads_;
    std::vector<char> stopped_;
    std::vector<CONTEXT> contexts_;
};

}  // namespace

bool WriteCodeWhileOthersWait(std::span<const CodeWrite> writes, std::span<const ThreadMove> moves,
                              ThreadListing listing) {
    WritableRanges writable(writes);
    if (!writable.ok()) return false;
    std::vector<fw::UniqueHandle> threads;
    if (!OpenOtherThreads(listing, threads)) return false;
    {
        StoppedThreads others(threads);
        if (!others.StopAll() || !others.Move(moves)) return false;
        for (const CodeWrite& w : writes) {
            std::memcpy(w.at, w.bytes, w.size);
            ::FlushInstructionCache(::GetCurrentProcess(), w.at, w.size);
        }
        // The protections go back before the threads run again: none of them
        // ever runs while the code is writable.
        writable.Restore();
    }
    return true;
}

}  // namespace patch
