#include "MemoryRegistry.h"

#include "platform/Utf.h"

namespace quillet::test {

using registry::kRegistryNotFound;
using registry::kRegistrySuccess;

namespace {

const char16_t* RootName(registry::RegistryRoot root) {
    switch (root) {
        case registry::RegistryRoot::ClassesRoot:
            return u"HKCR";
        case registry::RegistryRoot::CurrentUser:
            return u"HKCU";
        case registry::RegistryRoot::LocalMachine:
            return u"HKLM";
        case registry::RegistryRoot::Users:
            return u"HKU";
        case registry::RegistryRoot::CurrentConfig:
            return u"HKCC";
    }
    return u"?";
}

bool IsBelow(const std::u16string& key, const std::u16string& parent) {
    return key.size() > parent.size() && key.compare(0, parent.size(), parent) == 0 &&
           key[parent.size()] == u'\\';
}

}  // namespace

std::u16string MemoryRegistry::Fold(const std::u16string& text) {
    std::u16string folded = text;
    for (char16_t& c : folded) {
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
    }
    return folded;
}

std::u16string MemoryRegistry::FullKey(Root root, const std::u16string& path) const {
    return std::u16string(RootName(root)) + u'\\' + path;
}

MemoryRegistry::Status MemoryRegistry::CreateKey(Root root, const std::u16string& path) {
    if (Fails(path)) {
        return failing_.second;
    }
    const std::u16string full = FullKey(root, path);
    for (std::size_t end = full.find(u'\\', 0); end != std::u16string::npos;
         end = full.find(u'\\', end + 1)) {
        keys_.emplace(Fold(full.substr(0, end)), full.substr(0, end));
    }
    keys_.emplace(Fold(full), full);
    return kRegistrySuccess;
}

MemoryRegistry::Status MemoryRegistry::SetValue(Root root, const std::u16string& path,
                                                const std::u16string& name,
                                                const registry::RegistryValue& value) {
    if (Fails(path)) {
        return failing_.second;
    }
    const std::u16string key = Fold(FullKey(root, path));
    if (!keys_.count(key)) {
        return kRegistryNotFound;
    }
    auto [entry, added] = values_.try_emplace({key, Fold(name)}, name, value);
    if (!added) {
        entry->second.second = value;
    }
    return kRegistrySuccess;
}

MemoryRegistry::Status MemoryRegistry::DeleteValue(Root root, const std::u16string& path,
                                                   const std::u16string& name) {
    if (Fails(path)) {
        return failing_.second;
    }
    return values_.erase({Fold(FullKey(root, path)), Fold(name)}) ? kRegistrySuccess : kRegistryNotFound;
}

MemoryRegistry::Status MemoryRegistry::DeleteTree(Root root, const std::u16string& path) {
    if (Fails(path)) {
        return failing_.second;
    }
    const std::u16string key = Fold(FullKey(root, path));
    if (!keys_.count(key)) {
        return kRegistryNotFound;
    }
    std::erase_if(keys_, [&](const auto& entry) { return entry.first == key || IsBelow(entry.first, key); });
    std::erase_if(values_, [&](const auto& entry) {
        return entry.first.first == key || IsBelow(entry.first.first, key);
    });
    return kRegistrySuccess;
}

MemoryRegistry::Status MemoryRegistry::QueryKey(Root root, const std::u16string& path, bool& hasSubkeys,
                                                bool& hasValues) {
    const std::u16string key = Fold(FullKey(root, path));
    if (!keys_.count(key)) {
        return kRegistryNotFound;
    }
    hasSubkeys = false;
    hasValues = false;
    for (const auto& entry : keys_) {
        hasSubkeys = hasSubkeys || IsBelow(entry.first, key);
    }
    for (const auto& entry : values_) {
        hasValues = hasValues || entry.first.first == key;
    }
    return kRegistrySuccess;
}

MemoryRegistry::Status MemoryRegistry::DeleteKey(Root root, const std::u16string& path) {
    if (Fails(path)) {
        return failing_.second;
    }
    bool hasSubkeys = false;
    bool hasValues = false;
    const Status status = QueryKey(root, path, hasSubkeys, hasValues);
    if (status != kRegistrySuccess) {
        return status;
    }
    if (hasSubkeys) {
        return 5;  // ERROR_ACCESS_DENIED, as the registry answers for a key with subkeys
    }
    return DeleteTree(root, path);
}

std::string MemoryRegistry::Dump() const {
    std::set<std::string> lines;
    for (const auto& [folded, spelling] : keys_) {
        lines.insert(Utf16ToUtf8(spelling));
    }
    for (const auto& [where, named] : values_) {
        const auto& [name, value] = named;
        const std::u16string text = value.kind == registry::RegistryValue::Kind::String
                                        ? value.text
                                        : Utf8ToUtf16(std::to_string(value.number));
        lines.insert(Utf16ToUtf8(keys_.at(where.first)) + "  [" + Utf16ToUtf8(name) +
                     "] = " + Utf16ToUtf8(text));
    }
    std::string dump;
    for (const std::string& line : lines) {
        dump += line + '\n';
    }
    return dump;
}

}  // namespace quillet::test
