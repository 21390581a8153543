// The mixer's rules under Wine's real DirectSound: every check reads the state of the
// buffers the mixer table holds (status, play cursor, frequency, volume, caps, format).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mixer.h"
#include "mixer_table.h"
#include "sound_test_files.h"

namespace {

namespace sound = kolta::sound;
using namespace kolta::test;

DWORD Status(IDirectSoundBuffer* buffer) {
  DWORD status = 0;
  EXPECT_EQ(buffer->GetStatus(&status), DS_OK);
  return status;
}

DWORD Frequency(IDirectSoundBuffer* buffer) {
  DWORD frequency = 0;
  EXPECT_EQ(buffer->GetFrequency(&frequency), DS_OK);
  return frequency;
}

LONG Volume(IDirectSoundBuffer* buffer) {
  LONG volume = 1;
  EXPECT_EQ(buffer->GetVolume(&volume), DS_OK);
  return volume;
}

DSBCAPS Caps(IDirectSoundBuffer* buffer) {
  DSBCAPS caps{};
  caps.dwSize = sizeof caps;
  EXPECT_EQ(buffer->GetCaps(&caps), DS_OK);
  return caps;
}

WAVEFORMATEX Format(IDirectSoundBuffer* buffer) {
  WAVEFORMATEX format{};
  EXPECT_EQ(buffer->GetFormat(&format, sizeof format, nullptr), DS_OK);
  return format;
}

class Mixer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(sound::InitMixer(SoundWindow(), 1), 0) << kNoDevice;
    // A looped tone and a three-second one-shot, each of a name of its own.
    tone_ = WriteSound("tone.wav", ToneWav(kMono8, 440, 0.5));
    long_ = WriteSound("long.wav", ToneWav(kMono8, 330, 3.0, 0.1));
    ASSERT_FALSE(tone_.empty());
    ASSERT_FALSE(long_.empty());
  }
  void TearDown() override {
    for (int mixer = 0; mixer < sound::kMixerCount; ++mixer) sound::QuitMixer(mixer);
  }

  static sound::SoundSlot& Slot(int index) {
    return sound::Mixers()[0].slots[static_cast<std::size_t>(index)];
  }
  // The buffer holding the named sound, or null.
  static IDirectSoundBuffer* BufferOf(const std::string& name) {
    for (const sound::SoundSlot& slot : sound::Mixers()[0].slots) {
      if (slot.buffer && slot.fileName.view() == name) return slot.buffer;
    }
    return nullptr;
  }
  // Copies of one sound under `count` names of their own.
  static std::vector<std::string> Sounds(int count) {
    std::vector<std::string> names;
    const std::string wav = ToneWav(kMono8, 500, 0.5, 0.1);
    for (int i = 0; i < count; ++i) names.push_back(WriteSound("s" + std::to_string(i) + ".wav", wav));
    return names;
  }

  std::string tone_, long_;
};

TEST_F(Mixer, OpensTwoMixersAndResetClosesThem) {
  EXPECT_EQ(sound::InitMixer(SoundWindow(), 0), 1);
  EXPECT_EQ(sound::InitMixer(SoundWindow(), 0), sound::kNoMixer);
  ASSERT_EQ(sound::LoadSound(1, tone_.c_str()), 1);
  EXPECT_EQ(sound::QuitMixer(1), 1);
  EXPECT_EQ(sound::Mixers()[1].device, nullptr);
  EXPECT_EQ(sound::Mixers()[1].slots[0].buffer, nullptr);
  EXPECT_EQ(sound::QuitMixer(1), 0);  // not open any more
  EXPECT_EQ(sound::InitMixer(SoundWindow(), 0), 1);
  ASSERT_EQ(sound::LoadSound(1, tone_.c_str()), 1);
  EXPECT_EQ(sound::InitMixer(SoundWindow(), 1), 0);
  EXPECT_EQ(sound::Mixers()[1].inUse, 0);
  EXPECT_EQ(sound::Mixers()[1].slots[0].buffer, nullptr);
}

TEST_F(Mixer, PrimaryBufferCapsComeFromTheDevice) {
  DSCAPS caps{};
  caps.dwSize = sizeof caps;
  ASSERT_EQ(sound::Mixers()[0].device->GetCaps(&caps), DS_OK);
  EXPECT_EQ(sound::PrimaryBufferIs16Bit(0), (caps.dwFlags & DSCAPS_PRIMARY16BIT) ? 1 : 0);
  EXPECT_EQ(sound::PrimaryBufferIsStereo(0), (caps.dwFlags & DSCAPS_PRIMARYSTEREO) ? 1 : 0);
}

