// The selection as Explorer hands it over: the full paths of a CF_HDROP data object.
#pragma once

#include <windows.h>

#include <objidl.h>

#include <string>
#include <vector>

namespace quillet::shellext {

// Reads the file list of the data object into paths, in its order. Each path is taken whole, however
// long: a path is never shortened (a cut path could name another, existing item); one that cannot be
// read whole (cut off by the end of the list's memory, or in the ANSI form with bytes the code page
// does not define) is left out. E_INVALIDARG, with paths untouched, when there is no data object, no
// file list, its memory cannot be locked, or no name can be read from it.
HRESULT ReadDropList(IDataObject* data, std::vector<std::u16string>& paths);

}  // namespace quillet::shellext
