#include "mixer.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "mixer_table.h"
#include "wav_buffer.h"

namespace kolta::sound {
namespace {

MixerTable g_mixers;

constexpr DWORD kMinFrequency = 100;
constexpr DWORD kMaxFrequency = 100000;
constexpr DWORD kSilentAttenuation = 100;  // decibels; DirectSound's -10000 hundredths

MixerEntry* OpenMixer(int mixer) {
  if (mixer < 0 || mixer >= kMixerCount) return nullptr;
  MixerEntry& entry = g_mixers[static_cast<std::size_t>(mixer)];
  return entry.inUse && entry.device ? &entry : nullptr;
}

// A caller's sound name; nothing when it is null or does not fit a slot's name.
std::optional<std::string_view> SoundName(const char* name) {
  return ReadBoundedText(name, kTextBufferSize);
}

void ReleaseSlot(SoundSlot& slot) {
  if (slot.buffer) slot.buffer->Release();
  slot = SoundSlot{};
}

void ReleaseMixer(MixerEntry& entry) {
  for (SoundSlot& slot : entry.slots) ReleaseSlot(slot);
  if (entry.device) entry.device->Release();
  entry = MixerEntry{};
}

// The platform's comparison of the names in the user's locale, with equal length required
// as well: names that the locale sorts alike but that differ in length are not the same.
bool Matches(const SoundSlot& slot, const char* name) {
  return slot.buffer && lstrcmpA(slot.fileName.c_str(), name) == 0 &&
         lstrlenA(slot.fileName.c_str()) == lstrlenA(name);
}

// Playing, looping or lost.
bool IsBusy(IDirectSoundBuffer* buffer) {
  DWORD status = 0;
  return SUCCEEDED(buffer->GetStatus(&status)) && status != 0;
}

template <typename Condition>
SoundSlot* FindSlot(MixerEntry& entry, Condition condition) {
  const auto found = std::find_if(entry.slots.begin(), entry.slots.end(), condition);
  return found == entry.slots.end() ? nullptr : &*found;
}

// The first slot holding the named sound (busy or not).
SoundSlot* FindLoadedSound(MixerEntry& entry, const char* name) {
  if (!SoundName(name)) return nullptr;
  return FindSlot(entry, [name](const SoundSlot& slot) { return Matches(slot, name); });
}

SoundSlot* FindLoadedSound(int mixer, const char* name) {
  MixerEntry* entry = OpenMixer(mixer);
  return entry ? FindLoadedSound(*entry, name) : nullptr;
}

SoundSlot* FindBusySound(MixerEntry& entry, const char* name) {
  if (!SoundName(name)) return nullptr;
  return FindSlot(entry, [name](const SoundSlot& slot) {
    return Matches(slot, name) && IsBusy(slot.buffer);
  });
}

bool LoadIntoSlot(MixerEntry& entry, SoundSlot& slot, const char* name) {
  slot.buffer = LoadWavBuffer(entry.device, name);
  if (!slot.buffer) return false;
  slot.looped = 0;
  slot.fileName = InterfaceText(name);
  return true;
}

// Stops every busy buffer the predicate selects; 1, or 0 for no mixer.
template <typename Selected>
int StopSounds(int mixer, Selected selected) {
  MixerEntry* entry = OpenMixer(mixer);
  if (!entry) return 0;
  for (SoundSlot& slot : entry->slots) {
    if (slot.buffer && selected(slot) && IsBusy(slot.buffer)) slot.buffer->Stop();
  }
  return 1;
}

int PrimaryBufferHas(int mixer, DWORD capability) {
  MixerEntry* entry = OpenMixer(mixer);
  if (!entry) return 0;
  DSCAPS caps{};
  caps.dwSize = sizeof caps;
  static_assert(sizeof(DSCAPS) == 96);
  return SUCCEEDED(entry->device->GetCaps(&caps)) && (caps.dwFlags & capability) ? 1 : 0;
}

// DirectSound's volume in hundredths of a decibel for an attenuation in decibels.
LONG VolumeOf(DWORD attenuation) {
  return -100 * static_cast<LONG>(std::min(attenuation, kSilentAttenuation));
}

std::optional<int> AttenuationOf(IDirectSoundBuffer* buffer) {
  LONG volume = 0;
  if (FAILED(buffer->GetVolume(&volume))) return std::nullopt;
  return static_cast<int>(volume / -100);
}

// Where PlayMixW puts a sound that is not playing. The slots are scanned in order: the
// first one that is free (load the file there) or idle under that name (play it again)
// is taken; failing both, the last idle slot of another name (replaced). Busy slots are
// never touched.
struct PlayTarget {
  enum class Kind { Load, Reuse, Replace } kind;
  SoundSlot* slot;
};

std::optional<PlayTarget> ChoosePlayTarget(MixerEntry& entry, const char* name) {
  SoundSlot* candidate = nullptr;
  for (SoundSlot& slot : entry.slots) {
    if (!slot.buffer) return PlayTarget{PlayTarget::Kind::Load, &slot};
    if (IsBusy(slot.buffer)) continue;
    if (Matches(slot, name)) return PlayTarget{PlayTarget::Kind::Reuse, &slot};
    candidate = &slot;
  }
  if (!candidate) return std::nullopt;
  return PlayTarget{PlayTarget::Kind::Replace, candidate};
}

}  // namespace

MixerTable& Mixers() { return g_mixers; }

int InitMixer(HWND window, int reset) {
  if (reset) {
    for (MixerEntry& entry : g_mixers) ReleaseMixer(entry);
  }
  const auto free = std::find_if(g_mixers.begin(), g_mixers.end(),
                                 [](const MixerEntry& entry) { return !entry.inUse; });
  if (free == g_mixers.end()) return kNoMixer;
  IDirectSound* device = nullptr;
  if (FAILED(DirectSoundCreate(nullptr, &device, nullptr))) return kNoMixer;
  if (FAILED(device->SetCooperativeLevel(window, DSSCL_NORMAL))) {
    device->Release();
    return kNoMixer;
  }
  *free = MixerEntry{};
  free->inUse = 1;
  free->device = device;
  return static_cast<int>(free - g_mixers.begin());
}

int QuitMixer(int mixer) {
  MixerEntry* entry = OpenMixer(mixer);
  if (!entry) return 0;
  ReleaseMixer(*entry);
  return 1;
}

int PrimaryBufferIs16Bit(int mixer) { return PrimaryBufferHas(mixer, DSCAPS_PRIMARY16BIT); }

int PrimaryBufferIsStereo(int mixer) { return PrimaryBufferHas(mixer, DSCAPS_PRIMARYSTEREO); }

int LoadSound(int mixer, const char* name) {
  MixerEntry* entry = OpenMixer(mixer);
  if (!entry || !SoundName(name)) return 0;
  if (FindLoadedSound(*entry, name)) return 1;
  SoundSlot* free = FindSlot(*entry, [](const SoundSlot& slot) { return !slot.buffer; });
  return free && LoadIntoSlot(*entry, *free, name) ? 1 : 0;
}

int StartSound(int mixer, const char* name, int loop) {
  MixerEntry* entry = OpenMixer(mixer);
  if (!entry || !SoundName(name)) return 0;
  // A sound that is playing goes on as it is: not restarted, its loop mode kept.
  if (FindBusySound(*entry, name)) return 1;
  const std::optional<PlayTarget> target = ChoosePlayTarget(*entry, name);
  if (!target) return 0;
  SoundSlot& slot = *target->slot;
  switch (target->kind) {
    case PlayTarget::Kind::Replace:
      ReleaseSlot(slot);
      [[fallthrough]];
    case PlayTarget::Kind::Load:
      if (!LoadIntoSlot(*entry, slot, name)) return 0;
      break;
    case PlayTarget::Kind::Reuse:  // keeps its volume and frequency
      break;
  }
  slot.looped = loop ? 1 : 0;
  slot.buffer->SetCurrentPosition(0);
  return SUCCEEDED(slot.buffer->Play(0, 0, loop ? DSBPLAY_LOOPING : 0)) ? 1 : 0;
}

int StopSound(int mixer, const char* name) {
  MixerEntry* entry = OpenMixer(mixer);
  if (!entry) return 0;
  if (SoundSlot* slot = FindBusySound(*entry, name)) slot->buffer->Stop();
  return 1;
}

int StopAllSounds(int mixer) {
  return StopSounds(mixer, [](const SoundSlot&) { return true; });
}

int StopAllSoundsExceptLooped(int mixer) {
  return StopSounds(mixer, [](const SoundSlot& slot) { return !slot.looped; });
}

int StopAllSoundsExcept(int mixer, const char* name) {
  const bool named = SoundName(name).has_value();
  return StopSounds(mixer, [&](const SoundSlot& slot) { return !named || !Matches(slot, name); });
}

int GetSoundFrequency(int mixer, DWORD* frequency, const char* name) {
  SoundSlot* slot = FindLoadedSound(mixer, name);
  return slot && frequency && SUCCEEDED(slot->buffer->GetFrequency(frequency)) ? 1 : 0;
}

int SetSoundFrequency(int mixer, DWORD frequency, const char* name) {
  SoundSlot* slot = FindLoadedSound(mixer, name);
  if (!slot) return 0;
  return SUCCEEDED(slot->buffer->SetFrequency(std::clamp(frequency, kMinFrequency, kMaxFrequency)))
             ? 1
             : 0;
}

int GetSoundAttenuation(int mixer, int* attenuation, const char* name) {
  SoundSlot* slot = FindLoadedSound(mixer, name);
  if (!slot || !attenuation) return 0;
  const std::optional<int> value = AttenuationOf(slot->buffer);
  if (!value) return 0;
  *attenuation = *value;
  return 1;
}

int SetSoundAttenuation(int mixer, DWORD attenuation, const char* name) {
  SoundSlot* slot = FindLoadedSound(mixer, name);
  return slot && SUCCEEDED(slot->buffer->SetVolume(VolumeOf(attenuation))) ? 1 : 0;
}

// Lowers a playing sound towards silence in `steps` equal steps, all at once; the sound
// goes on playing at the last level.
int FadeSound(int mixer, int steps, const char* name) {
  MixerEntry* entry = OpenMixer(mixer);
  if (!entry || steps == 0) return 0;
  SoundSlot* slot = FindBusySound(*entry, name);
  if (!slot) return 0;
  const std::optional<int> start = AttenuationOf(slot->buffer);
  if (!start) return 0;
  if (steps < 0) return 1;
  DWORD level = static_cast<DWORD>(std::clamp(*start, 0, static_cast<int>(kSilentAttenuation)));
  const DWORD step = (kSilentAttenuation - level) / static_cast<DWORD>(steps);
  // Steps of size 0 all set the same level: once is enough, however many were asked for.
  const int distinctSteps = step == 0 ? 1 : steps;
  for (int i = 0; i < distinctSteps; ++i) {
    level += step;
    if (FAILED(slot->buffer->SetVolume(VolumeOf(level)))) return 0;
  }
  return 1;
}

int IsSoundPlaying(int mixer, const char* name) {
  MixerEntry* entry = OpenMixer(mixer);
  return entry && FindBusySound(*entry, name) ? 1 : 0;
}

int IsSoundStopped(int mixer, const char* name) { return IsSoundPlaying(mixer, name) ? 0 : 1; }

}  // namespace kolta::sound
