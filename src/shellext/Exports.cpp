// The module's four exports and its entry point; the module object does the work.
#include <windows.h>

#include "ScrivelShExt_h.h"
#include "ScrivelShExt_i.c"
#include "SharedIds.h"
#include "shellext/ComSupport.h"
#include "shellext/FirstMenu.h"
#include "shellext/MenuBitmaps.h"
#include "shellext/Module.h"
#include "shellext/Scrivel.h"

namespace quillet::shellext {
namespace {

constexpr UINT kAppIdScript = QUILLET_APPID_SCRIPT;
constexpr UINT kClassScript = QUILLET_CLASS_SCRIPT;
constexpr wchar_t kAppId[] = L"" QUILLET_APP_ID;

const ObjectMapEntry kObjectMap[] = {
    {&CLSID_Scrivel, &CreateComObject<CScrivel>},
    {&kFirstMenuClsid, &CreateComObject<CFirstMenuCommand>},
};

}  // namespace

CScrivelShExtModule& Module() {
    static CScrivelShExtModule module(kObjectMap, LIBID_ScrivelShExtLib, IID_IScrivel, kAppIdScript,
                                      kClassScript, kAppId);
    return module;
}

}  // namespace quillet::shellext

using quillet::shellext::ComBarrier;
using quillet::shellext::Module;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        Module().Attach(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        Module().Detach(reserved != nullptr);
    }
    return TRUE;
}

STDAPI DllCanUnloadNow() {
    // The menu bitmaps go with the module: a menu that outlived its handler may still show them.
    const HRESULT hr = Module().CanUnloadNow();
    return hr == S_OK && quillet::shellext::ModuleMenuBitmaps().MayBeShown() ? S_FALSE : hr;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** result) {
    return ComBarrier([&] { return Module().GetClassObject(clsid, iid, result); });
}

STDAPI DllRegisterServer() {
    return ComBarrier([] { return Module().RegisterServer(); });
}

STDAPI DllUnregisterServer() {
    return ComBarrier([] { return Module().UnregisterServer(); });
}

// regsvr32 /n /i:user registers for the current user alone, /u /n /i:user removes that again; without
// a command line DllInstall registers machine-wide as DllRegisterServer does.
STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
    return ComBarrier([&] {
        using Scope = quillet::shellext::CScrivelShExtModule::Scope;
        Scope scope = Scope::Machine;
        if (commandLine && *commandLine) {
            if (CompareStringOrdinal(commandLine, -1, L"user", -1, TRUE) != CSTR_EQUAL) {
                return E_INVALIDARG;
            }
            scope = Scope::User;
        }
        return install ? Module().RegisterServer(scope) : Module().UnregisterServer(scope);
    });
}
