// The real ScrivelShExt.dll under Wine: registration through regsvr32, the exports, the class
// factory, the object's interfaces and its IDispatch. The tests share the prefix's registry, so they
// run in one process, one after the other.
#include <gtest/gtest.h>

#include <windows.h>

#include <oleauto.h>
#include <shobjidl.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "DropDataObject.h"
#include "RegisteredEntries.h"
#include "ScrivelShExt_h.h"
#include "ScrivelShExt_i.c"
#include "SharedIds.h"
#include "platform/Paths.h"
#include "platform/Utf.h"
#include "platform/win32/ComPtr.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WideString.h"

namespace {

using namespace quillet::test;
using quillet::Utf16ToUtf8;
using quillet::platform::ComApartment;
using quillet::platform::ComPtr;
using quillet::platform::EnterComApartment;
using quillet::platform::UniqueKernelObject;
using quillet::platform::UniqueMenu;
using quillet::platform::UniqueModule;

const CLSID kFirstMenuClsid = QUILLET_FIRST_MENU_CLSID_INIT;
const CLSID kOtherClsid = {0x12345678, 0x1234, 0x1234, {0x12, 0x34, 0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc}};

std::wstring ModuleFolder() {
    return quillet::platform::AsWide(quillet::platform::RunningModuleFolder());
}

std::wstring DllPath() {
    return ModuleFolder() + L"ScrivelShExt.dll";
}

// Runs regsvr32 silently and returns its exit code.
DWORD RunRegsvr32(const wchar_t* options) {
    std::wstring commandLine = L"regsvr32.exe " + std::wstring(options) + L" /s \"" + DllPath() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        ADD_FAILURE() << "regsvr32 did not start: " << GetLastError();
        return ~0u;
    }
    const UniqueKernelObject processOwner(process.hProcess);
    const UniqueKernelObject threadOwner(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = ~0u;
    GetExitCodeProcess(process.hProcess, &exitCode);
    return exitCode;
}

const wchar_t kTypeLibKey[] = L"TypeLib\\{A4D2F610-7C3B-4E59-9B12-6E8F0C5D3A27}";
const wchar_t kInterfaceKey[] = L"Interface\\{7E3A9C41-2B6D-4F80-9E15-C4A8D20F6B3E}";

TEST(ComServer, Regsvr32WritesExactlyTheEntriesOnceAndUnregisteringKeepsTheSharedKeys) {
    ASSERT_EQ(RunRegsvr32(L""), 0u);
    const std::string expected = ExpectedOwnEntries(DllPath());
    const std::string typeLibrary = ExpectedOwnEntries(DllPath(), kMachine, "registered-type-library.txt");
    EXPECT_EQ(DumpOwnKeys(), expected);
    EXPECT_EQ(DumpOwnKeys(kMachine, kTypeLibraryKeys), typeLibrary);

    ASSERT_EQ(RunRegsvr32(L""), 0u) << "registering twice";
    EXPECT_EQ(DumpOwnKeys(), expected);
    EXPECT_EQ(DumpOwnKeys(kMachine, kTypeLibraryKeys), typeLibrary);

    ASSERT_EQ(RunRegsvr32(L"/u"), 0u);
    EXPECT_EQ(DumpOwnKeys(), "");
    EXPECT_EQ(DumpOwnKeys(kMachine, kTypeLibraryKeys), "");
    for (const wchar_t* key : kSharedKeys) {
        EXPECT_TRUE(KeyExists(key)) << Narrow(key);
    }
    EXPECT_EQ(RunRegsvr32(L"/u"), 0u) << "unregistering twice";
}

TEST(ComServer, PerUserRegistrationWritesTheSameEntriesBelowTheUsersClassesOnly) {
    ASSERT_EQ(RunRegsvr32(L"/n /i:user"), 0u);
    const std::string expected = ExpectedOwnEntries(DllPath(), kUser);
    EXPECT_EQ(DumpOwnKeys(kUser), expected);
    const ClassesRoot machineClasses = {HKEY_LOCAL_MACHINE, L"Software\\Classes\\",
                                        "HKLM\\Software\\Classes"};
    EXPECT_EQ(DumpOwnKeys(machineClasses), "") << "nothing machine-wide";
    // Wine's RegisterTypeLibForUser registers the library machine-wide; Windows puts it with the user's.
    EXPECT_TRUE(KeyExists(kTypeLibKey, kUser) || KeyExists(kTypeLibKey));
    EXPECT_TRUE(KeyExists(kInterfaceKey, kUser) || KeyExists(kInterfaceKey));
    ASSERT_EQ(RunRegsvr32(L"/n /i:user"), 0u) << "registering twice";
    EXPECT_EQ(DumpOwnKeys(kUser), expected);

    ASSERT_EQ(RunRegsvr32(L"/u /n /i:user"), 0u);
    EXPECT_EQ(DumpOwnKeys(kUser), "");
    EXPECT_FALSE(KeyExists(kTypeLibKey, kUser) || KeyExists(kTypeLibKey));
    EXPECT_FALSE(KeyExists(kInterfaceKey, kUser) || KeyExists(kInterfaceKey));
    for (const wchar_t* key : kSharedKeys) {
        EXPECT_TRUE(KeyExists(key, kUser)) << Narrow(key);
    }
    EXPECT_EQ(RunRegsvr32(L"/u /n /i:user"), 0u) << "unregistering twice";
    EXPECT_NE(RunRegsvr32(L"/n /i:everyone"), 0u) << "an unknown scope";
    EXPECT_EQ(DumpOwnKeys(kUser), "");
}

// The module loaded into this process, with its exports.
class LoadedModule : public ::testing::Test {
  protected:
    using GetClassObjectFunction = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    using NoArgumentFunction = HRESULT(WINAPI*)();

