// Reading WAV data, rate conversion, time compression, trimming and fades,
// and finding a fragment's phonemes in a word.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tests/voice/wav_bytes.h"
#include "tools/voice/resample.h"
#include "tools/voice/shaping.h"
#include "tools/voice/synthesised_voice.h"
#include "tools/voice/voicing.h"
#include "tools/voice/wav_io.h"
#include "tools/voice/wsola.h"

namespace {

using voice_test::WavBytes;
using voice_test::WavKind;

voice::Samples Sine(int rate, double seconds, double frequency, double amplitude) {
  voice::Samples samples(static_cast<std::size_t>(seconds * rate));
  for (std::size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<float>(
        amplitude * std::sin(2 * std::numbers::pi * frequency * static_cast<double>(i) / rate));
  }
  return samples;
}

// The frequency of a steady tone, from the upward zero crossings of its
// middle half.
double Frequency(const voice::Samples& samples, int rate) {
  const std::size_t from = samples.size() / 4, to = 3 * samples.size() / 4;
  std::size_t first = 0, last = 0, crossings = 0;
  for (std::size_t i = from + 1; i < to; ++i) {
    if (samples[i - 1] < 0 && samples[i] >= 0) {
      if (crossings == 0) first = i;
      last = i;
      ++crossings;
    }
  }
  return crossings < 2 ? 0 : double(crossings - 1) * rate / double(last - first);
}

// White noise, the same every run: a hiss.
voice::Samples Noise(std::size_t count, double amplitude) {
  voice::Samples samples(count);
  std::uint32_t state = 12345;
  for (float& sample : samples) {
    state = state * 1664525u + 1013904223u;
    sample = static_cast<float>(amplitude * (static_cast<double>(state >> 8) / (1 << 23) - 1));
  }
  return samples;
}

voice::Samples Joined(std::initializer_list<voice::Samples> parts) {
  voice::Samples joined;
  for (const voice::Samples& part : parts) joined.insert(joined.end(), part.begin(), part.end());
  return joined;
}

voice::Sound Decode(const WavKind& kind, const std::vector<std::vector<double>>& frames) {
  std::string error;
  auto sound = voice::DecodeWav(WavBytes(kind, frames), error);
  EXPECT_TRUE(sound) << error;
  return sound.value_or(voice::Sound{});
}

TEST(WavReading, DecodesEachSampleFormatToTheSameScale) {
  const std::vector<std::vector<double>> frames = {{0.0}, {0.5}, {-0.5}};
  for (const WavKind& kind : {WavKind{1, 8}, WavKind{1, 16}, WavKind{1, 24}, WavKind{1, 32},
                              WavKind{3, 32}, WavKind{1, 24, 1, 22050, true}}) {
    SCOPED_TRACE(std::to_string(kind.bits) + " bits, tag " + std::to_string(kind.tag));
    voice::Sound sound = Decode(kind, frames);
    ASSERT_EQ(sound.samples.size(), 3u);
    EXPECT_NEAR(sound.samples[0], 0.0, 0.01);  // 8-bit silence is 128, not 0
    EXPECT_NEAR(sound.samples[1], 0.5, 0.01);
    EXPECT_NEAR(sound.samples[2], -0.5, 0.01);  // sign of 24-bit data
  }
}

TEST(WavReading, MixesStereoDownAndKeepsTheRate) {
  voice::Sound sound = Decode({1, 16, 2, 48000}, {{0.5, -0.5}, {0.25, 0.75}});
  EXPECT_EQ(sound.rate, 48000);
  ASSERT_EQ(sound.samples.size(), 2u);
  EXPECT_NEAR(sound.samples[0], 0.0, 0.001);
  EXPECT_NEAR(sound.samples[1], 0.5, 0.001);
}

TEST(WavReading, RefusesWhatItCannotRead) {
  std::string error;
  EXPECT_FALSE(voice::DecodeWav({'R', 'I', 'F', 'F'}, error));
  EXPECT_FALSE(voice::DecodeWav(WavBytes({2, 4}, {{0.0}}), error));  // ADPCM
  EXPECT_NE(error.find("unsupported"), std::string::npos);
}

TEST(WavWriting, ClampsAndRoundsToSixteenBits) {
  auto bytes = voice::EncodeWav16({0.0f, 2.0f, -2.0f, 0.5f}, 22050);
  ASSERT_EQ(bytes.size(), 44u + 8u);
  auto at = [&](std::size_t i) { return static_cast<std::int16_t>(bytes[44 + 2 * i] | bytes[45 + 2 * i] << 8); };
  EXPECT_EQ(at(0), 0);
  EXPECT_EQ(at(1), 32767);
  EXPECT_EQ(at(2), -32767);
  EXPECT_EQ(at(3), 16384);
}

TEST(Resampling, KeepsPitchAndDuration) {
  const voice::Samples tone = Sine(48000, 0.5, 440, 0.5);
  const voice::Samples converted = voice::Resample(tone, 48000, 22050);
  EXPECT_NEAR(double(converted.size()), 0.5 * 22050, 2);
  EXPECT_NEAR(Frequency(converted, 22050), 440, 2);
  // Going down removes what the new rate cannot hold instead of folding it
  // back as a false tone: 15 kHz is above 22050 Hz's limit.
  const voice::Samples high = voice::Resample(Sine(48000, 0.5, 15000, 0.5), 48000, 22050);
  EXPECT_LT(voice::Rms(voice::Samples(high.begin() + 1000, high.end() - 1000)), 0.01);
}

TEST(TimeCompression, ShortensToTheTargetWithoutRaisingThePitch) {
  const voice::Samples tone = Sine(22050, 0.6, 180, 0.5);  // a low voice
  const voice::Samples shorter = voice::TimeCompress(tone, 5000, 22050);
  EXPECT_EQ(shorter.size(), 5000u);
  EXPECT_NEAR(Frequency(shorter, 22050), 180, 180 * 0.02);
  // The level stays: no cancellation between overlapping frames.
  EXPECT_NEAR(voice::Rms(voice::Samples(shorter.begin() + 500, shorter.end() - 500)), 0.5 / std::sqrt(2), 0.05);
  // Already short enough: untouched.
  EXPECT_EQ(voice::TimeCompress(tone, tone.size() + 10, 22050), tone);
}

TEST(TimeCompression, LengthensToFillAWaitWithoutLoweringThePitch) {
  const voice::Samples tone = Sine(22050, 0.1, 180, 0.5);
  const voice::Samples longer = voice::TimeScale(tone, 3500, 22050);
  EXPECT_EQ(longer.size(), 3500u);
  EXPECT_NEAR(Frequency(longer, 22050), 180, 180 * 0.02);
  EXPECT_NEAR(voice::Rms(voice::Samples(longer.begin() + 300, longer.end() - 300)), 0.5 / std::sqrt(2), 0.05);
  // Filling is asked for: a short fragment then takes its whole budget,
  // and without it stays as it was.
  const voice::Samples word = Sine(22050, 0.05, 200, 0.3);
  voice::ShapingOptions fill;
  fill.fill = true;
  EXPECT_EQ(voice::ShapeFragment(word, 2000, 22050, fill).size(), 2000u);
  EXPECT_LT(voice::ShapeFragment(word, 2000, 22050).size(), 1200u);
}

TEST(Voicing, FindsTheLongestBuzzAndNotTheHiss) {
  // A short vowel, a hiss, a longer vowel (a lower voice), a hiss.
  const voice::Samples sound = Joined({Sine(22050, 0.06, 220, 0.3), Noise(2205, 0.3),
                                       Sine(22050, 0.12, 110, 0.3), Noise(2205, 0.3)});
  const voice::Stretch voiced = voice::LongestVoicedStretch(sound, 22050);
  const double from = 0.16 * 22050, to = 0.28 * 22050;
  EXPECT_NEAR(double(voiced.first), from, 22050 * 0.015);
  EXPECT_NEAR(double(voiced.end), to, 22050 * 0.015);
  EXPECT_EQ(voice::LongestVoicedStretch(Noise(4410, 0.3), 22050).size(), 0u);
  // Too short to hold even one window.
  EXPECT_EQ(voice::LongestVoicedStretch(Sine(22050, 0.02, 200, 0.3), 22050).size(), 0u);
}

TEST(Holding, LengthensTheVoicedPartAtMostTwiceAndLeavesTheHissAsItWas) {
  // A final r: a voiced stretch, then its noise.
  const voice::Samples tone = Sine(22050, 0.05, 150, 0.3);
  const voice::Samples hiss = Noise(2205, 0.1);
  const voice::Samples r = Joined({tone, hiss});
  const voice::Samples held = voice::HoldVoicedStretch(r, 22050 / 2, 22050);
  // Far from the budget: the buzz is held to twice its length, no more.
  EXPECT_NEAR(double(held.size()), double(2 * tone.size() + hiss.size()), 22050 * 0.006);
  EXPECT_NEAR(Frequency(voice::Samples(held.begin(), held.begin() + long(2 * tone.size())), 22050), 150,
              150 * 0.02);
  // The noise that ends it is the same noise, not held: 20 ms of it, 50 ms
  // before the end, are the input's own samples, a few milliseconds off.
  const std::size_t block = 441, before = 1100, off = 120;
  double closest = 1;
  for (std::size_t shift = 0; shift <= 2 * off; ++shift) {
    double largest = 0;
    for (std::size_t i = 0; i < block; ++i) {
      const float wanted = r[r.size() - before + i];
      const float got = held[held.size() - before - off + shift + i];
      largest = std::max(largest, double(std::abs(wanted - got)));
    }
    closest = std::min(closest, largest);
  }
  EXPECT_LT(closest, 1e-5);
  // With less room, it takes just the budget.
  EXPECT_EQ(voice::HoldVoicedStretch(r, r.size() + 300, 22050).size(), r.size() + 300);
  // An s has nothing to hold.
  const voice::Samples s = Noise(2205, 0.2);
  EXPECT_EQ(voice::HoldVoicedStretch(s, 4410, 22050), s);
  voice::ShapingOptions fill;
  fill.fill = true;
  EXPECT_LT(voice::ShapeFragment(s, 4410, 22050, fill).size(), 2300u);
}

TEST(Shaping, StartsAndStopsLoudEndsWhereTheWaveformRisesThroughZero) {
  // A vowel cut a quarter period in (at its crest) and stopped at a trough.
  voice::Samples cut;
  for (std::size_t i = 0; i < 2000; ++i) {
    cut.push_back(static_cast<float>(0.3 * std::cos(2 * std::numbers::pi * 180 * double(i) / 22050)));
  }
  const voice::Samples moved = voice::BetweenRisingCrossings(cut, 22050);
  ASSERT_LT(moved.size(), cut.size());
  EXPECT_LT(cut.size() - moved.size(), 2 * 110u);  // no more than 5 ms each side
  EXPECT_GE(moved.front(), 0.0f);
  EXPECT_LT(moved.front(), 0.02f);
  EXPECT_LT(moved.back(), 0.0f);
  EXPECT_GT(moved.back(), -0.02f);
  // A soft onset stays as it was: there is nothing to click.
  voice::Samples soft = cut;
  for (std::size_t i = 0; i < 100; ++i) soft[i] *= float(i) / 1000;
  EXPECT_EQ(voice::BetweenRisingCrossings(soft, 22050).front(), soft.front());
}

TEST(Shaping, TrimsQuietEdgesAndFadesWithoutAClick) {
  voice::Samples sound(2000, 0.0f);
  const voice::Samples tone = Sine(22050, 0.1, 300, 0.5);
  sound.insert(sound.end(), tone.begin(), tone.end());
  sound.insert(sound.end(), 3000, 0.0001f);  // a faint hiss after the word
  voice::Samples trimmed = voice::TrimSilence(sound, 22050);
  EXPECT_NEAR(double(trimmed.size()), double(tone.size()), 22050 * 0.002);
  voice::FadeEdges(trimmed, 22050);
  EXPECT_LT(std::abs(trimmed.front()), 0.01);
  EXPECT_LT(std::abs(trimmed.back()), 0.01);
  // The fade is gradual: the steps between neighbours stay near the tone's
  // own (0.043), far from the jump of a cut tone (up to 0.5).
  float largestStep = 0;
  for (std::size_t i = 1; i < trimmed.size(); ++i) {
    largestStep = std::max(largestStep, std::abs(trimmed[i] - trimmed[i - 1]));
  }
  EXPECT_LT(largestStep, 0.07);
}

TEST(Shaping, LevelsToOneLoudnessButNeverPastThePeakLimit) {
  auto decibels = [](double rms) { return 20 * std::log10(rms / voice::TargetRms); };
  // A low vowel-like tone: the weighting hardly touches it.
  voice::Samples vowel = Sine(22050, 0.1, 300, 0.01);
  voice::Level(vowel, 22050);
  EXPECT_NEAR(decibels(voice::Rms(vowel)), 0.0, 0.5);
  EXPECT_LE(decibels(voice::Rms(vowel)), 1e-6);
  // A hiss-like tone at 6 kHz sounds louder than its RMS: it ends quieter
  // in plain RMS than the vowel, but less than 3 dB so.
  voice::Samples hiss = Sine(22050, 0.1, 6000, 0.5);
  voice::Level(hiss, 22050);
  EXPECT_LT(decibels(voice::Rms(hiss)), -2.0);
  EXPECT_GE(decibels(voice::Rms(hiss)), -voice::QuieterAtMost - 1e-6);
  // An unstressed syllable asked to be quieter is, but never by more than
  // the room that keeps every fragment within 3 dB.
  voice::Samples soft = Sine(22050, 0.1, 300, 0.01);
  voice::Level(soft, 22050, 1.5);
  EXPECT_NEAR(decibels(voice::Rms(soft)), -1.5, 0.5);
  voice::Samples softest = Sine(22050, 0.1, 300, 0.01);
  voice::Level(softest, 22050, 10);
  EXPECT_GE(decibels(voice::Rms(softest)), -voice::QuieterAtMost - 1e-6);
  voice::Samples spiky(1000, 0.001f);
  spiky[500] = 0.5f;  // a click-like fragment: RMS alone would push it past full scale
  voice::Level(spiky, 22050);
  EXPECT_LE(voice::Peak(spiky), voice::PeakLimit + 1e-6);
}

TEST(Shaping, BudgetEndsTenMillisecondsBeforeTheWait) {
  // Segment 1: 5505 samples, a wait of 183 ms, so 173 ms to sound in.
  EXPECT_EQ(voice::FragmentBudget(synt::SegmentNumber(1), 22050), 173u * 22050 / 1000);
  EXPECT_EQ(voice::FragmentBudget(synt::SegmentNumber(67), 22050), 42u * 22050 / 1000);
}

TEST(Cutting, KeepsTheNamedPhonemesAtTheirFirstPlace) {
  // vinte e um: v i N tS j i ; u~ N
  const std::vector<voice::Phoneme> word = {{"v", 100}, {"i", 200}, {"N", 300}, {"tS", 400},
                                            {"j", 500}, {"i", 600}, {";", 700}, {"u~", 800},
                                            {"N", 900}, {"_:", 1000}};
  auto plain = voice::FindCut(word, "i N", 1100);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->first, 200u);
  EXPECT_EQ(plain->end, 400u);
  // Bracketed: the i after j, cut to where the next phoneme starts.
  auto conjunction = voice::FindCut(word, "j [i]", 1100);
  ASSERT_TRUE(conjunction);
  EXPECT_EQ(conjunction->first, 600u);
  EXPECT_EQ(conjunction->end, 700u);
  // The whole word ends where the pause begins.
  auto whole = voice::FindCut(word, "", 1100);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->first, 100u);
  EXPECT_EQ(whole->end, 1000u);
  EXPECT_FALSE(voice::FindCut(word, "d o", 1100));
}

}  // namespace
