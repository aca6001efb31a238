// The Windows Installer packages under Wine: each refuses a Windows older than the programs need,
// installs silently, puts its files where they belong with the versions that its File table gives,
// its Start menu entries and exactly the entries that the module's own registration writes (its type
// library's too); the per-machine one has every user's next sign-in register the first menu; the
// handler is created through COM from the installed module; the other scope's package is refused while it is
// installed; the same version rebuilt and a later version replace it, the later one with the module in use;
// uninstall removes all of it and keeps the user's files and the keys shared with other programs.
#include <gtest/gtest.h>

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "RegisteredEntries.h"
#include "platform/win32/Handles.h"

namespace {

using namespace quillet::test;
using namespace quillet::platform;

// A path of the build machine as Wine's Z: drive shows it.
std::wstring FromBuildMachine(const char* path) {
    std::wstring windows = L"Z:";
    for (const char* c = path; *c; ++c) {
        windows += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    }
    return windows;
}

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    CoTaskMemory<wchar_t> path;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, path.Receive()))) {
        folder = path.Get();
    }
    return folder;
}

// Runs the command line, its standard output into output when given; the exit code.
DWORD RunProgram(std::wstring commandLine, std::string* output = nullptr) {
    const std::filesystem::path captured =
        std::filesystem::temp_directory_path() / L"quillet-package-test.txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    FileHandle file(output ? CreateFileW(captured.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                           : INVALID_HANDLE_VALUE);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (file) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = file.Get();
        startup.hStdError = file.Get();
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, file.Valid(), 0,
                                        nullptr, nullptr, &startup, &process);
    file.Reset();
    if (!started) {
        ADD_FAILURE() << "did not start: " << Narrow(commandLine);
        return ~0u;
    }
    const UniqueKernelObject processOwner(process.hProcess);
    const UniqueKernelObject threadOwner(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = ~0u;
    GetExitCodeProcess(process.hProcess, &exitCode);
    if (output) {
        std::ifstream text(captured, std::ios::binary);
        std::stringstream read;
        read << text.rdbuf();
        *output = read.str();
    }
    return exitCode;
}

DWORD Msiexec(const wchar_t* action, const char* package, const wchar_t* options = L"") {
    return RunProgram(L"msiexec.exe " + std::wstring(action) + L" \"" + FromBuildMachine(package) +
                      L"\" /qn " + options);
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::wstring Value(HKEY key, const wchar_t* name) {
    wchar_t data[1024] = {};
    DWORD bytes = sizeof data - sizeof(wchar_t);
    return RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &bytes) ==
                   ERROR_SUCCESS
               ? std::wstring(data)
               : std::wstring();
}

// The file version of a module as "a.b.c.d".
std::string FileVersion(const std::wstring& path) {
    std::vector<BYTE> data(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT size = 0;
    if (data.empty() || !GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &size) || !info) {
        return {};
    }
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(info->dwFileVersionLS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionLS));
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        c = towlower(c);
    }
    return text;
}

// The replacements that wait for the next restart, one path a line.
std::wstring PendingRenames() {
    wchar_t data[8192] = {};
    DWORD bytes = sizeof data - 2 * sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager",
                     L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, data,
                     &bytes) != ERROR_SUCCESS) {
        return {};
    }
    std::wstring lines(data, bytes / sizeof(wchar_t));
    std::replace(lines.begin(), lines.end(), L'\0', L'\n');
    return Lower(lines);
}

// The Add/Remove Programs entries of the product, with the values of the last one seen.
struct ProgramEntry {
    int count = 0;
    std::string version, publisher, helpLink, installLocation;
};
ProgramEntry ProgramEntries() {
    ProgramEntry entry;
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        UniqueRegistryKey uninstallKey;
        if (RegOpenKeyExW(root, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", 0, KEY_READ,
                          uninstallKey.Receive()) != ERROR_SUCCESS) {
            continue;
        }
        const HKEY uninstall = uninstallKey.Get();
        for (DWORD index = 0;; ++index) {
            wchar_t name[256];
            DWORD length = static_cast<DWORD>(std::size(name));
            if (RegEnumKeyExW(uninstall, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                break;
            }
            UniqueRegistryKey productKey;
            if (RegOpenKeyExW(uninstall, name, 0, KEY_READ, productKey.Receive()) != ERROR_SUCCESS) {
                continue;
            }
            const HKEY product = productKey.Get();
            if (Value(product, L"DisplayName") == L"Quillet Pro") {
                entry = {entry.count + 1, Narrow(Value(product, L"DisplayVersion")),
                         Narrow(Value(product, L"Publisher")), Narrow(Value(product, L"HelpLink")),
                         Narrow(Value(product, L"InstallLocation"))};
            }
        }
    }
    return entry;
}