TEST_F(Mixer, BuffersTakeTheFlagsAndTheFileFormat) {
  // A file of 4 channels plays as stereo: the first two channels of each frame.
  struct Case {
    PcmFormat file;
    WORD channels, blockAlign;
    std::size_t bytesPerFileByte;  // buffer bytes = file's sample bytes / this
  };
  for (const Case& c : {Case{kMono8, 1, 1, 1}, Case{kStereo16, 2, 4, 1}, Case{kQuad16, 2, 4, 2}}) {
    const std::string samples = ToneSamples(c.file, 440, 0.1);
    const std::string name = WriteSound("format" + std::to_string(c.file.channels) + ".wav",
                                        Riff(Chunk("fmt ", FormatBody(c.file)) + Chunk("data", samples)));
    ASSERT_EQ(sound::LoadSound(0, name.c_str()), 1) << name;
    IDirectSoundBuffer* buffer = BufferOf(name);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(Caps(buffer).dwFlags & 0x100EA, 0x100EAu);
    EXPECT_EQ(Caps(buffer).dwBufferBytes, samples.size() / c.bytesPerFileByte);
    const WAVEFORMATEX format = Format(buffer);
    EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(format.nChannels, c.channels);
    EXPECT_EQ(format.nSamplesPerSec, c.file.rate);
    EXPECT_EQ(format.nBlockAlign, c.blockAlign);
    EXPECT_EQ(format.nAvgBytesPerSec, c.file.rate * c.blockAlign);
    EXPECT_EQ(format.wBitsPerSample, c.file.bits);
    EXPECT_EQ(Status(buffer), 0u);
  }
}

TEST_F(Mixer, BufferHoldsTheDataChunkOnly) {
  const std::string samples = ToneSamples(kStereo16, 440, 0.1);
  const std::string tagged = WriteSound(
      "tagged.wav", Riff(Chunk("fmt ", FormatBody(kStereo16, 2)) + Chunk("fact", "\x10\x11\0\0") +
                         Chunk("LIST", "INFOICMT" + std::string(501, 'x')) + Chunk("data", samples)));
  ASSERT_EQ(sound::LoadSound(0, tagged.c_str()), 1);
  EXPECT_EQ(Caps(BufferOf(tagged)).dwBufferBytes, samples.size());
  void *first = nullptr, *second = nullptr;
  DWORD firstBytes = 0, secondBytes = 0;
  ASSERT_EQ(BufferOf(tagged)->Lock(0, 0, &first, &firstBytes, &second, &secondBytes,
                                   DSBLOCK_ENTIREBUFFER), DS_OK);
  ASSERT_EQ(firstBytes, samples.size());
  EXPECT_EQ(std::string(static_cast<const char*>(first), firstBytes), samples);
  BufferOf(tagged)->Unlock(first, firstBytes, second, secondBytes);

  // A data size beyond the end of the file: the buffer holds what the file has.
  const std::string cutName = WriteSound(
      "cut.wav", Riff(Chunk("fmt ", FormatBody(kStereo16)) + Chunk("data", samples, 0x7FFFFFF0)));
  ASSERT_EQ(sound::LoadSound(0, cutName.c_str()), 1);
  EXPECT_EQ(Caps(BufferOf(cutName)).dwBufferBytes, samples.size());
}

TEST_F(Mixer, LoadOfALoadedNameReadsNothing) {
  ASSERT_EQ(sound::LoadSound(0, tone_.c_str()), 1);
  IDirectSoundBuffer* buffer = BufferOf(tone_);
  ASSERT_TRUE(DeleteFileA(tone_.c_str()));
  EXPECT_EQ(sound::LoadSound(0, tone_.c_str()), 1);
  EXPECT_EQ(BufferOf(tone_), buffer);
  EXPECT_EQ(Slot(1).buffer, nullptr);
  EXPECT_EQ(sound::LoadSound(0, "C:\\sounds\\missing.wav"), 0);
  EXPECT_EQ(Slot(1).buffer, nullptr);
}

