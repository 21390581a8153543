// Loads a WAV file into a new static DirectSound buffer.
#pragma once

#include <windows.h>
#include <mmsystem.h>  // the wave format records DirectSound uses
#include <dsound.h>

namespace kolta::sound {

// Flags of every sound buffer: static, mixed in software, with frequency, pan and volume
// controls and the precise play cursor.
inline constexpr DWORD kSoundBufferFlags = DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE |
                                           DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN |
                                           DSBCAPS_CTRLVOLUME | DSBCAPS_GETCURRENTPOSITION2;
static_assert(kSoundBufferFlags == 0x100EA);

// A buffer holding the samples of the file (a file of more than two channels as stereo,
// see BufferShapeOf), or null when the file cannot be opened or
// read, is no usable WAV file, or DirectSound refuses its format. A buffer whose samples
// could not all be read is released, never returned half filled.
IDirectSoundBuffer* LoadWavBuffer(IDirectSound* device, const char* fileName);

}  // namespace kolta::sound
