// Reference counting shared by every engine object the program and the engine pass around.
#ifndef ENGINE_INCLUDE_CEF_BASE_H_
#define ENGINE_INCLUDE_CEF_BASE_H_

#include <atomic>
#include <cstdint>
#include <utility>

#include "include/internal/cef_string.h"
#include "include/internal/cef_types.h"

// Interfaces derive virtually from this base, so an object implementing several of them has one
// count.
class CefBaseRefCounted {
public:
    virtual void AddRef() const = 0;
    // Returns true when this call released the last reference and deleted the object.
    virtual bool Release() const = 0;
    virtual bool HasOneRef() const = 0;
    virtual bool HasAtLeastOneRef() const = 0;

protected:
    virtual ~CefBaseRefCounted() = default;
};

// A 32-bit count, changed atomically because the engine adds and drops references on its threads.
class CefRefCount {
public:
    CefRefCount() = default;
    CefRefCount(const CefRefCount &) = delete;
    CefRefCount &operator=(const CefRefCount &) = delete;

    void AddRef() const { count_.fetch_add(1, std::memory_order_relaxed); }
    // True when the count went from 1 to 0.
    bool Release() const { return count_.fetch_sub(1, std::memory_order_acq_rel) == 1; }
    bool HasOneRef() const { return count_.load(std::memory_order_acquire) == 1; }
    bool HasAtLeastOneRef() const { return count_.load(std::memory_order_acquire) != 0; }

private:
    mutable std::atomic<std::int32_t> count_{0};
};

#define IMPLEMENT_REFCOUNTING(ClassName)                 \
public:                                                  \
    void AddRef() const override {                       \
        ref_count_.AddRef();                             \
    }                                                    \
    bool Release() const override {                      \
        if (ref_count_.Release()) {                      \
            delete static_cast<const ClassName *>(this); \
            return true;                                 \
        }                                                \
        return false;                                    \
    }                                                    \
    bool HasOneRef() const override {                    \
        return ref_count_.HasOneRef();                   \
    }                                                    \
    bool HasAtLeastOneRef() const override {             \
        return ref_count_.HasAtLeastOneRef();            \
    }                                                    \
                                                         \
private:                                                 \
    CefRefCount ref_count_

#define DISALLOW_COPY_AND_ASSIGN(TypeName) \
    TypeName(const TypeName &) = delete;   \
    TypeName &operator=(const TypeName &) = delete

template <class T>
using CefRawPtr = T *;

// A counted reference: holds one reference to its object for as long as it points at it.
template <class T>
class CefRefPtr {
public:
    CefRefPtr() = default;
    CefRefPtr(std::nullptr_t) {}
    CefRefPtr(T *p) : ptr_(p) {
        if (ptr_)
            ptr_->AddRef();
    }
    CefRefPtr(const CefRefPtr &other) : CefRefPtr(other.ptr_) {}
    CefRefPtr(CefRefPtr &&other) noexcept : ptr_(other.ptr_) { other.ptr_ = nullptr; }
    template <class U>
    CefRefPtr(const CefRefPtr<U> &other) : CefRefPtr(other.get()) {}
    ~CefRefPtr() {
        if (ptr_)
            ptr_->Release();
    }

    CefRefPtr &operator=(T *p) {
        if (p)
            p->AddRef();
        T *old = ptr_;
        ptr_ = p;
        if (old)
            old->Release();
        return *this;
    }
    CefRefPtr &operator=(const CefRefPtr &other) { return *this = other.ptr_; }
    CefRefPtr &operator=(CefRefPtr &&other) noexcept {
        if (this != &other) {
            T *old = ptr_;
            ptr_ = other.ptr_;
            other.ptr_ = nullptr;
            if (old)
                old->Release();
        }
        return *this;
    }
    template <class U>
    CefRefPtr &operator=(const CefRefPtr<U> &other) {
        return *this = other.get();
    }

    T *get() const { return ptr_; }
    T &operator*() const { return *ptr_; }
    T *operator->() const { return ptr_; }
    operator T *() const { return ptr_; }

    void swap(CefRefPtr &other) noexcept { std::swap(ptr_, other.ptr_); }

private:
    T *ptr_ = nullptr;
};

#endif  // ENGINE_INCLUDE_CEF_BASE_H_
