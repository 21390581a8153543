// Files, a window and the WAV builder for the Windows sound tests; a test file takes
// them all with `using namespace kolta::test;`.
#pragma once

#include <windows.h>

#include <string>

#include "wav_builder.h"
#include "win_test_files.h"

namespace kolta::test {

// Folder of the generated WAV files, ending in "\".
inline constexpr char kSoundFolder[] = "C:\\sounds\\";

// What a sound test says when the mixer finds no device.
inline constexpr char kNoDevice[] = "DirectSound found no device (is the audio server running?)";

// Writes a WAV file into the sound folder; its full name, or "" on failure.
inline std::string WriteSound(const std::string& name, const std::string& content) {
  const std::string path = kSoundFolder + name;
  return WriteFile(path, content) ? path : std::string();
}

// A hidden window for the mixer's cooperative level.
inline HWND SoundWindow() {
  static HWND window = CreateWindowA("STATIC", "sound test", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                     nullptr, GetModuleHandleA(nullptr), nullptr);
  return window;
}

}  // namespace kolta::test
