// The WAV chunk walker on files built in memory: what a sound buffer gets from valid
// files of every shape, and refusals for malformed ones.
#include "wav_layout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "wav_builder.h"

namespace {

using namespace kolta::sound;
using namespace kolta::test;

std::optional<WavLayout> Layout(const std::string& file) {
  MemoryWavSource source({reinterpret_cast<const std::uint8_t*>(file.data()), file.size()});
  return ReadWavLayout(source);
}

// The sample bytes the layout points at.
std::string Samples(const std::string& file, const WavLayout& layout) {
  return file.substr(static_cast<std::size_t>(layout.dataOffset), layout.dataSize);
}

TEST(WavLayout, ReadsThePcmFormatAndTheSamples) {
  const std::string samples = ToneSamples(kStereo16, 440, 0.01);
  const std::string file = Riff(Chunk("fmt ", FormatBody(kStereo16)) + Chunk("data", samples));
  const auto layout = Layout(file);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->format.channels, 2);
  EXPECT_EQ(layout->format.samplesPerSecond, 44100u);
  EXPECT_EQ(layout->format.blockAlign, 4);
  EXPECT_EQ(layout->format.bitsPerSample, 16);
  EXPECT_EQ(layout->dataOffset, 44u);
  EXPECT_EQ(Samples(file, *layout), samples);
}

TEST(WavLayout, SkipsEveryOtherChunkBySize) {
  const PcmFormat mono8{1, 11025, 8};
  const std::string samples = ToneSamples(mono8, 300, 0.01);
  const std::string list = Chunk("LIST", "INFOISFT" + std::string("\x05\0\0\0tool\0", 9));
  for (const std::string& chunks : {
           Chunk("fmt ", FormatBody(mono8)) + Chunk("fact", "\x6E\0\0\0") + list,
           Chunk("LIST", "odd") + Chunk("fmt ", FormatBody(mono8, 2)) + Chunk("junk", ""),
           Chunk("fmt ", FormatBody(mono8, 24)),  // extended record longer than 28 bytes
           Chunk("fmt ", FormatBody(mono8)) + Chunk("fmt ", FormatBody(kStereo16)),
       }) {
    const std::string file = Riff(chunks + Chunk("data", samples) + list);
    const auto layout = Layout(file);
    ASSERT_TRUE(layout) << chunks.size();
    EXPECT_EQ(layout->format.channels, 1);
    EXPECT_EQ(layout->format.blockAlign, 1);
    EXPECT_EQ(Samples(file, *layout), samples);
  }
}

TEST(WavLayout, CutsTheDataChunkToTheFile) {
  const std::string samples = ToneSamples(kStereo16, 440, 0.01);
  for (const std::uint32_t declared :
       {1000000u, 0xFFFFFFFFu, static_cast<std::uint32_t>(samples.size() + 1)}) {
    // The RIFF size does not count the samples either.
    const std::string file =
        Riff(Chunk("fmt ", FormatBody(kStereo16)) + Chunk("data", "", declared)) + samples;
    const auto layout = Layout(file);
    ASSERT_TRUE(layout) << declared;
    EXPECT_EQ(Samples(file, *layout), samples);
  }
}

TEST(WavLayout, EveryTruncationOfTheHeadersIsRefused) {
  const std::string file = ToneWav(kStereo16, 440, 0.001);
  for (std::size_t length = 0; length < 44; ++length) {
    EXPECT_FALSE(Layout(file.substr(0, length))) << length;
  }
  const auto headersOnly = Layout(file.substr(0, 44));
  ASSERT_TRUE(headersOnly);
  EXPECT_EQ(headersOnly->dataSize, 0u);
}

