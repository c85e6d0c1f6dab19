// What every fragment goes through before it is placed in fones.DAT,
// whether espeak-ng made it or a person recorded it: silence trimmed, fitted
// into its segment's wait, edges faded, brought to the common loudness.
#pragma once

#include <cstddef>

#include "synt/segment_table.h"
#include "tools/voice/sound.h"

namespace voice {

// The loudness every fragment is brought to (-20 dBFS), and the peak none
// may pass (-1 dBFS): 19 dB of room for the crest of speech.
inline constexpr double TargetRms = 0.1;
inline constexpr double PeakLimit = 0.89;
// Loudness is measured as the ear weighs it (K-weighting, as in loudness
// meters), which hears an s as louder than its RMS says, so hissing
// fragments come out a little below vowels in plain RMS.  Plain RMS is
// still held between TargetRms and this many dB below it, so that no two
// fragments differ by 3 dB or more.
inline constexpr double QuieterAtMost = 2.8;
inline constexpr int FadeMilliseconds = 3;
// A fragment must fall silent this long before the game moves on to the
// next segment, so that the next play never cuts it while it sounds.
inline constexpr int QuietBeforeNext = 10;

// How many samples a segment's fragment may last: its wait, (end - start)
// div 30 ms, less QuietBeforeNext.
std::size_t FragmentBudget(const synt::Segment& segment, int rate);

// Removes the quiet lead-in and tail: what lies more than 40 dB below the
// fragment's loudest 5 ms.
Samples TrimSilence(const Samples& samples, int rate);

// Raised-cosine fades of FadeMilliseconds at both ends (shorter for very
// short fragments), so that no fragment starts or stops with a click.
void FadeEdges(Samples& samples, int rate);

double Rms(const Samples& samples);
double Peak(const Samples& samples);
// The RMS of the K-weighted signal: a high shelf of +4 dB above about
// 1.7 kHz after a high pass at 38 Hz.
double WeightedRms(const Samples& samples, int rate);

// Scales to a K-weighted level of TargetRms less quieterDb (0 to
// QuieterAtMost), held in plain RMS between TargetRms and QuieterAtMost dB
// below it, and less where the peak would pass PeakLimit.
void Level(Samples& samples, int rate, double quieterDb = 0);

// A fragment whose first or last sample is loud (it was cut inside a vowel,
// a nasal or an l) starts or stops there mid-swing, which the fade turns
// into a soft tick rather than silence.  Such an end moves, at most
// CrossingReach ms inwards, to where the waveform rises through zero.
inline constexpr int CrossingReach = 5;
// Loud: above this share of the fragment's RMS.
inline constexpr double LoudEdge = 0.5;

// samples from their first rising zero crossing to just before their last,
// looked for within CrossingReach ms of each loud end; a quiet end, or one
// with no crossing that near, stays where it was.
Samples BetweenRisingCrossings(const Samples& samples, int rate);

// A held sound is lengthened by its voiced part alone, and at most to this
// many times its length: the buzz of a vowel, an l, an m or a z can be held,
// the noise of a final r or an s held as long would be heard as a hiss, and
// a voiced sound held much longer would be heard as a drone.
inline constexpr double MaxHold = 2.0;

// fragment lengthened towards budget by holding its longest voiced stretch
// (at most MaxHold times as long); the rest is kept as it was.  A fragment
// with nothing voiced, or already as long, comes back unchanged.
Samples HoldVoicedStretch(const Samples& fragment, std::size_t budget, int rate);

struct ShapingOptions {
  // Lengthen a fragment shorter than its budget towards the whole budget
  // (HoldVoicedStretch), so that no gap opens in the word.
  bool fill = false;
  // How much quieter than the common loudness, in dB (0 to QuieterAtMost):
  // an unstressed syllable keeps a little of its place in the word.
  double quieterDb = 0;
};

// Trim, start and stop loud ends at rising zero crossings, shorten to
// budget without changing the pitch (only if longer) or lengthen it towards
// the budget (options.fill), fade, level.  Empty if nothing
// audible is left.
Samples ShapeFragment(const Samples& raw, std::size_t budget, int rate,
                      const ShapingOptions& options = {});

}  // namespace voice
