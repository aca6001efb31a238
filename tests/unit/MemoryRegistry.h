// An in-memory registry for the registration-script tests: keys and value names compared without
// regard to case, as the Windows registry compares them, and a way to make one key fail.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>

#include "core/registration/RegistryScript.h"

namespace quillet::test {

class MemoryRegistry final : public registry::MRegistryStore {
  public:
    using Root = registry::RegistryRoot;
    using Status = registry::RegistryStatus;

    Status CreateKey(Root root, const std::u16string& path) override;
    Status SetValue(Root root, const std::u16string& path, const std::u16string& name,
                    const registry::RegistryValue& value) override;
    Status DeleteValue(Root root, const std::u16string& path, const std::u16string& name) override;
    Status DeleteTree(Root root, const std::u16string& path) override;
    Status QueryKey(Root root, const std::u16string& path, bool& hasSubkeys, bool& hasValues) override;
    Status DeleteKey(Root root, const std::u16string& path) override;

    // Every change to this key (under any root) fails with the status from now on.
    void FailOn(const std::u16string& path, Status status) { failing_ = {Fold(path), status}; }

    // One line per key ("HKCR\a\b") and per value ("HKCR\a\b  [name] = text"), sorted, with the names
    // spelt as they were first created; for comparing whole registries in tests.
    std::string Dump() const;

  private:
    static std::u16string Fold(const std::u16string& text);
    std::u16string FullKey(Root root, const std::u16string& path) const;
    bool Fails(const std::u16string& path) const {
        return !failing_.first.empty() && Fold(path) == failing_.first;
    }

    std::map<std::u16string, std::u16string> keys_;  // folded full path -> spelling
    std::map<std::pair<std::u16string, std::u16string>, std::pair<std::u16string, registry::RegistryValue>>
        values_;
    std::pair<std::u16string, Status> failing_;
};

}  // namespace quillet::test
