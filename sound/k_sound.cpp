// The exported functions of K_SOUND: the plain __stdcall boundary around the mixer.

#define K_SOUND_BUILD
#include "K_SOUND.h"

#include "mixer.h"

namespace sound = kolta::sound;

int WINAPI InitMixW(HWND window, int reset) { return sound::InitMixer(window, reset); }
int WINAPI QuitMixW(int mixer) { return sound::QuitMixer(mixer); }
int WINAPI Is16Bit(int mixer) { return sound::PrimaryBufferIs16Bit(mixer); }
int WINAPI IsStereo(int mixer) { return sound::PrimaryBufferIsStereo(mixer); }
int WINAPI LoadMixW(int mixer, const char* fileName) { return sound::LoadSound(mixer, fileName); }

int WINAPI PlayMixW(int mixer, const char* fileName, int loop) {
  return sound::StartSound(mixer, fileName, loop);
}

int WINAPI StopMixW(int mixer, const char* fileName) { return sound::StopSound(mixer, fileName); }
int WINAPI StopAllMixW(int mixer) { return sound::StopAllSounds(mixer); }
int WINAPI StopAllMixWExceptLoop(int mixer) { return sound::StopAllSoundsExceptLooped(mixer); }

int WINAPI StopAllMixWExceptFileName(int mixer, const char* fileName) {
  return sound::StopAllSoundsExcept(mixer, fileName);
}

int WINAPI GetMixWFreguency(int mixer, DWORD* frequency, const char* fileName) {
  return sound::GetSoundFrequency(mixer, frequency, fileName);
}

int WINAPI SetMixWFreguency(int mixer, DWORD frequency, const char* fileName) {
  return sound::SetSoundFrequency(mixer, frequency, fileName);
}

int WINAPI GetMixWVolume(int mixer, int* attenuation, const char* fileName) {
  return sound::GetSoundAttenuation(mixer, attenuation, fileName);
}

int WINAPI SetMixWVolume(int mixer, DWORD attenuation, const char* fileName) {
  return sound::SetSoundAttenuation(mixer, attenuation, fileName);
}

int WINAPI SlienceMixWVolume(int mixer, int steps, const char* fileName) {
  return sound::FadeSound(mixer, steps, fileName);
}

int WINAPI IsMixWPlay(int mixer, const char* fileName) {
  return sound::IsSoundPlaying(mixer, fileName);
}

int WINAPI IsMixWStop(int mixer, const char* fileName) {
  return sound::IsSoundStopped(mixer, fileName);
}