    void SetUp() override {
        com_ = EnterComApartment();
        ASSERT_TRUE(com_);
        module_.Reset(LoadLibraryW(DllPath().c_str()));
        ASSERT_TRUE(module_);
        getClassObject_ = reinterpret_cast<GetClassObjectFunction>(
            reinterpret_cast<void*>(GetProcAddress(module_.Get(), "DllGetClassObject")));
        canUnloadNow_ = Export("DllCanUnloadNow");
        registerServer_ = Export("DllRegisterServer");
        unregisterServer_ = Export("DllUnregisterServer");
        ASSERT_TRUE(getClassObject_ && canUnloadNow_ && registerServer_ && unregisterServer_);
    }
    void TearDown() override {
        module_.Reset();
        com_.Reset();
    }

    NoArgumentFunction Export(const char* name) {
        return reinterpret_cast<NoArgumentFunction>(
            reinterpret_cast<void*>(GetProcAddress(module_.Get(), name)));
    }

    ComPtr<IClassFactory> Factory() {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(getClassObject_(CLSID_Scrivel, IID_IClassFactory, factory.ReceiveAny()), S_OK);
        return factory;
    }

    ComApartment com_;
    UniqueModule module_;
    GetClassObjectFunction getClassObject_ = nullptr;
    NoArgumentFunction canUnloadNow_ = nullptr;
    NoArgumentFunction registerServer_ = nullptr;
    NoArgumentFunction unregisterServer_ = nullptr;
};

TEST_F(LoadedModule, ClassObjectOnlyForItsOwnClass) {
    void* result = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject_(kOtherClsid, IID_IClassFactory, &result), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(getClassObject_(CLSID_Scrivel, IID_IClassFactory, nullptr), E_POINTER);
    result = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject_(CLSID_Scrivel, IID_IContextMenu, &result), E_NOINTERFACE);
    EXPECT_EQ(result, nullptr);

    const ComPtr<IClassFactory> first = Factory();
    const ComPtr<IClassFactory> second = Factory();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first.Get(), second.Get()) << "the factory is made once and cached";
}

TEST_F(LoadedModule, CanUnloadOnlyWhenNoObjectNoLockAndNoFactoryLives) {
    EXPECT_EQ(canUnloadNow_(), S_OK);
    ComPtr<IClassFactory> factory = Factory();
    ASSERT_TRUE(factory);
    EXPECT_EQ(canUnloadNow_(), S_FALSE) << "a host holds the factory and may create objects with it";
    ComPtr<IContextMenu> menu;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, menu.ReceiveAny()), S_OK);
    void* result = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &result), E_NOINTERFACE);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
    factory.Reset();
    EXPECT_EQ(canUnloadNow_(), S_FALSE) << "the live object keeps the module";
    menu.Reset();
    EXPECT_EQ(canUnloadNow_(), S_OK) << "the objects refused were destroyed at once";

    // Server locks, each through a factory that is let go again.
    const auto lockServer = [&](BOOL lock) {
        const ComPtr<IClassFactory> locking = Factory();
        return locking ? locking->LockServer(lock) : E_FAIL;
    };
    EXPECT_EQ(lockServer(FALSE), S_OK);
    EXPECT_EQ(canUnloadNow_(), S_OK) << "an unlock without a lock takes nothing away";
    EXPECT_EQ(lockServer(TRUE), S_OK);
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    factory = Factory();
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, menu.ReceiveAny()), S_OK);
    factory.Reset();
    EXPECT_EQ(lockServer(FALSE), S_OK);
    EXPECT_EQ(lockServer(FALSE), S_OK);
    EXPECT_EQ(canUnloadNow_(), S_FALSE) << "one unlock too many keeps the live object's lock";
    menu.Reset();
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

