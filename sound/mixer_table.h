// The mixer table: the library's whole state, one fixed record with two mixers of ten
// sound slots each. The exported functions work on it through mixer.h; the tests read
// the slots' buffers here to check the mixer against DirectSound's own state.
#pragma once

#include <windows.h>
#include <mmsystem.h>  // the wave format records DirectSound uses
#include <dsound.h>

#include <array>

#include "bounded_text.h"

namespace kolta::sound {

inline constexpr int kMixerCount = 2;
inline constexpr int kSlotCount = 10;
// What InitMixW returns when it cannot open a mixer; every operation accepts it and
// does nothing.
inline constexpr int kNoMixer = -1;

struct SoundSlot {
  int looped = 0;            // loop flag of the last play (0 after loading)
  InterfaceText fileName;    // the sound's identity: the name it was loaded under
  IDirectSoundBuffer* buffer = nullptr;  // the slot is free while this is null
};

struct MixerEntry {
  int inUse = 0;
  std::array<SoundSlot, kSlotCount> slots;
  IDirectSound* device = nullptr;
};

using MixerTable = std::array<MixerEntry, kMixerCount>;

MixerTable& Mixers();

}  // namespace kolta::sound
