// The registration scripts' store over the Windows registry API (64-bit view).
#pragma once

#include "core/registration/RegistryScript.h"

namespace quillet::shellext {

class RegistryStoreWin32 final : public registry::MRegistryStore {
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
};

}  // namespace quillet::shellext