TEST_F(Mixer, NamesMatchExactlyAndFitASlot) {
  ASSERT_EQ(sound::StartSound(0, tone_.c_str(), 1), 1);
  EXPECT_EQ(sound::IsSoundPlaying(0, tone_.c_str()), 1);
  EXPECT_EQ(sound::IsSoundPlaying(0, "C:\\SOUNDS\\TONE.WAV"), 0);
  EXPECT_EQ(sound::IsSoundPlaying(0, "C:\\sounds\\tone.wa"), 0);
  EXPECT_EQ(sound::IsSoundPlaying(0, nullptr), 0);

  // 127 characters fit a slot's name; 128 are refused even though the file exists.
  const std::string folder = kSoundFolder;
  const std::string fits = folder + std::string(127 - folder.size() - 4, 'a') + ".wav";
  const std::string tooLong = folder + std::string(128 - folder.size() - 4, 'a') + ".wav";
  ASSERT_EQ(WriteSound(fits.substr(folder.size()), ToneWav(kMono8, 440, 0.1)), fits);
  ASSERT_EQ(WriteSound(tooLong.substr(folder.size()), ToneWav(kMono8, 440, 0.1)), tooLong);
  EXPECT_EQ(sound::LoadSound(0, fits.c_str()), 1);
  EXPECT_EQ(sound::LoadSound(0, tooLong.c_str()), 0);
  EXPECT_EQ(sound::StartSound(0, tooLong.c_str(), 0), 0);
  EXPECT_EQ(Slot(2).buffer, nullptr);
  EXPECT_EQ(BufferOf(fits), Slot(1).buffer);
}

TEST_F(Mixer, TenPlayingSoundsThenAnEleventhReplacesTheLastIdleOne) {
  const std::vector<std::string> names = Sounds(11);
  for (int i = 0; i < 10; ++i) ASSERT_EQ(sound::StartSound(0, names[i].c_str(), 1), 1) << i;
  for (int i = 0; i < 10; ++i) EXPECT_EQ(Status(Slot(i).buffer), DWORD{DSBSTATUS_PLAYING | DSBSTATUS_LOOPING});
  EXPECT_EQ(sound::StartSound(0, names[10].c_str(), 0), 0);
  EXPECT_EQ(BufferOf(names[10]), nullptr);

  ASSERT_EQ(sound::StopSound(0, names[3].c_str()), 1);
  ASSERT_EQ(sound::StopSound(0, names[7].c_str()), 1);
  EXPECT_EQ(Status(Slot(3).buffer), 0u);
  ASSERT_EQ(sound::StartSound(0, names[10].c_str(), 0), 1);
  EXPECT_EQ(Slot(7).fileName.view(), names[10]);
  EXPECT_EQ(Slot(7).looped, 0);
  EXPECT_NE(Status(Slot(7).buffer) & DSBSTATUS_PLAYING, 0u);
  EXPECT_EQ(Slot(3).fileName.view(), names[3]);
  DWORD frequency = 0;
  EXPECT_EQ(sound::GetSoundFrequency(0, &frequency, names[7].c_str()), 0);

  // The idle sound left is reused by its own name, in its own slot.
  IDirectSoundBuffer* idle = Slot(3).buffer;
  ASSERT_EQ(sound::StartSound(0, names[3].c_str(), 1), 1);
  EXPECT_EQ(Slot(3).buffer, idle);
  EXPECT_EQ(Status(idle), DWORD{DSBSTATUS_PLAYING | DSBSTATUS_LOOPING});
}

TEST_F(Mixer, PlayingAgainReusesTheBufferWithItsVolumeAndFrequency) {
  ASSERT_EQ(sound::StartSound(0, tone_.c_str(), 1), 1);
  IDirectSoundBuffer* buffer = BufferOf(tone_);
  ASSERT_EQ(sound::SetSoundFrequency(0, 30000, tone_.c_str()), 1);
  ASSERT_EQ(sound::SetSoundAttenuation(0, 10, tone_.c_str()), 1);
  ASSERT_EQ(sound::StopSound(0, tone_.c_str()), 1);
  EXPECT_EQ(sound::IsSoundStopped(0, tone_.c_str()), 1);
  ASSERT_EQ(sound::StartSound(0, tone_.c_str(), 0), 1);
  EXPECT_EQ(BufferOf(tone_), buffer);
  EXPECT_EQ(Slot(1).buffer, nullptr);
  EXPECT_EQ(Frequency(buffer), 30000u);
  EXPECT_EQ(Volume(buffer), -1000);
  EXPECT_EQ(Status(buffer), DWORD{DSBSTATUS_PLAYING});
}

