#include "shellext/Module.h"

#include <oleauto.h>

#include <string>

#include "SharedIds.h"
#include "core/registration/RegistryScript.h"
#include "platform/Paths.h"
#include "platform/Utf.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"
#include "shellext/RegistryStoreWin32.h"

namespace quillet::shellext {
namespace {

// Registration runs in the system's default locale, as the type library's registration expects;
// the caller's thread locale comes back on every path.
class ThreadLocaleScope {
  public:
    ThreadLocaleScope() : saved_(GetThreadLocale()) { SetThreadLocale(LOCALE_SYSTEM_DEFAULT); }
    ~ThreadLocaleScope() { SetThreadLocale(saved_); }
    ThreadLocaleScope(const ThreadLocaleScope&) = delete;
    ThreadLocaleScope& operator=(const ThreadLocaleScope&) = delete;

  private:
    LCID saved_;
};

// oleaut32 exports these, MinGW's headers do not declare them.
extern "C" {
WINOLEAUTAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* helpDirectory);
WINOLEAUTAPI UnRegisterTypeLibForUser(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND kind);
}

// A script that cannot be read or parsed: the module was built wrong.
constexpr HRESULT kBadScript = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);

bool LoadScriptText(HINSTANCE instance, UINT resourceId, std::u16string& text) {
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(resourceId), L"REGISTRY");
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) {
        return false;
    }
    text = Utf8ToUtf16(std::string_view(static_cast<const char*>(bytes), SizeofResource(instance, found)));
    return true;
}

}  // namespace

CScrivelShExtModule::CScrivelShExtModule(std::span<const ObjectMapEntry> objectMap, const GUID& libid,
                                         const GUID& dispatchIid, UINT appIdScript, UINT classScript,
                                         const wchar_t* appId)
    : objectMap_(objectMap),
      libid_(libid),
      dispatchIid_(dispatchIid),
      appIdScript_(appIdScript),
      classScript_(classScript),
      appId_(appId),
      factories_(objectMap.size()) {}

void CScrivelShExtModule::Detach(bool processEnding) {
    const std::lock_guard hold(mutex_);
    for (ComPtr<CClassFactory>& factory : factories_) {
        if (processEnding) {
            static_cast<void>(factory.Detach());  // our own memory: the process returns it
        } else {
            factory.Reset();
        }
    }
    if (processEnding) {
        // Releasing it could call into a library that the ending process has already unloaded.
        static_cast<void>(typeInfo_.Detach());
    } else {
        typeInfo_.Reset();
    }
    instance_ = nullptr;
}

