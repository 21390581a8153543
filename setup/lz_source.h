// A source file read through the system's LZ expander, which gives the expanded data of a
// compressed file and the data of any other file as it stands. The expander (LZ32.DLL) is
// no library the system keeps loaded for every program, so a file of that name beside the
// setup would be found first if it were imported: it is loaded from the system folder by
// its full path instead, on first use.
#pragma once

#include <windows.h>

class LzSource {
 public:
  // Opens `path` for reading; not valid when it or the expander cannot be opened.
  explicit LzSource(const char* path);
  ~LzSource();
  LzSource(const LzSource&) = delete;
  LzSource& operator=(const LzSource&) = delete;

  bool valid() const { return handle_ >= 0; }
  // As LZSeek and LZRead: negative results are errors.
  LONG Seek(LONG offset, INT origin);
  INT Read(char* buffer, INT bytes);

 private:
  INT handle_ = -1;
};