TEST_F(Mixer, PlayingASoundThatPlaysNeitherRestartsItNorChangesItsLoop) {
  ASSERT_EQ(sound::StartSound(0, long_.c_str(), 1), 1);
  IDirectSoundBuffer* buffer = BufferOf(long_);
  DWORD before = 0, write = 0;
  // Wait (bounded) until the play cursor has clearly left the start.
  for (int i = 0; i < 500 && before < 8000; ++i) {
    Sleep(10);
    ASSERT_EQ(buffer->GetCurrentPosition(&before, &write), DS_OK);
  }
  ASSERT_GE(before, 8000u) << "the buffer does not play";
  ASSERT_EQ(sound::StartSound(0, long_.c_str(), 0), 1);
  DWORD after = 0;
  ASSERT_EQ(buffer->GetCurrentPosition(&after, &write), DS_OK);
  EXPECT_GE(after, before);
  EXPECT_EQ(Status(buffer), DWORD{DSBSTATUS_PLAYING | DSBSTATUS_LOOPING});
  EXPECT_EQ(Slot(0).looped, 1);
}

TEST_F(Mixer, FrequencyAndVolumeAreClamped) {
  ASSERT_EQ(sound::LoadSound(0, tone_.c_str()), 1);
  IDirectSoundBuffer* buffer = BufferOf(tone_);
  EXPECT_EQ(Frequency(buffer), 22050u);
  const struct { DWORD asked, set; } frequencies[] = {
      {50, 100}, {100, 100}, {44100, 44100}, {100000, 100000}, {200000, 100000}, {0xFFFFFFFF, 100000}};
  for (const auto& f : frequencies) {
    ASSERT_EQ(sound::SetSoundFrequency(0, f.asked, tone_.c_str()), 1) << f.asked;
    EXPECT_EQ(Frequency(buffer), f.set) << f.asked;
    DWORD read = 0;
    ASSERT_EQ(sound::GetSoundFrequency(0, &read, tone_.c_str()), 1);
    EXPECT_EQ(read, f.set);
  }
  const struct { DWORD asked; LONG set; int read; } volumes[] = {
      {0, 0, 0}, {20, -2000, 20}, {100, -10000, 100}, {150, -10000, 100}, {0xFFFFFFFF, -10000, 100}};
  for (const auto& v : volumes) {
    ASSERT_EQ(sound::SetSoundAttenuation(0, v.asked, tone_.c_str()), 1) << v.asked;
    EXPECT_EQ(Volume(buffer), v.set) << v.asked;
    int read = -1;
    ASSERT_EQ(sound::GetSoundAttenuation(0, &read, tone_.c_str()), 1);
    EXPECT_EQ(read, v.read);
  }
  ASSERT_EQ(buffer->SetVolume(-2050), DS_OK);  // whole decibels, rounded towards 0
  int read = -1;
  ASSERT_EQ(sound::GetSoundAttenuation(0, &read, tone_.c_str()), 1);
  EXPECT_EQ(read, 20);
  EXPECT_EQ(sound::GetSoundAttenuation(0, nullptr, tone_.c_str()), 0);
  EXPECT_EQ(sound::GetSoundFrequency(0, nullptr, tone_.c_str()), 0);
  EXPECT_EQ(sound::SetSoundFrequency(0, 44100, long_.c_str()), 0);  // not loaded
}

TEST_F(Mixer, FadeLowersAPlayingSoundAtOnceAndKeepsItPlaying) {
  ASSERT_EQ(sound::StartSound(0, tone_.c_str(), 1), 1);
  IDirectSoundBuffer* buffer = BufferOf(tone_);
  EXPECT_EQ(sound::FadeSound(0, 0, tone_.c_str()), 0);
  EXPECT_EQ(sound::FadeSound(0, -2, tone_.c_str()), 1);
  EXPECT_EQ(Volume(buffer), 0);
  ASSERT_EQ(sound::FadeSound(0, 3, tone_.c_str()), 1);  // 33, 66, 99
  EXPECT_EQ(Volume(buffer), -9900);
  EXPECT_EQ(Status(buffer), DWORD{DSBSTATUS_PLAYING | DSBSTATUS_LOOPING});

  // From 10 dB in 4 steps of 22: 98 dB.
  ASSERT_EQ(sound::SetSoundAttenuation(0, 10, tone_.c_str()), 1);
  ASSERT_EQ(sound::FadeSound(0, 4, tone_.c_str()), 1);
  EXPECT_EQ(Volume(buffer), -9800);
  // More steps than decibels left: steps of 0, the level stays.
  ASSERT_EQ(sound::FadeSound(0, 0x7FFFFFFF, tone_.c_str()), 1);
  EXPECT_EQ(Volume(buffer), -9800);

  // Stopped, it cannot be faded; played again it is as quiet as it was.
  ASSERT_EQ(sound::StopSound(0, tone_.c_str()), 1);
  EXPECT_EQ(sound::FadeSound(0, 3, tone_.c_str()), 0);
  ASSERT_EQ(sound::StartSound(0, tone_.c_str(), 1), 1);
  EXPECT_EQ(BufferOf(tone_), buffer);
  EXPECT_EQ(Volume(buffer), -9800);
}

