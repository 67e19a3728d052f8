// Move-only owners for the handle kinds the launcher uses. "Owns it" and "only
// refers to it" are different types: a raw HANDLE/HBITMAP is a reference, these
// classes own. Each release call is the one its handle kind requires.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <utility>

namespace fw {

// A unique owner parameterised by the handle type, its "no handle" value and the
// function that frees it.
template <class H, class Traits>
class Unique {
public:
    Unique() = default;
    explicit Unique(H h) : h_(h) {}
    ~Unique() { reset(); }
    Unique(Unique&& o) noexcept : h_(o.release()) {}
    Unique& operator=(Unique&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    H get() const { return h_; }
    explicit operator bool() const { return h_ != Traits::invalid(); }
    H release() { return std::exchange(h_, Traits::invalid()); }
    void reset(H h = Traits::invalid()) {
        if (h_ != Traits::invalid()) Traits::close(h_);
        h_ = h;
    }

private:
    H h_ = Traits::invalid();
};

struct KernelHandleTraits {
    static HANDLE invalid() { return nullptr; }
    static void close(HANDLE h) { ::CloseHandle(h); }
};
template <class T>
struct GdiTraits {
    static T invalid() { return nullptr; }
    static void close(T h) { ::DeleteObject(h); }
};

struct RegKeyTraits {
    static HKEY invalid() { return nullptr; }
    static void close(HKEY h) { ::RegCloseKey(h); }
};
struct MenuTraits {
    static HMENU invalid() { return nullptr; }
    static void close(HMENU h) { ::DestroyMenu(h); }
};

using UniqueHandle = Unique<HANDLE, KernelHandleTraits>;
using UniqueRegKey = Unique<HKEY, RegKeyTraits>;
using UniqueMenu = Unique<HMENU, MenuTraits>;
using UniqueBitmap = Unique<HBITMAP, GdiTraits<HBITMAP>>;
using UniqueRegion = Unique<HRGN, GdiTraits<HRGN>>;
using UniqueBrush = Unique<HBRUSH, GdiTraits<HBRUSH>>;

// CreateFileW and FindFirstFileW say "none" with INVALID_HANDLE_VALUE, not null.
struct FileHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { ::CloseHandle(h); }
};
struct FindHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { ::FindClose(h); }
};
using UniqueFile = Unique<HANDLE, FileHandleTraits>;
using UniqueFind = Unique<HANDLE, FindHandleTraits>;

struct LibraryTraits {
    static HMODULE invalid() { return nullptr; }
    static void close(HMODULE h) { ::FreeLibrary(h); }
};
using UniqueLibrary = Unique<HMODULE, LibraryTraits>;

// A COM interface pointer that releases its reference.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters: drops the old reference first.
    T** put() {
        reset();
        return &p_;
    }
    void reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
    // Takes over a reference the caller already holds.
    void attach(T* p) {
        reset();
        p_ = p;
    }
    // Shares p: adds a reference of its own.
    void copy_from(T* p) {
        if (p) p->AddRef();
        reset();
        p_ = p;
    }
    // QueryInterface into another owner.
    template <class U>
    HRESULT As(ComPtr<U>* out) const {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(__uuidof(U), reinterpret_cast<void**>(out->put()));
    }

private:
    T* p_ = nullptr;
};

}  // namespace fw
