// The module's COM plumbing, written once: an exception barrier for method bodies, a reference count
// and QueryInterface driven by a table of interfaces (with aggregation), and one class factory driven
// by a table of {CLSID, create function} rows. The COM pointer is the platform layer's.
#pragma once

#include <windows.h>

#include <unknwn.h>

#include <atomic>
#include <new>
#include <span>
#include <utility>

#include "core/failure/Failure.h"
#include "platform/win32/ComPtr.h"

namespace quillet::shellext {

// Runs a COM method body so that no exception leaves it: an allocation failure becomes
// E_OUTOFMEMORY, anything else E_UNEXPECTED, each logged.
template <typename Body>
HRESULT ComBarrier(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return QUILLET_LOG_FAILURE(E_OUTOFMEMORY, "out of memory in a COM method");
    } catch (...) {
        return QUILLET_LOG_FAILURE(E_UNEXPECTED, "an exception in a COM method");
    }
}

// The HRESULT of the calling thread's last error; never a success code, even when the error was
// cleared by the failing call.
inline HRESULT LastErrorResult() {
    return FailureFromSystemError(GetLastError());
}

using platform::ComPtr;

// One row of an object's interface table: the IID and how to reach that interface from the object.
struct InterfaceRow {
    const IID* iid;
    IUnknown* (*cast)(void* object);
};

// The row for Interface, reached through Via when Interface is an ambiguous base (IDispatch through
// the object's dual interface).
template <typename Object, typename Interface, typename Via = Interface>
constexpr InterfaceRow InterfaceOf(const IID& iid) {
    return {&iid, [](void* object) -> IUnknown* {
                return static_cast<Interface*>(static_cast<Via*>(static_cast<Object*>(object)));
            }};
}

// IUnknown for a class Derived that implements Interfaces... and lists them in
// `static std::span<const InterfaceRow> InterfaceTable()`. The reference count is atomic. When an outer
// object is given, the interfaces' IUnknown methods delegate to it and the outer object owns this one through
// Inner(), the non-delegating IUnknown.
template <typename Derived, typename... Interfaces>
class ComObject : public Interfaces... {
  public:
    explicit ComObject(IUnknown* outer = nullptr) : inner_(this), controlling_(outer ? outer : &inner_) {}
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;
    virtual ~ComObject() = default;

    IFACEMETHODIMP QueryInterface(REFIID iid, void** result) override {
        return controlling_->QueryInterface(iid, result);
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return controlling_->AddRef(); }
    IFACEMETHODIMP_(ULONG) Release() override { return controlling_->Release(); }

    // The object's own IUnknown: identity for a standalone object, the handle that an outer object
    // keeps for an aggregated one.
    IUnknown* Inner() { return &inner_; }
    // The references held on the object itself (an aggregated object's outer references excluded).
    ULONG References() const { return inner_.References(); }

  private:
    class NonDelegating final : public IUnknown {
      public:
        explicit NonDelegating(ComObject* object) : object_(object) {}

        IFACEMETHODIMP QueryInterface(REFIID iid, void** result) override {
            if (!result) {
                return E_POINTER;
            }
            *result = nullptr;
            if (IsEqualIID(iid, IID_IUnknown)) {
                *result = static_cast<IUnknown*>(this);
                AddRef();
                return S_OK;
            }
            for (const InterfaceRow& row : Derived::InterfaceTable()) {
                if (IsEqualIID(iid, *row.iid)) {
                    IUnknown* found = row.cast(static_cast<Derived*>(object_));
                    found->AddRef();
                    *result = found;
                    return S_OK;
                }
            }
            return E_NOINTERFACE;
        }
        IFACEMETHODIMP_(ULONG) AddRef() override { return ++references_; }
        IFACEMETHODIMP_(ULONG) Release() override {
            const ULONG left = --references_;
            if (left == 0) {
                delete object_;
            }
            return left;
        }
        ULONG References() const { return references_; }

      private:
        ComObject* object_;
        std::atomic<ULONG> references_{1};
    };

    NonDelegating inner_;
    IUnknown* controlling_;
};

// How a class factory makes an object: a new object (aggregated into outer when given) queried for
// iid; the new object is destroyed at once when it does not give iid.
using CreateFunction = HRESULT (*)(IUnknown* outer, REFIID iid, void** result);

// Makes a Derived object, taking over the reference the object is born with.
template <typename Derived>
HRESULT CreateComObject(IUnknown* outer, REFIID iid, void** result) {
    if (!result) {
        return E_POINTER;
    }
    *result = nullptr;
    // An outer object may only ask for our non-delegating IUnknown.
    if (outer && !IsEqualIID(iid, IID_IUnknown)) {
        return CLASS_E_NOAGGREGATION;
    }
    Derived* object = new (std::nothrow) Derived(outer);
    if (!object) {
        return E_OUTOFMEMORY;
    }
    ComPtr<IUnknown> inner;
    inner.Reset(object->Inner());
    return inner->QueryInterface(iid, result);
}

// A reference held on an object for a scope: an object running its own command outlives it even if
// the caller lets go of the object meanwhile.
class ReferenceHold {
  public:
    explicit ReferenceHold(IUnknown* object) {
        object->AddRef();
        object_.Reset(object);
    }

  private:
    ComPtr<IUnknown> object_;
};

// The module lock count: what DllCanUnloadNow consults.
class MModuleLock {
  public:
    virtual void Lock() = 0;
    virtual void Unlock() = 0;

  protected:
    ~MModuleLock() = default;
};

// One class factory for every class of the module; each instance serves one row of the object map.
class CClassFactory final : public ComObject<CClassFactory, IClassFactory> {
  public:
    static std::span<const InterfaceRow> InterfaceTable();

    CClassFactory(CreateFunction create, MModuleLock& lock) : create_(create), lock_(lock) {}

    IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** result) override;
    IFACEMETHODIMP LockServer(BOOL lock) override;

  private:
    CreateFunction create_;
    MModuleLock& lock_;
    // The locks taken through LockServer(TRUE): an unlock gives back only one of these, never a lock
    // that a live object holds.
    std::atomic<long> serverLocks_{0};
};

}  // namespace quillet::shellext
