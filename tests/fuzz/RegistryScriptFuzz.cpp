// Feeds arbitrary text (UTF-8) to the registration script parser and runs what it accepts against the
// in-memory registry of the unit tests: registering twice must leave what registering once leaves,
// unregistering must succeed twice over, and a script that keeps no key must leave nothing behind.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "MemoryRegistry.h"
#include "core/registration/RegistryScript.h"
#include "platform/Utf.h"

namespace {

using namespace quillet;
using namespace quillet::registry;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool KeepsAnyKey(const std::vector<ScriptKey>& keys) {
    for (const ScriptKey& key : keys) {
        if (key.disposition == ScriptKey::Disposition::Kept || KeepsAnyKey(key.subkeys)) {
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
    // A module path with the script's own quote and braces: it must stay one value.
    static const Replacements replacements = {
        {u"APPID", u"{C93E4B57-1A2F-4D68-B7C4-0F5E8A2D6B19}"},
        {u"MODULE", u"C:\\Ann's {Tools} %APPID%\\ScrivelShExt.DLL"},
    };
    RegistryScript script;
    std::u16string error;
    const bool parsed = ParseRegistryScript(text, replacements, script, error);
    Check(parsed == error.empty());
    if (!parsed) {
        Check(script.roots.empty());
        return 0;
    }

    test::MemoryRegistry registry;
    Check(RegisterScript(script, registry).Succeeded());
    const std::string once = registry.Dump();
    Check(RegisterScript(script, registry).Succeeded());
    Check(registry.Dump() == once);

    Check(UnregisterScript(script, registry).Succeeded());
    const std::string unregistered = registry.Dump();
    Check(UnregisterScript(script, registry).Succeeded());

    bool keeps = false;
    for (const ScriptRoot& root : script.roots) {
        keeps = keeps || KeepsAnyKey(root.keys);
    }
    // Only the roots themselves may be left (their lines hold no backslash).
    Check(keeps || unregistered.find('\\') == std::string::npos);
    return 0;
}
