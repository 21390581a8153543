// Owners of platform handles (Windows builds only): each is closed once, on every path.
#pragma once

#include <windows.h>

template <typename Handle, Handle Invalid, auto Close>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  bool valid() const { return handle_ != Invalid; }
  Handle get() const { return handle_; }
  void reset() {
    if (valid()) Close(handle_);
    handle_ = Invalid;
  }

 private:
  Handle handle_ = Invalid;
};

inline void CloseFile(HANDLE handle) { CloseHandle(handle); }
inline void CloseFind(HANDLE handle) { FindClose(handle); }
inline void ReleaseModule(HMODULE module) { FreeLibrary(module); }

// INVALID_HANDLE_VALUE is not a constant expression; its value is.
inline constexpr HANDLE kNoHandle = nullptr;

using FileHandle = UniqueHandle<HANDLE, kNoHandle, CloseFile>;
using FindHandle = UniqueHandle<HANDLE, kNoHandle, CloseFind>;
using ModuleHandle = UniqueHandle<HMODULE, nullptr, ReleaseModule>;

// CreateFileA and FindFirstFileA report failure as INVALID_HANDLE_VALUE.
inline HANDLE ValidOrNull(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

// An exported function of a library, by name or by ordinal (MAKEINTRESOURCEA), as the
// function pointer type it is declared with; null when absent.
template <typename Function>
Function ExportedFunction(HMODULE library, const char* nameOrOrdinal) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(library, nameOrOrdinal)));
}
