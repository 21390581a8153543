#include "lz_source.h"

#include "system_library.h"
#include "win_handles.h"

namespace {

struct LzExpander {
  INT(WINAPI* open)(LPSTR path, LPOFSTRUCT info, WORD style);
  LONG(WINAPI* seek)(INT handle, LONG offset, INT origin);
  INT(WINAPI* read)(INT handle, LPSTR buffer, INT bytes);
  void(WINAPI* close)(INT handle);
};

// The expander's functions, all of them or none. Kept for the run once found; looked for
// again after a failure.
const LzExpander* SystemLzExpander() {
  static LzExpander expander{};
  if (expander.close != nullptr) return &expander;
  HMODULE library = kolta::LoadSystemFolderLibrary("LZ32.DLL");
  if (library == nullptr) return nullptr;
  const LzExpander found{
      ExportedFunction<decltype(LzExpander::open)>(library, "LZOpenFileA"),
      ExportedFunction<decltype(LzExpander::seek)>(library, "LZSeek"),
      ExportedFunction<decltype(LzExpander::read)>(library, "LZRead"),
      ExportedFunction<decltype(LzExpander::close)>(library, "LZClose")};
  if (!found.open || !found.seek || !found.read || !found.close) {
    FreeLibrary(library);
    return nullptr;
  }
  expander = found;  // the library stays loaded for the run
  return &expander;
}

}  // namespace

LzSource::LzSource(const char* path) {
  const LzExpander* lz = SystemLzExpander();
  if (lz == nullptr) return;
  OFSTRUCT info{};
  const INT handle = lz->open(const_cast<char*>(path), &info, OF_READ);
  handle_ = handle < 0 ? -1 : handle;
}

LzSource::~LzSource() {
  if (valid()) SystemLzExpander()->close(handle_);
}

LONG LzSource::Seek(LONG offset, INT origin) {
  return valid() ? SystemLzExpander()->seek(handle_, offset, origin) : -1;
}

INT LzSource::Read(char* buffer, INT bytes) {
  return valid() ? SystemLzExpander()->read(handle_, buffer, bytes) : -1;
}