// A host that keeps the factory of CoGetClassObject while COM frees unused libraries: the module must
// stay, or the host's next CreateInstance runs code that is gone.
TEST(ComServer, CoFreeUnusedLibrariesKeepsTheModuleWhileAHostHoldsItsFactory) {
    ASSERT_EQ(RunRegsvr32(L""), 0u);
    ComApartment com = EnterComApartment();
    ASSERT_TRUE(com);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(CoGetClassObject(CLSID_Scrivel, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               factory.ReceiveAny()),
              S_OK);
    CoFreeUnusedLibrariesEx(0, 0);
    ASSERT_NE(GetModuleHandleW(L"ScrivelShExt.dll"), nullptr) << "unloaded under the host's factory";
    ComPtr<IContextMenu> menu;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, menu.ReceiveAny()), S_OK);
    menu.Reset();
    factory.Reset();
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_EQ(GetModuleHandleW(L"ScrivelShExt.dll"), nullptr) << "unloaded once nothing holds it";
    com.Reset();
    EXPECT_EQ(RunRegsvr32(L"/u"), 0u);
}

// A menu may outlive the handler that filled it: the module, whose bitmaps it shows, must stay until the
// menu is gone, and its bitmaps go with it. A thousand loads and unloads leave no bitmap behind (Windows
// counts a process's GDI objects; Wine counts none).
TEST(ComServer, MenuBitmapsLiveWhileAMenuMayShowThemAndGoWithTheModule) {
    ComApartment com = EnterComApartment();
    ASSERT_TRUE(com);
    for (const wchar_t* library : {L"comctl32.dll", L"shlwapi.dll", L"version.dll"}) {
        LoadLibraryW(library);  // the module's imports stay loaded, as in Explorer
    }
    const DWORD objects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int cycle = 0; cycle < 1000; ++cycle) {
        UniqueModule module(LoadLibraryW(DllPath().c_str()));
        ASSERT_TRUE(module);
        const auto getClassObject = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
            reinterpret_cast<void*>(GetProcAddress(module.Get(), "DllGetClassObject")));
        const auto canUnloadNow = reinterpret_cast<HRESULT(WINAPI*)()>(
            reinterpret_cast<void*>(GetProcAddress(module.Get(), "DllCanUnloadNow")));
        UniqueMenu menu(CreatePopupMenu());
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_CHECKMARKS;
        {
            ComPtr<IClassFactory> factory;
            ComPtr<IShellExtInit> init;
            ComPtr<IContextMenu> handler;
            ASSERT_EQ(getClassObject(CLSID_Scrivel, IID_IClassFactory, factory.ReceiveAny()), S_OK);
            ASSERT_EQ(factory->CreateInstance(nullptr, IID_IShellExtInit, init.ReceiveAny()), S_OK);
            ASSERT_EQ(init->Initialize(nullptr, MakeDropData({DllPath()}).Get(), nullptr), S_OK);
            ASSERT_EQ(init->QueryInterface(IID_IContextMenu, handler.ReceiveAny()), S_OK);
            ASSERT_TRUE(SUCCEEDED(handler->QueryContextMenu(menu.Get(), 0, 1, 0x7FFF, CMF_NORMAL)));
            ASSERT_TRUE(GetMenuItemInfoW(menu.Get(), 0, TRUE, &item) && item.hbmpUnchecked);
        }
        ASSERT_EQ(canUnloadNow(), S_FALSE) << "the menu still shows the module's bitmap";
        menu.Reset();
        ASSERT_EQ(canUnloadNow(), S_OK);
        module.Reset();
        ASSERT_EQ(GetObjectType(item.hbmpUnchecked), 0u) << "the bitmap of load " << cycle << " stayed";
    }
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), objects);
    com.Reset();
}

