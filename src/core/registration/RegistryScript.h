// Registration scripts: the text form in which a COM server describes its registry entries, e.g.
//
//     HKCR
//     {
//         NoRemove CLSID
//         {
//             ForceRemove {GUID} = s 'Scrivel Class'
//             {
//                 InprocServer32 = s '%MODULE%'
//                 {
//                     val ThreadingModel = s 'Apartment'
//                 }
//             }
//         }
//     }
//
// The parser turns the text into a tree; the interpreter writes the tree into a registry store or
// removes it again. One description serves both directions, so registering twice leaves one set of
// entries and unregistering removes exactly what registering wrote (apart from kept keys).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillet::registry {

// Status codes as the Windows registry API reports them. The interpreter tells only success and
// "not found" apart; every other code is a failure that stops the run.
using RegistryStatus = long;
inline constexpr RegistryStatus kRegistrySuccess = 0;
inline constexpr RegistryStatus kRegistryNotFound = 2;  // ERROR_FILE_NOT_FOUND

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };

struct RegistryValue {
    enum class Kind { String, Number };
    Kind kind = Kind::String;
    std::u16string text;       // Kind::String
    std::uint32_t number = 0;  // Kind::Number (a DWORD)

    static RegistryValue String(std::u16string text) { return {Kind::String, std::move(text), 0}; }
    static RegistryValue Number(std::uint32_t number) { return {Kind::Number, {}, number}; }
    friend bool operator==(const RegistryValue&, const RegistryValue&) = default;
};

// The registry as the interpreter sees it. Paths are relative to the root, parts joined by
// backslashes; an empty value name is the key's default value.
class MRegistryStore {
  public:
    virtual ~MRegistryStore() = default;
    // Creates the key (and missing parents) or opens an existing one.
    virtual RegistryStatus CreateKey(RegistryRoot root, const std::u16string& path) = 0;
    virtual RegistryStatus SetValue(RegistryRoot root, const std::u16string& path, const std::u16string& name,
                                    const RegistryValue& value) = 0;
    // kRegistryNotFound when the key or the value does not exist.
    virtual RegistryStatus DeleteValue(RegistryRoot root, const std::u16string& path,
                                       const std::u16string& name) = 0;
    // Deletes the key with everything below it; kRegistryNotFound when the key does not exist.
    virtual RegistryStatus DeleteTree(RegistryRoot root, const std::u16string& path) = 0;
    // Whether the key exists and holds any subkey or value; kRegistryNotFound when it does not exist.
    virtual RegistryStatus QueryKey(RegistryRoot root, const std::u16string& path, bool& hasSubkeys,
                                    bool& hasValues) = 0;
    // Deletes a key that has no subkeys.
    virtual RegistryStatus DeleteKey(RegistryRoot root, const std::u16string& path) = 0;
};

struct ScriptValue {
    std::u16string name;  // empty for the default value
    RegistryValue value;
};

struct ScriptKey {
    enum class Disposition {
        Plain,     // written at registration, removed at unregistration when nothing else lives in it
        Kept,      // "NoRemove": shared with others, never deleted
        Replaced,  // "ForceRemove": deleted whole before it is written, and deleted whole at unregistration
    };
    std::u16string name;
    Disposition disposition = Disposition::Plain;
    std::vector<ScriptValue> values;  // the default value (empty name) first when the script gives one
    std::vector<ScriptKey> subkeys;
};

struct ScriptRoot {
    RegistryRoot root = RegistryRoot::ClassesRoot;
    std::vector<ScriptKey> keys;
};

struct RegistryScript {
    std::vector<ScriptRoot> roots;
};

// Placeholder names (without the percent signs, compared without regard to case) and their texts.
using Replacements = std::vector<std::pair<std::u16string, std::u16string>>;

// Parses the script. "%NAME%" inside a key name or a value is replaced by its text, which is taken
// literally (a module path holding a quote or a brace cannot change the script's structure); "%%" is
// a percent sign. False with the message in error for a malformed script or an unknown placeholder;
// nothing is written then, as parsing comes before any registry access.
bool ParseRegistryScript(std::u16string_view text, const Replacements& replacements, RegistryScript& script,
                         std::u16string& error);

// The same script for the current user alone: its HKEY_CLASSES_ROOT keys move below
// HKEY_CURRENT_USER\Software\Classes, which Windows merges into HKEY_CLASSES_ROOT for that user and
// which needs no administrator. "Software" and "Classes" are kept keys: others live there too.
RegistryScript ForCurrentUser(const RegistryScript& script);

// The outcome of a run: success, or the first failing status and the key it concerned.
struct RegistryOutcome {
    RegistryStatus status = kRegistrySuccess;
    RegistryRoot root = RegistryRoot::ClassesRoot;
    std::u16string key;
    bool Succeeded() const { return status == kRegistrySuccess; }
};

// Writes the script's keys and values. Stops at the first failure.
RegistryOutcome RegisterScript(const RegistryScript& script, MRegistryStore& store);

// Removes what RegisterScript writes: replaced keys whole; plain keys' values, then the key itself
// when nothing else is left in it; kept keys stay. Keys already gone are not failures, so running it
// twice is safe. Stops at the first failure.
RegistryOutcome UnregisterScript(const RegistryScript& script, MRegistryStore& store);

}  // namespace quillet::registry
