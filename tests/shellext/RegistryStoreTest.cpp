// The registration-script interpreter against the real registry (Wine's), under a test key of the
// current user, so that the Win32 store's deletes and queries are checked as the in-memory one is.
#include <gtest/gtest.h>

#include <windows.h>

#include "core/registration/RegistryScript.h"
#include "platform/win32/Handles.h"
#include "shellext/RegistryStoreWin32.h"

namespace quillet::test {
namespace {

using registry::RegistryRoot;
using registry::RegistryValue;

constexpr char16_t kTestKey[] = u"Software\\QuilletRegistryStoreTest";

bool Exists(const std::u16string& path) {
    quillet::platform::UniqueRegistryKey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(path.c_str()), 0, KEY_READ,
                         key.Receive()) == ERROR_SUCCESS;
}

std::u16string Under(const char16_t* relative) {
    return std::u16string(kTestKey) + u"\\" + relative;
}

registry::RegistryScript Script() {
    registry::RegistryScript script;
    std::u16string error;
    EXPECT_TRUE(
        registry::ParseRegistryScript(u"HKCU { NoRemove Software { NoRemove QuilletRegistryStoreTest {"
                                      u"  Plain = s 'value' { val Named = d 7 Child = s 'c' }"
                                      u"  ForceRemove Replaced = s 'r' { Inner } } } }",
                                      {}, script, error));
    return script;
}

class RegistryStore : public ::testing::Test {
  protected:
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(kTestKey));
    }
    shellext::RegistryStoreWin32 store_;
};

TEST_F(RegistryStore, RegistersOnceAndKeepsOthersEntriesOnUnregistering) {
    const registry::RegistryScript script = Script();
    store_.CreateKey(RegistryRoot::CurrentUser, Under(u"Replaced\\Stale"));
    ASSERT_TRUE(registry::RegisterScript(script, store_).Succeeded());
    ASSERT_TRUE(registry::RegisterScript(script, store_).Succeeded());
    EXPECT_TRUE(Exists(Under(u"Plain\\Child")));
    EXPECT_TRUE(Exists(Under(u"Replaced\\Inner")));
    EXPECT_FALSE(Exists(Under(u"Replaced\\Stale"))) << "a replaced key is rewritten whole";
    DWORD named = 0;
    DWORD size = sizeof named;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(Under(u"Plain").c_str()),
                           L"Named", RRF_RT_REG_DWORD, nullptr, &named, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(named, 7u);

    // Someone else's entry inside a plain key keeps that key (without our values) in place.
    ASSERT_EQ(store_.CreateKey(RegistryRoot::CurrentUser, Under(u"Plain\\Theirs")), 0);
    ASSERT_TRUE(registry::UnregisterScript(script, store_).Succeeded());
    EXPECT_TRUE(Exists(Under(u"Plain\\Theirs")));
    EXPECT_FALSE(Exists(Under(u"Plain\\Child")));
    EXPECT_FALSE(Exists(Under(u"Replaced")));
    EXPECT_TRUE(Exists(kTestKey)) << "kept";
    bool hasSubkeys = false;
    bool hasValues = true;
    ASSERT_EQ(store_.QueryKey(RegistryRoot::CurrentUser, Under(u"Plain"), hasSubkeys, hasValues), 0);
    EXPECT_TRUE(hasSubkeys);
    EXPECT_FALSE(hasValues) << "our default and named values are gone";

    ASSERT_EQ(store_.DeleteTree(RegistryRoot::CurrentUser, Under(u"Plain")), 0);
    ASSERT_TRUE(registry::UnregisterScript(script, store_).Succeeded()) << "nothing left to remove";
    EXPECT_EQ(store_.DeleteTree(RegistryRoot::CurrentUser, Under(u"Plain")), registry::kRegistryNotFound);
    EXPECT_EQ(store_.DeleteValue(RegistryRoot::CurrentUser, std::u16string(kTestKey), u"Missing"),
              registry::kRegistryNotFound);
}

TEST_F(RegistryStore, AFailingKeyIsReportedWithItsStatus) {
    // A value that cannot be set because its key does not exist reports the registry's own status.
    EXPECT_EQ(store_.SetValue(RegistryRoot::CurrentUser, Under(u"Absent"), u"", RegistryValue::String(u"x")),
              registry::kRegistryNotFound);
    // Deleting a key that still has subkeys is refused by the registry, not silently done.
    ASSERT_EQ(store_.CreateKey(RegistryRoot::CurrentUser, Under(u"Parent\\Child")), 0);
    EXPECT_NE(store_.DeleteKey(RegistryRoot::CurrentUser, Under(u"Parent")), 0);
    EXPECT_TRUE(Exists(Under(u"Parent\\Child")));
}

}  // namespace
}  // namespace quillet::test