TEST(WavLayout, RefusesFilesWithoutUsableFormatOrData) {
  const std::string samples = ToneSamples(kStereo16, 440, 0.001);
  const std::string data = Chunk("data", samples);
  const std::string format = FormatBody(kStereo16);
  const auto withField = [&](std::size_t offset, std::size_t size) {
    std::string body = format;
    body.replace(offset, size, size, '\0');
    return Chunk("fmt ", body);
  };
  for (const std::string& chunks : {
           data,                                          // no format chunk
           data + Chunk("fmt ", format),                  // format only after the data
           Chunk("fmt ", format),                         // no data chunk
           Chunk("fmt ", format) + Chunk("LIST", "abcd"),  // no data chunk
           Chunk("fmt ", format.substr(0, 14)) + data,    // format record cut short
           withField(2, 2) + data,                        // 0 channels
           withField(4, 4) + data,                        // 0 samples per second
           withField(12, 2) + data,                       // 0 block align
           Chunk("fmt ", format) + Chunk("LIST", "", 0xFFFFFFF0u) + data,  // skip past the end
       }) {
    EXPECT_FALSE(Layout(Riff(chunks))) << chunks.size();
  }
  EXPECT_FALSE(Layout(""));
  EXPECT_FALSE(Layout("RIFF\x04\0\0\0WAVE"));
}

TEST(WavLayout, TakesOnlyIntegerPcmSamples) {
  const std::string data = Chunk("data", ToneSamples(kStereo16, 440, 0.001));
  const auto withTag = [](std::uint16_t tag) { return FormatBodyTagged(kStereo16, tag); };
  for (const auto& [format, taken] : {
           std::pair<std::string, bool>{withTag(1), true},
           {ExtensibleFormatBody(kStereo16, 1), true},
           {withTag(2), false},                      // Microsoft ADPCM
           {withTag(3), false},                      // floating point
           {withTag(6), false},                      // A-law
           {withTag(7), false},                      // mu-law
           {withTag(0x11), false},                   // IMA ADPCM
           {withTag(0x55), false},                   // MP3
           {withTag(0), false},                      // unknown
           {ExtensibleFormatBody(kStereo16, 3), false},  // floating point, extensible
           {ExtensibleFormatBody(kStereo16, 1).substr(0, 38), false},  // identifier cut short
       }) {
    EXPECT_EQ(Layout(Riff(Chunk("fmt ", format) + data)).has_value(), taken)
        << format.size() << " " << int(format[0]);
  }
}

TEST(BufferShape, OneOrTwoChannelsAreCopiedAsTheyAreInWholeFrames) {
  // 1001 bytes: the partial frame that a cut file ends in is left out.
  for (const auto& [format, bytes] : {std::pair{PcmFormat{1, 8000, 8}, 1001u},
                                      std::pair{PcmFormat{2, 44100, 16}, 1000u},
                                      std::pair{PcmFormat{2, 8000, 24}, 996u}}) {
    const WavLayout layout{{format.channels, format.rate, format.blockAlign(), format.bits}, 44, 1001};
    const auto shape = BufferShapeOf(layout);
    ASSERT_TRUE(shape);
    EXPECT_TRUE(shape->copiedAsIs);
    EXPECT_EQ(shape->channels, format.channels);
    EXPECT_EQ(shape->blockAlign, format.blockAlign());
    EXPECT_EQ(shape->bytes, bytes);
  }
}

TEST(BufferShape, MoreChannelsKeepTheFirstTwoOfEachFrame) {
  const WavLayout quad{{4, 22050, 8, 16}, 44, 8 * 100 + 5};  // a partial frame at the end
  const auto shape = BufferShapeOf(quad);
  ASSERT_TRUE(shape);
  EXPECT_FALSE(shape->copiedAsIs);
  EXPECT_EQ(shape->channels, 2);
  EXPECT_EQ(shape->blockAlign, 4);
  EXPECT_EQ(shape->bytes, 400u);
  const WavLayout sixBy24{{6, 48000, 18, 24}, 44, 18 * 3};
  EXPECT_EQ(BufferShapeOf(sixBy24)->blockAlign, 6);
  const WavLayout uneven{{3, 8000, 7, 16}, 44, 700};
  EXPECT_FALSE(BufferShapeOf(uneven));

  const std::uint8_t frames[] = {1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13, 14, 15, 16, 17, 18, 99};
  std::uint8_t out[8] = {};
  EXPECT_EQ(KeepFrameStarts(frames, 8, 4, out), 8u);
  EXPECT_EQ(std::string(out, out + 8), std::string("\x01\x02\x03\x04\x0B\x0C\x0D\x0E"));
  std::uint8_t small[6] = {};
  EXPECT_EQ(KeepFrameStarts(frames, 8, 4, small), 4u);  // never past the end
}

}  // namespace