TEST_F(Mixer, StopsSelectTheirSounds) {
  const std::vector<std::string> names = Sounds(3);
  ASSERT_EQ(sound::StartSound(0, names[0].c_str(), 1), 1);
  ASSERT_EQ(sound::StartSound(0, long_.c_str(), 0), 1);
  ASSERT_EQ(sound::StartSound(0, names[1].c_str(), 1), 1);
  ASSERT_EQ(sound::LoadSound(0, names[2].c_str()), 1);
  const auto playing = [](const std::string& name) { return Status(BufferOf(name)) != 0; };

  EXPECT_EQ(sound::StopAllSoundsExceptLooped(0), 1);
  EXPECT_TRUE(playing(names[0]));
  EXPECT_TRUE(playing(names[1]));
  EXPECT_FALSE(playing(long_));

  EXPECT_EQ(sound::StopAllSoundsExcept(0, names[1].c_str()), 1);
  EXPECT_FALSE(playing(names[0]));
  EXPECT_TRUE(playing(names[1]));

  ASSERT_EQ(sound::StartSound(0, names[0].c_str(), 1), 1);
  EXPECT_EQ(sound::StopSound(0, names[0].c_str()), 1);
  EXPECT_FALSE(playing(names[0]));
  EXPECT_TRUE(playing(names[1]));
  EXPECT_EQ(sound::StopSound(0, names[2].c_str()), 1);  // loaded, not playing

  ASSERT_EQ(sound::StartSound(0, names[0].c_str(), 0), 1);
  EXPECT_EQ(sound::StopAllSounds(0), 1);
  EXPECT_FALSE(playing(names[0]));
  EXPECT_FALSE(playing(names[1]));
  EXPECT_EQ(sound::IsSoundStopped(0, names[1].c_str()), 1);
}

TEST_F(Mixer, SamplesThatCannotBeReadLeaveTheSlotFree) {
  const std::string samples = ToneSamples(kStereo16, 440, 0.2);
  const std::string name = WriteSound("locked.wav", Riff(Chunk("fmt ", FormatBody(kStereo16)) +
                                                         Chunk("data", samples)));
  HANDLE file = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(LockFile(file, 100, 0, 1000, 0));  // inside the samples, after the headers
  EXPECT_EQ(sound::LoadSound(0, name.c_str()), 0);
  EXPECT_EQ(sound::StartSound(0, name.c_str(), 0), 0);
  for (int i = 0; i < sound::kSlotCount; ++i) EXPECT_EQ(Slot(i).buffer, nullptr) << i;
  ASSERT_TRUE(UnlockFile(file, 100, 0, 1000, 0));
  CloseHandle(file);
  EXPECT_EQ(sound::LoadSound(0, name.c_str()), 1);
  EXPECT_EQ(Caps(Slot(0).buffer).dwBufferBytes, samples.size());
}

TEST_F(Mixer, QuitReleasesEverySound) {
  ASSERT_EQ(sound::StartSound(0, tone_.c_str(), 1), 1);
  IDirectSoundBuffer* buffer = BufferOf(tone_);
  EXPECT_EQ(buffer->AddRef(), 2u);  // the mixer holds one reference
  EXPECT_EQ(buffer->Release(), 1u);
  EXPECT_EQ(sound::QuitMixer(0), 1);
  EXPECT_EQ(sound::Mixers()[0].inUse, 0);
  EXPECT_EQ(sound::StartSound(0, tone_.c_str(), 1), 0);
  EXPECT_EQ(sound::InitMixer(SoundWindow(), 0), 0);
  for (int i = 0; i < sound::kSlotCount; ++i) EXPECT_EQ(Slot(i).buffer, nullptr) << i;
}

}  // namespace
