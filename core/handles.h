// One move-only owner for every kind of handle the program holds.
#pragma once
#include <windows.h>
#include <objbase.h>

#include <memory>
#include <type_traits>
#include <utility>

namespace mrv {

struct HandleCloser {
    void operator()(HANDLE h) const {
        if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// CreateFile answers INVALID_HANDLE_VALUE, other calls null: both become an empty owner.
inline UniqueHandle AdoptHandle(HANDLE h) { return UniqueHandle(h == INVALID_HANDLE_VALUE ? nullptr : h); }

struct RegKeyCloser {
    void operator()(HKEY k) const { RegCloseKey(k); }
};
using UniqueRegKey = std::unique_ptr<std::remove_pointer_t<HKEY>, RegKeyCloser>;

struct ModuleFreer {
    void operator()(HMODULE m) const { FreeLibrary(m); }
};
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFreer>;

struct FindCloser {
    void operator()(HANDLE h) const {
        if (h && h != INVALID_HANDLE_VALUE) FindClose(h);
    }
};
using UniqueFind = std::unique_ptr<void, FindCloser>;
inline UniqueFind AdoptFind(HANDLE h) { return UniqueFind(h == INVALID_HANDLE_VALUE ? nullptr : h); }

struct LocalFreer {
    void operator()(HLOCAL h) const { LocalFree(h); }
};
using UniqueLocal = std::unique_ptr<void, LocalFreer>;

// A locked local-memory block, unlocked when the guard goes.
class LocalLockGuard {
public:
    explicit LocalLockGuard(HLOCAL h) : h_(h), p_(h ? LocalLock(h) : nullptr) {}
    ~LocalLockGuard() {
        if (p_) LocalUnlock(h_);
    }
    LocalLockGuard(const LocalLockGuard&) = delete;
    LocalLockGuard& operator=(const LocalLockGuard&) = delete;
    void* get() const { return p_; }
private:
    HLOCAL h_;
    void* p_;
};

struct GdiDeleter {
    void operator()(HGDIOBJ o) const { DeleteObject(o); }
};
template <class T>
using UniqueGdi = std::unique_ptr<std::remove_pointer_t<T>, GdiDeleter>;

struct IconDestroyer {
    void operator()(HICON i) const { DestroyIcon(i); }
};
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;

struct MenuDestroyer {
    void operator()(HMENU m) const { DestroyMenu(m); }
};
using UniqueMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;

// Holds an owned mutex until it goes (or until release()).
class MutexOwnership {
public:
    MutexOwnership() = default;
    explicit MutexOwnership(HANDLE m) : m_(m) {}
    ~MutexOwnership() { reset(); }
    MutexOwnership(MutexOwnership&& o) noexcept : m_(std::exchange(o.m_, nullptr)) {}
    MutexOwnership& operator=(MutexOwnership&& o) noexcept {
        if (this != &o) {
            reset();
            m_ = std::exchange(o.m_, nullptr);
        }
        return *this;
    }
    void reset() {
        if (m_) ReleaseMutex(std::exchange(m_, nullptr));
    }
    explicit operator bool() const { return m_ != nullptr; }
private:
    HANDLE m_ = nullptr;
};

// A COM interface pointer that releases itself.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    T** put() {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    void reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
private:
    T* p_ = nullptr;
};

// CoInitialize for a scope.
class ComApartment {
public:
    ComApartment() : ok_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComApartment() {
        if (ok_) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
private:
    bool ok_;
};

}  // namespace mrv
