// A scratch folder of a test's own with a short path, wherever the build tree lies.
//
// The product's interfaces hold paths in 128-byte buffers and refuse longer ones, so a
// test that composed its paths from the build or source folder would fail in a deep clone
// of the repository. Such a test makes its files here instead: a fresh folder below /tmp
// natively, or below the user's temporary folder under Windows (in the test's own Wine
// prefix), some thirty to fifty characters long. It is removed with everything in it
// (read-only files too) when the object goes.
#pragma once

#include <string>
#include <string_view>

namespace kolta::test {

class ScratchFolder {
 public:
  // Makes a new folder named "kolta-LABEL-" and a unique ending.
  explicit ScratchFolder(std::string_view label);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder, ending in the platform's separator ("/" natively, "\" under Windows);
  // empty when it could not be made.
  const std::string& path() const { return path_; }
  // `name` (a file or a folder, separators of the platform) inside the folder.
  std::string Path(std::string_view name) const { return path_ + std::string(name); }

  // Copies the file `source` into the folder as `name`; the copy's path, "" on failure.
  std::string CopyFileIn(const std::string& source, std::string_view name) const;
  // Copies the folder `source` (ending in the separator) with everything in it into the
  // folder as `name`; the copy's path, ending in the separator, or "" on failure.
  std::string CopyFolderIn(const std::string& source, std::string_view name) const;

 private:
  std::string path_;
};

}  // namespace kolta::test
