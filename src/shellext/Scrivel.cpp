#include "shellext/Scrivel.h"

#include <oleauto.h>

#include <algorithm>
#include <string>

#include "core/commands/CommandFile.h"
#include "core/copy/CopyText.h"
#include "platform/win32/WideString.h"
#include "shellext/DropList.h"
#include "shellext/FileCommands.h"
#include "shellext/MenuWin32.h"
#include "shellext/ui/OptionsDlg.h"

namespace quillet::shellext {

std::span<const InterfaceRow> CScrivel::InterfaceTable() {
    static const InterfaceRow rows[] = {
        InterfaceOf<CScrivel, IScrivel>(IID_IScrivel),
        InterfaceOf<CScrivel, IDispatch, IScrivel>(IID_IDispatch),
        InterfaceOf<CScrivel, IShellExtInit>(IID_IShellExtInit),
        InterfaceOf<CScrivel, IContextMenu>(IID_IContextMenu),
    };
    return rows;
}

CScrivel::CScrivel(IUnknown* outer)
    : ComObject(outer), commandMenu_(userCommandFile(), defaultCommandFile()) {}

IFACEMETHODIMP CScrivel::GetTypeInfoCount(UINT* count) {
    if (!count) {
        return E_POINTER;
    }
    *count = 1;
    return S_OK;
}

IFACEMETHODIMP CScrivel::GetTypeInfo(UINT index, LCID, ITypeInfo** result) {
    if (!result) {
        return E_POINTER;
    }
    *result = nullptr;
    if (index != 0) {
        return DISP_E_BADINDEX;
    }
    return ComBarrier([&] { return Module().DispatchTypeInfo(result); });
}

IFACEMETHODIMP CScrivel::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!IsEqualIID(iid, IID_NULL)) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    return ComBarrier([&] {
        ComPtr<ITypeInfo> typeInfo;
        const HRESULT hr = Module().DispatchTypeInfo(typeInfo.Receive());
        return FAILED(hr) ? hr : DispGetIDsOfNames(typeInfo.Get(), names, count, ids);
    });
}

IFACEMETHODIMP CScrivel::Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters,
                                VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
    if (!IsEqualIID(iid, IID_NULL)) {
        return DISP_E_UNKNOWNINTERFACE;
    }
    return ComBarrier([&] {
        ComPtr<ITypeInfo> typeInfo;
        const HRESULT hr = Module().DispatchTypeInfo(typeInfo.Receive());
        return FAILED(hr) ? hr
                          : DispInvoke(static_cast<IScrivel*>(this), typeInfo.Get(), member, flags,
                                       parameters, result, exception, argumentError);
    });
}

IFACEMETHODIMP CScrivel::Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY) {
    return ComBarrier([&] { return ReadDropList(data, selection_); });
}

IFACEMETHODIMP CScrivel::QueryContextMenu(HMENU menu, UINT index, UINT firstId, UINT lastId, UINT flags) {
    // Offsets of an earlier menu must not run or describe anything once this request builds none.
    commandMenu_.ForgetMenu();
    if (flags & CMF_DEFAULTONLY) {
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    }
    if (!menu) {
        return E_INVALIDARG;
    }
    return ComBarrier([&] {
        MenuRequest request;
        request.singleSelection = selection_.size() == 1;
        request.pasteAllowed = request.singleSelection && ClipboardHoldsValidNewName();
        request.position = index;
        request.firstId = firstId;
        request.lastId = lastId;
        PopupMenuSink sink(menu, menuBitmaps_);
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, commandMenu_.Build(request, sink));
    });
}

IFACEMETHODIMP CScrivel::InvokeCommand(CMINVOKECOMMANDINFO* info) {
    // Commands are run by offset only; a verb given as a string has a non-zero high word.
    if (!info || reinterpret_cast<UINT_PTR>(info->lpVerb) > 0xFFFF) {
        return E_INVALIDARG;
    }
    const Command* command = commandMenu_.CommandAt(LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb)));
    if (!command) {
        return E_INVALIDARG;
    }
    return ComBarrier([&] {
        // The object outlives its own command, even if the caller lets go of it meanwhile.
        AddRef();
        struct ReleaseAtEnd {
            CScrivel* self;
            ~ReleaseAtEnd() { self->Release(); }
        } release{this};
        RunCommand(*command, info->fMask);
        return S_OK;
    });
}

void CScrivel::RunCommand(const Command& command, DWORD keyMask) {
    const std::vector<std::u16string> selection = selection_;
    const bool control = (keyMask & CMIC_MASK_CONTROL_DOWN) != 0;
    const bool shift = (keyMask & CMIC_MASK_SHIFT_DOWN) != 0;
    switch (command.type) {
        case CommandType::Quillet:
            if (control) {  // CTRL wins over SHIFT
                ShowOptionsDialog(selection);
            } else {
                CopySelection(selection,
                              MakeDefaultCopyFormat(shift ? PathComponent::Path : PathComponent::Name));
            }
            return;
        case CommandType::QuilletAndDelete:
            CopyAndDelete(selection);
            return;
        case CommandType::PasteFileName:
            PasteFileName(selection, false);
            return;
        case CommandType::PasteFileNameNoExt:
            PasteFileName(selection, true);
            return;
        case CommandType::Options:
            ShowOptionsDialog(selection);
            return;
        case CommandType::Configure:
            StartConfigurationProgram(Module().ModulePath());
            return;
        case CommandType::UserDefined:
            CopySelection(selection, command.format);
            return;
        case CommandType::SubFolder:
            return;  // never in the command id map
    }
}

IFACEMETHODIMP CScrivel::GetCommandString(UINT_PTR commandOffset, UINT type, UINT*, CHAR* name, UINT size) {
    if ((type != GCS_HELPTEXTA && type != GCS_HELPTEXTW) || !name || commandOffset > 0xFFFFFFFF) {
        return E_INVALIDARG;
    }
    return ComBarrier([&] {
        const Command* command = commandMenu_.CommandAt(static_cast<std::uint32_t>(commandOffset));
        if (!command) {
            return E_INVALIDARG;
        }
        const std::u16string text = CommandHelpText(*command);
        if (size == 0) {
            return S_OK;  // no room even for the terminator
        }
        if (type == GCS_HELPTEXTW) {
            lstrcpynW(reinterpret_cast<wchar_t*>(name), platform::AsWide(text), static_cast<int>(size));
            return S_OK;
        }
        const int length = static_cast<int>(text.size()) + 1;  // with the terminator
        const int bytes = WideCharToMultiByte(CP_THREAD_ACP, 0, platform::AsWide(text), length, nullptr, 0,
                                              nullptr, nullptr);
        std::string converted(static_cast<std::size_t>(std::max(bytes, 1)), '\0');
        WideCharToMultiByte(CP_THREAD_ACP, 0, platform::AsWide(text), length, converted.data(), bytes,
                            nullptr, nullptr);
        lstrcpynA(name, converted.c_str(), static_cast<int>(size));
        return S_OK;
    });
}

}  // namespace quillet::shellext
