// Libraries of the system are loaded from the system folders by full path only, so that a
// DLL of the same name in the program's or the current folder (a downloads folder beside
// a copy of the medium, say) is never picked up instead.
#pragma once

#include <windows.h>

#include <optional>
#include <string_view>

#include "bounded_text.h"

namespace kolta {

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

// Loads the library `name` of the system folder; null when it is missing or does not load.
HMODULE LoadSystemFolderLibrary(std::string_view name);

// Restricts where the process looks for the DLLs it loads by name (and for those DLLs'
// own imports) to the system folder, where the system offers that (Windows 7 with its
// 2011 loader update, and every later Windows). False on older systems, which keep their
// search order.
bool RestrictDllSearchToSystem();

// Loads a library of a medium by its full path, with its own folder searched for the
// libraries it imports; null when it does not load. Where the DLL search is restricted,
// the system folder is searched too, and nothing else.
HMODULE LoadLibraryWithItsFolder(const char* path);

}  // namespace kolta
