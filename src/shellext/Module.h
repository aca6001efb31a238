// The module object of ScrivelShExt: the lock count that decides when COM may unload the module, the
// object map with its cached class factories, the type information behind IDispatch, and the
// registration of the server.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <atomic>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "shellext/ComSupport.h"

namespace quillet::shellext {

// One class the module serves.
struct ObjectMapEntry {
    const CLSID* clsid;
    CreateFunction create;
};

class CScrivelShExtModule final : public MModuleLock {
  public:
    CScrivelShExtModule(std::span<const ObjectMapEntry> objectMap, const GUID& libid, const GUID& dispatchIid,
                        UINT appIdScript, UINT classScript, const wchar_t* appId);

    // The module's instance handle, set when the module is loaded; until then the module answers
    // E_UNEXPECTED.
    void Attach(HINSTANCE instance) { instance_ = instance; }
    // At unload: releases the cached objects, unless the process is ending (then the libraries they
    // live in may already be gone).
    void Detach(bool processEnding);

    void Lock() override { ++locks_; }
    // Never below zero, which would keep the module loaded for good.
    void Unlock() override {
        for (long held = locks_.load(); held > 0;) {
            if (locks_.compare_exchange_weak(held, held - 1)) {
                return;
            }
        }
    }

    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** result);
    // S_OK only when no object, no server lock and no class factory handed out is alive: a host may
    // keep a factory from CoGetClassObject and call CreateInstance after COM asked this.
    HRESULT CanUnloadNow();
    // Machine-wide (HKEY_CLASSES_ROOT) or for the current user alone (HKCU\Software\Classes, no
    // administrator needed), from the same scripts.
    enum class Scope { Machine, User };
    HRESULT RegisterServer(Scope scope = Scope::Machine);
    HRESULT UnregisterServer(Scope scope = Scope::Machine);

    // The type information of the dual interface, loaded once from the module's type library; a new
    // reference for the caller.
    HRESULT DispatchTypeInfo(ITypeInfo** result);

  private:
    HRESULT RunScript(UINT resourceId, bool registering, Scope scope);
    HRESULT RegisterTypeLibrary(bool registering, Scope scope);

    std::span<const ObjectMapEntry> objectMap_;
    const GUID& libid_;
    const GUID& dispatchIid_;
    UINT appIdScript_;
    UINT classScript_;
    const wchar_t* appId_;

    HINSTANCE instance_ = nullptr;
    std::atomic<long> locks_{0};
    std::mutex mutex_;                              // guards the two caches below
    std::vector<ComPtr<CClassFactory>> factories_;  // one slot per object map row, made on first request
    ComPtr<ITypeInfo> typeInfo_;
};

// The one module object of the process.
CScrivelShExtModule& Module();

// Held by every live object of the module: the module stays loaded while one exists.
class ModuleLockHold {
  public:
    ModuleLockHold() { Module().Lock(); }
    ~ModuleLockHold() { Module().Unlock(); }
    ModuleLockHold(const ModuleLockHold&) = delete;
    ModuleLockHold& operator=(const ModuleLockHold&) = delete;
};

}  // namespace quillet::shellext