TEST_F(LoadedModule, ObjectAnswersItsFiveInterfacesWithOneIdentity) {
    IUnknown* object = nullptr;
    ASSERT_EQ(Factory()->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object)), S_OK);

    for (const IID* iid :
         {&IID_IUnknown, &IID_IScrivel, &IID_IDispatch, &IID_IShellExtInit, &IID_IContextMenu}) {
        ComPtr<IUnknown> found;
        ASSERT_EQ(object->QueryInterface(*iid, found.ReceiveAny()), S_OK);
        ComPtr<IUnknown> identity;
        ASSERT_EQ(found->QueryInterface(IID_IUnknown, identity.ReceiveAny()), S_OK);
        EXPECT_EQ(identity.Get(), object);
    }
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(object->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

// A minimal outer object that aggregates the handler and counts the references made to it.
class Outer final : public IUnknown {
  public:
    IFACEMETHODIMP QueryInterface(REFIID iid, void** result) override {
        ++queries;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *result = this;
            AddRef();
            return S_OK;
        }
        return inner ? inner->QueryInterface(iid, result) : E_NOINTERFACE;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return ++references; }
    IFACEMETHODIMP_(ULONG) Release() override { return --references; }

    IUnknown* inner = nullptr;
    ULONG references = 1;
    int queries = 0;
};

