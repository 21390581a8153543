// K_SOUND.dll through its import library, as the product's program uses it: every
// export on a real device, the mixer -1 and other unopened indices, and malformed WAV
// files.
#include "K_SOUND.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "sound_test_files.h"

namespace {

using namespace kolta::test;

class KSound : public ::testing::Test {
 protected:
  void SetUp() override {
    mixer_ = InitMixW(SoundWindow(), 1);
    ASSERT_EQ(mixer_, 0) << kNoDevice;
    tone_ = WriteSound("tone.wav", ToneWav(kStereo16, 440, 0.5, 0.2));
    ASSERT_FALSE(tone_.empty());
  }
  void TearDown() override {
    QuitMixW(0);
    QuitMixW(1);
  }

  int mixer_ = -1;
  std::string tone_;
};

TEST_F(KSound, EveryExportDrivesTheMixer) {
  const char* name = tone_.c_str();
  EXPECT_EQ(Is16Bit(mixer_) | 1, 1);
  EXPECT_EQ(IsStereo(mixer_) | 1, 1);
  EXPECT_EQ(LoadMixW(mixer_, name), 1);
  EXPECT_EQ(IsMixWPlay(mixer_, name), 0);
  EXPECT_EQ(IsMixWStop(mixer_, name), 1);
  ASSERT_EQ(PlayMixW(mixer_, name, 1), 1);
  EXPECT_EQ(IsMixWPlay(mixer_, name), 1);
  EXPECT_EQ(IsMixWStop(mixer_, name), 0);

  DWORD frequency = 0;
  EXPECT_EQ(GetMixWFreguency(mixer_, &frequency, name), 1);
  EXPECT_EQ(frequency, 44100u);
  EXPECT_EQ(SetMixWFreguency(mixer_, 50, name), 1);
  EXPECT_EQ(GetMixWFreguency(mixer_, &frequency, name), 1);
  EXPECT_EQ(frequency, 100u);

  int attenuation = -1;
  EXPECT_EQ(GetMixWVolume(mixer_, &attenuation, name), 1);
  EXPECT_EQ(attenuation, 0);
  EXPECT_EQ(SlienceMixWVolume(mixer_, 3, name), 1);
  EXPECT_EQ(GetMixWVolume(mixer_, &attenuation, name), 1);
  EXPECT_EQ(attenuation, 99);
  EXPECT_EQ(SetMixWVolume(mixer_, 150, name), 1);
  EXPECT_EQ(GetMixWVolume(mixer_, &attenuation, name), 1);
  EXPECT_EQ(attenuation, 100);

  EXPECT_EQ(StopAllMixWExceptLoop(mixer_), 1);
  EXPECT_EQ(IsMixWPlay(mixer_, name), 1);
  EXPECT_EQ(StopAllMixWExceptFileName(mixer_, name), 1);
  EXPECT_EQ(IsMixWPlay(mixer_, name), 1);
  EXPECT_EQ(StopMixW(mixer_, name), 1);
  EXPECT_EQ(IsMixWPlay(mixer_, name), 0);
  ASSERT_EQ(PlayMixW(mixer_, name, 0), 1);
  EXPECT_EQ(StopAllMixWExceptLoop(mixer_), 1);
  EXPECT_EQ(IsMixWStop(mixer_, name), 1);
  ASSERT_EQ(PlayMixW(mixer_, name, 1), 1);
  EXPECT_EQ(StopAllMixW(mixer_), 1);
  EXPECT_EQ(IsMixWStop(mixer_, name), 1);
  EXPECT_EQ(QuitMixW(mixer_), 1);
  EXPECT_EQ(QuitMixW(mixer_), 0);
}

// -1, what InitMixW returns on failure, and every index it never returned: nothing
// happens, each export gives its failure result, and the open mixer plays on.
TEST_F(KSound, NoMixerDoesNothing) {
  ASSERT_EQ(PlayMixW(mixer_, tone_.c_str(), 1), 1);
  const char* name = tone_.c_str();
  for (const int mixer : {-1, 1, 2, 7, -2, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(mixer);
    DWORD frequency = 12345;
    int attenuation = 12345;
    EXPECT_EQ(QuitMixW(mixer), 0);
    EXPECT_EQ(Is16Bit(mixer), 0);
    EXPECT_EQ(IsStereo(mixer), 0);
    EXPECT_EQ(LoadMixW(mixer, name), 0);
    EXPECT_EQ(PlayMixW(mixer, name, 1), 0);
    EXPECT_EQ(StopMixW(mixer, name), 0);
    EXPECT_EQ(StopAllMixW(mixer), 0);
    EXPECT_EQ(StopAllMixWExceptLoop(mixer), 0);
    EXPECT_EQ(StopAllMixWExceptFileName(mixer, name), 0);
    EXPECT_EQ(GetMixWFreguency(mixer, &frequency, name), 0);
    EXPECT_EQ(SetMixWFreguency(mixer, 8000, name), 0);
    EXPECT_EQ(GetMixWVolume(mixer, &attenuation, name), 0);
    EXPECT_EQ(SetMixWVolume(mixer, 50, name), 0);
    EXPECT_EQ(SlienceMixWVolume(mixer, 3, name), 0);
    EXPECT_EQ(IsMixWPlay(mixer, name), 0);
    EXPECT_EQ(IsMixWStop(mixer, name), 1);
    EXPECT_EQ(frequency, 12345u);
    EXPECT_EQ(attenuation, 12345);
  }
  EXPECT_EQ(IsMixWPlay(mixer_, name), 1);
  int attenuation = -1;
  ASSERT_EQ(GetMixWVolume(mixer_, &attenuation, name), 1);
  EXPECT_EQ(attenuation, 0);
}

TEST_F(KSound, MalformedFilesAreRefusedAndTheMixerGoesOn) {
  const std::string format = Chunk("fmt ", FormatBody(kStereo16));
  const std::string data = Chunk("data", ToneSamples(kStereo16, 440, 0.05));
  const std::string good = Riff(format + data);
  const struct {
    const char* name;
    std::string content;
  } files[] = {
      {"empty.wav", ""},
      {"riff-only.wav", good.substr(0, 12)},
      {"cut-format.wav", good.substr(0, 30)},
      {"cut-data-header.wav", good.substr(0, 40)},
      {"no-samples.wav", good.substr(0, 44)},
      {"huge-format.wav", Riff(Chunk("fmt ", FormatBody(kStereo16), 0xFFFFFFF0) + data)},
      {"huge-list.wav", Riff(format + Chunk("LIST", "abcd", 0x7FFFFFFF) + data)},
      {"no-format.wav", Riff(data)},
      {"no-data.wav", Riff(format + Chunk("LIST", "INFO"))},
      {"zero-channels.wav", Riff(Chunk("fmt ", FormatBody({0, 44100, 16})) + data)},
      {"zero-rate.wav", Riff(Chunk("fmt ", FormatBody({2, 0, 16})) + data)},
      {"zero-block.wav", Riff(Chunk("fmt ", FormatBody({2, 44100, 0})) + data)},
      {"huge-rate.wav", Riff(Chunk("fmt ", FormatBody({2, 0xFFFFFFF0, 16})) + data)},
      {"text.wav", std::string(200, 'x')},
      // Samples that are not integer PCM would play as noise.
      {"adpcm.wav", Riff(Chunk("fmt ", FormatBodyTagged(kStereo16, 2)) + data)},
      {"mu-law.wav", Riff(Chunk("fmt ", FormatBodyTagged(kStereo16, 7)) + data)},
      {"float.wav", Riff(Chunk("fmt ", ExtensibleFormatBody(kStereo16, 3)) + data)},
  };
  for (const auto& file : files) {
    const std::string path = WriteSound(file.name, file.content);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(LoadMixW(mixer_, path.c_str()), 0) << file.name;
    EXPECT_EQ(PlayMixW(mixer_, path.c_str(), 1), 0) << file.name;
    EXPECT_EQ(IsMixWStop(mixer_, path.c_str()), 1) << file.name;
  }
  EXPECT_EQ(LoadMixW(mixer_, "C:\\sounds\\missing.wav"), 0);
  EXPECT_EQ(LoadMixW(mixer_, "C:\\sounds"), 0);
  EXPECT_EQ(LoadMixW(mixer_, ""), 0);
  EXPECT_EQ(LoadMixW(mixer_, nullptr), 0);

  // Nothing was taken: ten good sounds still find ten slots (the first in an extensible
  // record of integer PCM samples).
  const std::string extensible = Riff(Chunk("fmt ", ExtensibleFormatBody(kStereo16, 1)) + data);
  for (int i = 0; i < 10; ++i) {
    const std::string path =
        WriteSound("good" + std::to_string(i) + ".wav", i == 0 ? extensible : good);
    EXPECT_EQ(PlayMixW(mixer_, path.c_str(), 1), 1) << i;
  }
  EXPECT_EQ(PlayMixW(mixer_, tone_.c_str(), 1), 0);
}

}  // namespace
