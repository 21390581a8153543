// The mixer's operations, one per export of K_SOUND.dll (see K_SOUND.h for what each
// does). A mixer index other than 0 or 1, or of a mixer that is not open, is treated as
// kNoMixer; a name that is null or 128 characters long or longer matches no sound and
// cannot be loaded.
#pragma once

#include <windows.h>

namespace kolta::sound {

int InitMixer(HWND window, int reset);
int QuitMixer(int mixer);
int PrimaryBufferIs16Bit(int mixer);
int PrimaryBufferIsStereo(int mixer);
int LoadSound(int mixer, const char* name);
int StartSound(int mixer, const char* name, int loop);
int StopSound(int mixer, const char* name);
int StopAllSounds(int mixer);
int StopAllSoundsExceptLooped(int mixer);
int StopAllSoundsExcept(int mixer, const char* name);
int GetSoundFrequency(int mixer, DWORD* frequency, const char* name);
int SetSoundFrequency(int mixer, DWORD frequency, const char* name);
int GetSoundAttenuation(int mixer, int* attenuation, const char* name);
int SetSoundAttenuation(int mixer, DWORD attenuation, const char* name);
int FadeSound(int mixer, int steps, const char* name);
int IsSoundPlaying(int mixer, const char* name);
int IsSoundStopped(int mixer, const char* name);

}  // namespace kolta::sound