TEST_F(LoadedModule, AggregatedObjectDelegatesToItsOuterObject) {
    ComPtr<IClassFactory> factory = Factory();
    ASSERT_TRUE(factory);
    Outer outer;
    void* refused = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IContextMenu, &refused), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(refused, nullptr);
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);
    factory.Reset();

    ComPtr<IContextMenu> menu;
    ASSERT_EQ(outer.QueryInterface(IID_IContextMenu, menu.ReceiveAny()), S_OK);
    EXPECT_EQ(outer.references, 2u) << "the inner interface counts on the outer object";
    ComPtr<IUnknown> identity;
    ASSERT_EQ(menu->QueryInterface(IID_IUnknown, identity.ReceiveAny()), S_OK);
    EXPECT_EQ(identity.Get(), &outer);
    identity.Reset();
    menu.Reset();
    EXPECT_EQ(outer.references, 1u);
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    EXPECT_EQ(outer.inner->Release(), 0u);
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(LoadedModule, DispatchIsServedFromTheTypeLibrary) {
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(Factory()->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);

    UINT count = 0;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> typeInfo;
    EXPECT_EQ(dispatch->GetTypeInfo(1, 0, typeInfo.Receive()), DISP_E_BADINDEX);
    ASSERT_EQ(dispatch->GetTypeInfo(0, 0, typeInfo.Receive()), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(typeInfo->GetTypeAttr(&attributes), S_OK);
    const quillet::platform::TypeAttributes attributesOwner({typeInfo.Get(), attributes});
    EXPECT_TRUE(IsEqualGUID(attributes->guid, IID_IScrivel));
    EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
    quillet::platform::UniqueBstr documentation;
    ASSERT_EQ(typeInfo->GetDocumentation(MEMBERID_NIL, nullptr, documentation.Receive(), nullptr, nullptr),
              S_OK);
    EXPECT_EQ(Narrow(documentation.Get()), "IScrivel Interface");

    // The interface declares no members: names and ids are answered as the library says.
    wchar_t name[] = L"Rename";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_IDispatch, names, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);
    DISPPARAMS none{};
    EXPECT_EQ(dispatch->Invoke(4711, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(dispatch->Release(), 0u);
}

TEST_F(LoadedModule, InitializeTakesTheSelectionFromAFileList) {
    IShellExtInit* init = nullptr;
    ASSERT_EQ(Factory()->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init)), S_OK);
    EXPECT_EQ(init->Initialize(nullptr, quillet::test::MakeDropData({L"C:\\a.txt", L"C:\\b"}).Get(), nullptr),
              S_OK);
    EXPECT_EQ(init->Initialize(nullptr, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(init->Initialize(nullptr, quillet::test::MakeDropData({}).Get(), nullptr), E_INVALIDARG);
    EXPECT_EQ(init->Release(), 0u);
}

TEST_F(LoadedModule, RegistrationKeepsTheCallersThreadLocaleAndComCreatesTheRegisteredClass) {
    const LCID german = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);
    ASSERT_TRUE(SetThreadLocale(german));
    ASSERT_EQ(registerServer_(), S_OK);
    EXPECT_EQ(GetThreadLocale(), german);

    ComPtr<IContextMenu> menu;
    EXPECT_EQ(
        CoCreateInstance(CLSID_Scrivel, nullptr, CLSCTX_INPROC_SERVER, IID_IContextMenu, menu.ReceiveAny()),
        S_OK);
    ComPtr<IExplorerCommand> firstMenu;
    EXPECT_EQ(CoCreateInstance(kFirstMenuClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IExplorerCommand,
                               firstMenu.ReceiveAny()),
              S_OK);
    ComPtr<ITypeLib> library;
    EXPECT_EQ(LoadRegTypeLib(LIBID_ScrivelShExtLib, 1, 0, 0, library.Receive()), S_OK);
    menu.Reset();
    firstMenu.Reset();
    library.Reset();

    ASSERT_EQ(unregisterServer_(), S_OK);
    EXPECT_EQ(GetThreadLocale(), german);
    EXPECT_EQ(
        CoCreateInstance(CLSID_Scrivel, nullptr, CLSCTX_INPROC_SERVER, IID_IContextMenu, menu.ReceiveAny()),
        REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoCreateInstance(kFirstMenuClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IExplorerCommand,
                               firstMenu.ReceiveAny()),
              REGDB_E_CLASSNOTREG);
}

// An array of one shell item, parsed from a path or a "::{CLSID}" name.
ComPtr<IShellItemArray> ItemArray(const std::wstring& name) {
    ComPtr<IShellItem> item;
    ComPtr<IShellItemArray> items;
    EXPECT_EQ(SHCreateItemFromParsingName(name.c_str(), nullptr, IID_IShellItem, item.ReceiveAny()), S_OK);
    if (item) {
        EXPECT_EQ(SHCreateShellItemArrayFromShellItem(item.Get(), IID_IShellItemArray, items.ReceiveAny()),
                  S_OK);
    }
    return items;
}

TEST_F(LoadedModule, FirstMenuHidesWithoutFileSystemItemsAndTakesItsIconsFromTheModule) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject_(kFirstMenuClsid, IID_IClassFactory, factory.ReceiveAny()), S_OK);
    ComPtr<IExplorerCommand> root;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IExplorerCommand, root.ReceiveAny()), S_OK);
    // Each icon is "module path,-id" naming an icon resource of the module.
    const auto expectModuleIcon = [&](IExplorerCommand* command) {
        quillet::platform::CoTaskMemory<wchar_t> icon;
        ASSERT_EQ(command->GetIcon(nullptr, icon.Receive()), S_OK);
        const std::wstring reference(icon.Get());
        const std::wstring prefix = DllPath() + L",-";
        ASSERT_EQ(reference.substr(0, prefix.size()), prefix);
        const int id = std::stoi(reference.substr(prefix.size()));
        EXPECT_NE(LoadImageW(module_.Get(), MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE), nullptr)
            << id;
    };
    expectModuleIcon(root.Get());

    // My Computer has no file-system path: nothing to show.
    const ComPtr<IShellItemArray> computer = ItemArray(L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}");
    const ComPtr<IShellItemArray> file = ItemArray(DllPath());
    const auto enumerate = [&](IShellItemArray* items, EXPCMDSTATE state) {
        EXPCMDSTATE answered = ECS_DISABLED;
        EXPECT_EQ(root->GetState(items, FALSE, &answered), S_OK);
        EXPECT_EQ(answered, state);
        ComPtr<IEnumExplorerCommand> commands;
        EXPECT_EQ(root->EnumSubCommands(commands.Receive()), S_OK);
        return commands;
    };
    for (IShellItemArray* items : {static_cast<IShellItemArray*>(nullptr), computer.Get()}) {
        ComPtr<IExplorerCommand> command;
        ULONG fetched = 1;
        EXPECT_EQ(enumerate(items, ECS_HIDDEN)->Next(1, command.Receive(), &fetched), S_FALSE);
        EXPECT_EQ(fetched, 0u);
    }
    const ComPtr<IEnumExplorerCommand> commands = enumerate(file.Get(), ECS_ENABLED);
    ComPtr<IExplorerCommand> command;
    int count = 0;
    for (ULONG fetched = 0; commands->Next(1, command.Receive(), &fetched) == S_OK; ++count) {
        expectModuleIcon(command.Get());
    }
    EXPECT_GT(count, 0);
}

}  // namespace
