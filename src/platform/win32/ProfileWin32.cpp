// Win32 side of the profile: the system's own initialization-file calls.
#include <windows.h>

#include "platform/Profile.h"
#include "platform/win32/WideString.h"

namespace quillet::platform {

int ReadProfileInt(const std::u16string& file, std::u16string_view section, std::u16string_view name,
                   int defaultValue) {
    const std::u16string sectionText(section);
    const std::u16string nameText(name);
    return static_cast<int>(
        GetPrivateProfileIntW(AsWide(sectionText), AsWide(nameText), defaultValue, AsWide(file)));
}

bool WriteProfileValue(const std::u16string& file, std::u16string_view section, std::u16string_view name,
                       std::u16string_view value) {
    const std::u16string sectionText(section);
    const std::u16string nameText(name);
    const std::u16string valueText(value);
    return WritePrivateProfileStringW(AsWide(sectionText), AsWide(nameText), AsWide(valueText),
                                      AsWide(file)) != FALSE;
}

}  // namespace quillet::platform
