// Plays generated WAV files through K_SOUND.dll, one phase after another, and prints
// when each phase began and ended (milliseconds after the mixer opened) with
// what should be heard in it:
//   phase NAME START END FREQUENCY_HZ      (0 Hz: silence)
// listen_test.sh records the null sink meanwhile; analyse_recording.py checks the
// recording against these lines. Exit code 0 when every export call succeeded.
#include "K_SOUND.h"

#include <cstdio>
#include <string>

#include "sound_test_files.h"

namespace {

using namespace kolta::test;

constexpr DWORD kToneMs = 1500;
constexpr DWORD kSilenceMs = 800;

class Timeline {
 public:
  void Start() { QueryPerformanceCounter(&origin_); }
  double Now() const {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - origin_.QuadPart) /
           static_cast<double>(frequency.QuadPart);
  }
  // Holds the current state for `ms` and reports it as a phase.
  void Hold(const char* name, DWORD ms, double frequency) {
    const double start = Now();
    Sleep(ms);
    std::printf("phase %s %.1f %.1f %.1f\n", name, start, Now(), frequency);
    std::fflush(stdout);
  }

 private:
  LARGE_INTEGER origin_{};
};

int failures = 0;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "FAILED: %s\n", what);
    ++failures;
  }
}

// Fills a LIST chunk with loud noise: heard only if the mixer played metadata as sound.
std::string NoiseText(std::size_t size) {
  std::string text;
  unsigned state = 12345;
  for (std::size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    text += static_cast<char>(state >> 24);
  }
  return text;
}

}  // namespace

int main() {
  const std::string mono = WriteSound("listen-mono8.wav", ToneWav(kMono8, 440, 1.0));
  const std::string stereo = WriteSound("listen-stereo16.wav", ToneWav(kStereo16, 660, 1.0));
  const std::string quad = WriteSound("listen-quad16.wav", ToneWav(kQuad16, 550, 1.0));
  const std::string tagged = WriteSound(
      "listen-tagged.wav",
      Riff(Chunk("fmt ", FormatBody(kMono16, 2)) + Chunk("fact", "\x22\x56\0\0") +
           Chunk("LIST", "INFOICMT" + NoiseText(8000)) + Chunk("data", ToneSamples(kMono16, 880, 1.0))));
  if (mono.empty() || stereo.empty() || quad.empty() || tagged.empty()) return 2;

  const int mixer = InitMixW(SoundWindow(), 1);
  if (mixer < 0) {
    std::fprintf(stderr, "no DirectSound device\n");
    return 2;
  }
  std::printf("primary buffer: 16-bit %d, stereo %d\n", Is16Bit(mixer), IsStereo(mixer));
  Timeline timeline;
  timeline.Start();
  // The sink and the recording settle while the device is open and silent.
  timeline.Hold("lead-in", kSilenceMs, 0);

  // One sound: looped at its own rate and full level, then stopped.
  const auto playThenStop = [&](const std::string& file, const char* phase, double frequency) {
    Check(PlayMixW(mixer, file.c_str(), 1) == 1, (std::string("play ") + phase).c_str());
    timeline.Hold(phase, kToneMs, frequency);
    Check(StopMixW(mixer, file.c_str()) == 1, (std::string("stop ") + phase).c_str());
    timeline.Hold((std::string("stopped-") + phase).c_str(), kSilenceMs, 0);
  };

  playThenStop(mono, "mono8", 440);

  Check(PlayMixW(mixer, stereo.c_str(), 1) == 1, "play stereo 16-bit");
  timeline.Hold("stereo16", kToneMs, 660);
  Check(SetMixWFreguency(mixer, 2 * 44100, stereo.c_str()) == 1, "double the frequency");
  timeline.Hold("stereo16-double-rate", kToneMs, 1320);
  Check(SetMixWFreguency(mixer, 44100, stereo.c_str()) == 1, "restore the frequency");
  Check(SetMixWVolume(mixer, 20, stereo.c_str()) == 1, "attenuate by 20 dB");
  timeline.Hold("stereo16-minus-20db", kToneMs, 660);
  Check(StopMixW(mixer, stereo.c_str()) == 1, "stop stereo 16-bit");
  timeline.Hold("stopped-stereo16", kSilenceMs, 0);

  playThenStop(quad, "quad16", 550);
  playThenStop(tagged, "tagged", 880);

  Check(QuitMixW(mixer) == 1, "close the mixer");
  return failures == 0 ? 0 : 1;
}