void SetKey(const ClassesRoot& where, const std::wstring& path, const wchar_t* text) {
    UniqueRegistryKey key;
    ASSERT_EQ(RegCreateKeyExW(where.root, (where.prefix + path).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              key.Receive(), nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
}

// The user's own command list and stored options, kept by every package step; what was there before
// comes back afterwards.
class UserFiles {
  public:
    UserFiles() : folder_(KnownFolder(FOLDERID_RoamingAppData) + L"\\Brantwell\\Quillet") {
        std::filesystem::create_directories(folder_);
        for (const wchar_t* name : kNames) {
            if (std::filesystem::exists(folder_ / name)) {
                std::filesystem::rename(folder_ / name, folder_ / (std::wstring(name) + L".aside"));
            }
            // A copy of the default list with a line of the user's: the menu still has its commands.
            std::ofstream(folder_ / name, std::ios::binary)
                << ReadFile(std::filesystem::path(QUILLET_SOURCE_DIR) / "data" / "Cmds.txt") << "; mine\r\n";
            contents_ += ReadFile(folder_ / name);
        }
    }
    ~UserFiles() {
        for (const wchar_t* name : kNames) {
            std::filesystem::remove(folder_ / name);
            if (std::filesystem::exists(folder_ / (std::wstring(name) + L".aside"))) {
                std::filesystem::rename(folder_ / (std::wstring(name) + L".aside"), folder_ / name);
            }
        }
    }
    std::string Contents() const {
        std::string contents;
        for (const wchar_t* name : kNames) {
            contents += ReadFile(folder_ / name);
        }
        return contents;
    }
    const std::string& Written() const { return contents_; }

  private:
    static constexpr const wchar_t* kNames[] = {L"Cmds.txt", L"ScrivelShExt.INI"};
    std::filesystem::path folder_;
    std::string contents_;
};

const char* const kPackageFiles[] = {"ScrivelShExt.dll", "ScrivelPrefs.exe", "quillet.exe",
                                     "Cmds.txt",         "QuilletPro.chm",   "Quillet.msix"};
const wchar_t* const kShortcuts[] = {L"Configure Quillet Pro.lnk", L"Quillet Pro Help.lnk"};

struct PackageRow {
    const char* name;
    const char* msi;
    const char* rebuiltMsi;  // the same version built again
    const char* laterMsi;    // a later version installed over it
    const char* otherMsi;    // the other scope's package, refused while this one is installed
    ClassesRoot classes;     // where its entries go
    std::wstring folder;     // where its files go
    bool comFindsIt;         // whether COM under Wine creates the handler from these entries
    bool everyUser;          // whether each user's next sign-in registers the first menu
};

// Sets the Windows version that Wine reports to msiexec (the build's prefix is Windows 7, older than
// the programs need); nullptr for the prefix's own.
void SetMsiexecWindows(const wchar_t* version) {
    const wchar_t* const key = L"Software\\Wine\\AppDefaults\\msiexec.exe";
    RegDeleteTreeW(HKEY_CURRENT_USER, key);
    if (version) {
        RegSetKeyValueW(HKEY_CURRENT_USER, key, L"Version", REG_SZ, version,
                        static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
    }
}

// A value of what Windows runs at each user's next sign-in (Active Setup), "" when there is none.
std::wstring SignIn(const wchar_t* name) {
    wchar_t data[1024] = {};
    DWORD bytes = sizeof data;
    return RegGetValueW(
               HKEY_LOCAL_MACHINE,
               L"Software\\Microsoft\\Active Setup\\Installed Components\\Brantwell.QuilletPro.FirstMenu",
               name, RRF_RT_REG_SZ, nullptr, data, &bytes) == ERROR_SUCCESS
               ? data
               : L"";
}

// A version as Active Setup compares it: "1,2,3".
std::wstring WithCommas(const char* version) {
    std::wstring commas(version, version + strlen(version));
    std::replace(commas.begin(), commas.end(), L'.', L',');
    return commas;
}

// One test for both packages: each Windows Installer run takes seconds under Wine.
TEST(Packages, InstallUpgradeAndUninstallSilently) {
    ComApartment com = EnterComApartment();
    ASSERT_TRUE(com);
    SetMsiexecWindows(L"win10");
    const ClassesRoot machineClasses = {HKEY_LOCAL_MACHINE, L"Software\\Classes\\",
                                        "HKLM\\Software\\Classes"};
    // Wine's COM looks up classes in HKEY_CLASSES_ROOT, which it does not merge with the user's
    // HKCU\Software\Classes: the per-user entries are read back, not activated.
    const PackageRow rows[] = {
        {"per-machine", QUILLET_MSI_MACHINE, QUILLET_MSI_MACHINE_REBUILT, QUILLET_MSI_MACHINE_LATER,
         QUILLET_MSI_USER, machineClasses, KnownFolder(FOLDERID_ProgramFiles) + L"\\Quillet", true, true},
        {"per-user", QUILLET_MSI_USER, QUILLET_MSI_USER_REBUILT, QUILLET_MSI_USER_LATER, QUILLET_MSI_MACHINE,
         kUser, KnownFolder(FOLDERID_LocalAppData) + L"\\Programs\\Quillet", false, false},
    };
    const std::wstring otherHandler = L"ShellEx\\ContextMenuHandlers\\SomeoneElse";
    const std::string version = QUILLET_VERSION ".0", laterVersion = QUILLET_LATER_VERSION ".0";
    // Wine's ProgramMenuFolder is the user's Start menu in both scopes; Windows gives a per-machine
    // install the common one.
    const std::filesystem::path startMenu(KnownFolder(FOLDERID_Programs));
    for (const PackageRow& row : rows) {
        SCOPED_TRACE(row.name);
        const UserFiles userFiles;
        // Other programs' handlers live beside ours, as on every Windows machine.
        for (const wchar_t* type : {L"*\\", L"Folder\\"}) {
            SetKey(row.classes, type + otherHandler, L"{00000000-0000-0000-0000-000000000001}");
        }
        const std::filesystem::path folder(row.folder);
        const std::wstring module = (folder / L"ScrivelShExt.dll").wstring();

        // The programs import functions of Windows 8.
        SetMsiexecWindows(L"win7");
        EXPECT_EQ(Msiexec(L"/i", row.msi), static_cast<DWORD>(ERROR_INSTALL_FAILURE));
        EXPECT_EQ(ProgramEntries().count, 0) << "installed on Windows 7";
        SetMsiexecWindows(L"win8");
        ASSERT_EQ(Msiexec(L"/i", row.msi), 0u);
        SetMsiexecWindows(L"win10");
        for (const char* file : kPackageFiles) {
            EXPECT_TRUE(std::filesystem::is_regular_file(folder / file)) << file;
        }
        const std::string typeLibrary =
            ExpectedOwnEntries(module, row.classes, "registered-type-library.txt");
        EXPECT_EQ(DumpOwnKeys(row.classes), ExpectedOwnEntries(module, row.classes));
        EXPECT_EQ(DumpOwnKeys(row.classes, kTypeLibraryKeys), typeLibrary);
        // The version that the File table gives them (checked in check-packages.sh).
        for (const char* program : {"ScrivelShExt.dll", "ScrivelPrefs.exe", "quillet.exe"}) {
            EXPECT_EQ(FileVersion((folder / program).wstring()), version) << program;
        }
        ProgramEntry entry = ProgramEntries();
        EXPECT_EQ(entry.count, 1);
        EXPECT_EQ(entry.version, QUILLET_VERSION);
        EXPECT_EQ(entry.publisher, "Brantwell");
        EXPECT_EQ(entry.helpLink, "") << "no link while the web address is the placeholder";
        EXPECT_EQ(entry.installLocation, Narrow(row.folder) + "\\");
        for (const wchar_t* link : kShortcuts) {
            EXPECT_TRUE(std::filesystem::is_regular_file(startMenu / link)) << Narrow(link);
        }

        if (row.comFindsIt) {
            std::string output;
            const std::wstring sample = (folder / L"QuilletPro.chm").wstring();
            EXPECT_EQ(
                RunProgram(L"\"" + FromBuildMachine(QUILLET_MENUHOST) +
                               L"\" --no-menu --invoke \"Copy Name\" --print-clipboard \"" + sample + L"\"",
                           &output),
                0u);
            EXPECT_NE(output.find("QuilletPro.chm"), std::string::npos) << output;
        }

        // The installer ran the Windows 11 registration too, and so does each user's next sign-in after a
        // per-machine install; Wine has no package deployment, which the program must say, never
        // claiming a success.
        const std::wstring registerCommand =
            L"\"" + (folder / L"ScrivelPrefs.exe").wstring() + L"\" /register-first-menu";
        EXPECT_EQ(SignIn(L"StubPath"), row.everyUser ? registerCommand : L"");
        EXPECT_EQ(SignIn(L"Version"), row.everyUser ? WithCommas(QUILLET_VERSION) : L"");
        std::string said;
        EXPECT_EQ(RunProgram(registerCommand, &said), 2u);
        EXPECT_NE(said.find("cannot register app packages"), std::string::npos) << said;
        EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\Brantwell\\Quillet", L"FirstMenuPackage",
                               RRF_RT_ANY, nullptr, nullptr, nullptr),
                  ERROR_FILE_NOT_FOUND);

        EXPECT_EQ(Msiexec(L"/i", row.otherMsi), static_cast<DWORD>(ERROR_INSTALL_FAILURE));
        EXPECT_EQ(ProgramEntries().count, 1) << "the other scope's package refused";

        ASSERT_EQ(Msiexec(L"/i", row.rebuiltMsi), 0u);
        entry = ProgramEntries();
        EXPECT_EQ(entry.count, 1) << "the rebuilt package replaces the installed one";
        EXPECT_EQ(entry.version, QUILLET_VERSION);

        // Explorer holds the module: the later one replaces it at the next restart.
        UniqueModule held(LoadLibraryW(module.c_str()));
        ASSERT_TRUE(held);
        EXPECT_EQ(Msiexec(L"/i", row.laterMsi, L"/norestart"),
                  static_cast<DWORD>(ERROR_SUCCESS_REBOOT_REQUIRED));
        EXPECT_NE(PendingRenames().find(Lower(module)), std::wstring::npos) << Narrow(PendingRenames());
        entry = ProgramEntries();
        EXPECT_EQ(entry.count, 1) << "one entry after the upgrade";
        EXPECT_EQ(entry.version, QUILLET_LATER_VERSION);
        for (const char* file : kPackageFiles) {
            EXPECT_TRUE(std::filesystem::is_regular_file(folder / file)) << file << " after the upgrade";
        }
        EXPECT_EQ(FileVersion((folder / L"ScrivelPrefs.exe").wstring()), laterVersion);
        EXPECT_EQ(DumpOwnKeys(row.classes), ExpectedOwnEntries(module, row.classes));
        EXPECT_EQ(DumpOwnKeys(row.classes, kTypeLibraryKeys), typeLibrary);
        EXPECT_EQ(SignIn(L"Version"), row.everyUser ? WithCommas(QUILLET_LATER_VERSION) : L"")
            << "registered again at each user's next sign-in";
        EXPECT_EQ(userFiles.Contents(), userFiles.Written());
        held.Reset();
        EXPECT_EQ(RunProgram(L"wineboot.exe -r"), 0u);  // a restart, as far as pending renames go
        EXPECT_EQ(FileVersion(module), laterVersion) << "after the restart";
        EXPECT_EQ(PendingRenames(), L"");

        // Uninstalled with the module held: Wine leaves it in place and schedules nothing, where
        // Windows would delete it at the next restart; everything else goes at once.
        held.Reset(LoadLibraryW(module.c_str()));
        const DWORD removed = Msiexec(L"/x", row.laterMsi, L"/norestart");
        EXPECT_TRUE(removed == 0 || removed == ERROR_SUCCESS_REBOOT_REQUIRED) << removed;
        held.Reset();
        for (const auto& file : std::filesystem::directory_iterator(folder)) {
            EXPECT_EQ(file.path().filename(), L"ScrivelShExt.dll") << "left behind";
        }
        std::filesystem::remove_all(folder);
        EXPECT_EQ(DumpOwnKeys(row.classes), "");
        EXPECT_EQ(DumpOwnKeys(row.classes, kTypeLibraryKeys), "");
        EXPECT_EQ(SignIn(L"StubPath"), L"");
        EXPECT_EQ(ProgramEntries().count, 0);
        for (const wchar_t* link : kShortcuts) {
            EXPECT_FALSE(std::filesystem::exists(startMenu / link)) << Narrow(link);
        }
        EXPECT_EQ(userFiles.Contents(), userFiles.Written());
        for (const wchar_t* type : {L"*\\", L"Folder\\"}) {
            EXPECT_TRUE(KeyExists(type + otherHandler, row.classes)) << Narrow(type);
            RegDeleteKeyW(row.classes.root, (row.classes.prefix + type + otherHandler).c_str());
        }
    }
    SetMsiexecWindows(nullptr);
}

}  // namespace
