// CScrivel: the object Explorer creates for each context menu on files and folders.
#pragma once

#include <windows.h>

#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <vector>

#include "ScrivelShExt_h.h"
#include "core/menu/CommandMenu.h"
#include "shellext/ComSupport.h"
#include "shellext/MenuBitmaps.h"
#include "shellext/Module.h"

namespace quillet::shellext {

class CScrivel final : public ComObject<CScrivel, IScrivel, IShellExtInit, IContextMenu> {
  public:
    static std::span<const InterfaceRow> InterfaceTable();

    explicit CScrivel(IUnknown* outer);

    // IDispatch, from the type library.
    IFACEMETHODIMP GetTypeInfoCount(UINT* count) override;
    IFACEMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** result) override;
    IFACEMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    IFACEMETHODIMP Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                          VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

    // IShellExtInit
    IFACEMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY progId) override;

    // IContextMenu
    IFACEMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT firstId, UINT lastId, UINT flags) override;
    IFACEMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override;
    IFACEMETHODIMP GetCommandString(UINT_PTR command, UINT type, UINT* reserved, CHAR* name,
                                    UINT size) override;

  private:
    ModuleLockHold moduleLock_;
    std::vector<std::u16string> selection_;  // full paths, in the order of the drop list
    CommandMenu commandMenu_;
};

}  // namespace quillet::shellext