HRESULT CScrivelShExtModule::GetClassObject(REFCLSID clsid, REFIID iid, void** result) {
    if (!result) {
        return E_POINTER;
    }
    *result = nullptr;
    if (!instance_) {
        return E_UNEXPECTED;
    }
    for (std::size_t row = 0; row < objectMap_.size(); ++row) {
        if (!IsEqualCLSID(clsid, *objectMap_[row].clsid)) {
            continue;
        }
        ComPtr<IClassFactory> factory;
        {
            const std::lock_guard hold(mutex_);
            if (!factories_[row]) {
                auto* made = new (std::nothrow) CClassFactory(objectMap_[row].create, *this);
                if (!made) {
                    return E_OUTOFMEMORY;
                }
                factories_[row].Reset(made);
            }
            factory.Reset(factories_[row].Share());
        }
        return factory->QueryInterface(iid, result);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CScrivelShExtModule::CanUnloadNow() {
    if (locks_ != 0) {
        return S_FALSE;
    }
    const std::lock_guard hold(mutex_);
    for (const ComPtr<CClassFactory>& factory : factories_) {
        if (factory && factory->References() > 1) {  // more than the cache's own reference
            return S_FALSE;
        }
    }
    return S_OK;
}

HRESULT CScrivelShExtModule::RunScript(UINT resourceId, bool registering, Scope scope) {
    std::u16string text;
    if (!LoadScriptText(instance_, resourceId, text)) {
        return LastErrorResult();
    }
    const std::u16string modulePath = platform::RunningModulePath();
    if (modulePath.empty()) {
        return LastErrorResult();
    }
    const registry::Replacements replacements = {
        {u"APPID", platform::FromWide(appId_)},
        {u"FIRSTMENUCLSID", u"{" QUILLET_FIRST_MENU_CLSID "}"},
        {u"MODULE", modulePath},
    };
    registry::RegistryScript script;
    std::u16string error;
    if (!registry::ParseRegistryScript(text, replacements, script, error)) {
        return kBadScript;
    }
    if (scope == Scope::User) {
        script = registry::ForCurrentUser(script);
    }
    RegistryStoreWin32 store;
    const registry::RegistryOutcome outcome =
        registering ? registry::RegisterScript(script, store) : registry::UnregisterScript(script, store);
    return outcome.Succeeded() ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(outcome.status));
}

HRESULT CScrivelShExtModule::RegisterTypeLibrary(bool registering, Scope scope) {
    const std::u16string modulePath = platform::RunningModulePath();
    if (modulePath.empty()) {
        return LastErrorResult();
    }
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(platform::AsWide(modulePath), REGKIND_NONE, library.Receive());
    if (FAILED(hr)) {
        return hr;
    }
    if (registering) {
        // The APIs take mutable strings. The help directory is the module's folder, where the help file
        // lies, given rather than left to each system's default, so that the installers write the same.
        std::wstring path(platform::AsWide(modulePath));
        std::wstring helpDirectory(platform::AsWide(platform::RunningModuleFolder()));
        return scope == Scope::User ? RegisterTypeLibForUser(library.Get(), path.data(), helpDirectory.data())
                                    : RegisterTypeLib(library.Get(), path.data(), helpDirectory.data());
    }
    TLIBATTR* lent = nullptr;
    hr = library->GetLibAttr(&lent);
    if (FAILED(hr)) {
        return hr;
    }
    const platform::TypeLibraryAttributes attributes({library.Get(), lent});
    const TLIBATTR libraryAttributes = *lent;
    // A library that is not registered (any more) is already what unregistering wants.
    platform::UniqueBstr registeredPath;
    if (FAILED(QueryPathOfRegTypeLib(libid_, libraryAttributes.wMajorVerNum, libraryAttributes.wMinorVerNum,
                                     libraryAttributes.lcid, registeredPath.Receive()))) {
        return S_OK;
    }
    if (scope == Scope::User) {
        return UnRegisterTypeLibForUser(libid_, libraryAttributes.wMajorVerNum,
                                        libraryAttributes.wMinorVerNum, libraryAttributes.lcid, SYS_WIN64);
    }
    return UnRegisterTypeLib(libid_, libraryAttributes.wMajorVerNum, libraryAttributes.wMinorVerNum,
                             libraryAttributes.lcid, SYS_WIN64);
}

HRESULT CScrivelShExtModule::RegisterServer(Scope scope) {
    if (!instance_) {
        return E_UNEXPECTED;
    }
    ThreadLocaleScope locale;
    HRESULT hr = RunScript(appIdScript_, true, scope);
    if (SUCCEEDED(hr)) {
        hr = RunScript(classScript_, true, scope);
    }
    if (SUCCEEDED(hr)) {
        hr = RegisterTypeLibrary(true, scope);
    }
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CScrivelShExtModule::UnregisterServer(Scope scope) {
    if (!instance_) {
        return E_UNEXPECTED;
    }
    ThreadLocaleScope locale;
    HRESULT hr = RunScript(classScript_, false, scope);
    if (SUCCEEDED(hr)) {
        hr = RegisterTypeLibrary(false, scope);
    }
    if (SUCCEEDED(hr)) {
        hr = RunScript(appIdScript_, false, scope);
    }
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CScrivelShExtModule::DispatchTypeInfo(ITypeInfo** result) {
    if (!result) {
        return E_POINTER;
    }
    *result = nullptr;
    const std::lock_guard hold(mutex_);
    if (!typeInfo_) {
        const std::u16string modulePath = platform::RunningModulePath();
        if (modulePath.empty()) {
            return LastErrorResult();
        }
        ComPtr<ITypeLib> library;
        HRESULT hr = LoadTypeLibEx(platform::AsWide(modulePath), REGKIND_NONE, library.Receive());
        if (SUCCEEDED(hr)) {
            hr = library->GetTypeInfoOfGuid(dispatchIid_, typeInfo_.Receive());
        }
        if (FAILED(hr)) {
            return hr;
        }
    }
    *result = typeInfo_.Share();
    return S_OK;
}

std::span<const InterfaceRow> CClassFactory::InterfaceTable() {
    static const InterfaceRow rows[] = {InterfaceOf<CClassFactory, IClassFactory>(IID_IClassFactory)};
    return rows;
}

IFACEMETHODIMP CClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** result) {
    return ComBarrier([&] { return create_(outer, iid, result); });
}

IFACEMETHODIMP CClassFactory::LockServer(BOOL lock) {
    if (lock) {
        ++serverLocks_;
        lock_.Lock();
        return S_OK;
    }
    // An unlock without a lock before it is ignored.
    for (long held = serverLocks_.load(); held > 0;) {
        if (serverLocks_.compare_exchange_weak(held, held - 1)) {
            lock_.Unlock();
            break;
        }
    }
    return S_OK;
}

}  // namespace quillet::shellext
