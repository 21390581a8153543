// The device libraries live in fixed system folders and are loaded from there by full
// path only, so that a DLL of the same name in the program's or the current folder is
// never picked up instead.
#pragma once

#include <windows.h>

#include <optional>
#include <string_view>

#include "bounded_text.h"
#include "win_handles.h"

namespace kolta::device {

enum class SystemFolder { Windows, System };

// The full path of a file in the Windows or the system folder; nothing when it does not fit.
std::optional<InterfaceText> SystemFolderFile(SystemFolder folder, std::string_view name);

// Whether a file (not a folder) of that name exists.
bool FileExists(const InterfaceText& path);

// Whether a module handle names a loaded library: the old loaders' error results are the
// values 0 to 31.
inline bool IsLoaded(HMODULE library) { return reinterpret_cast<UINT_PTR>(library) > 31; }

// Loads a library by its full path; null when the file is missing or does not load.
HMODULE LoadSystemLibrary(const InterfaceText& path);

}  // namespace kolta::device
