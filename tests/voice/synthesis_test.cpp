// The espeak-ng voice: the table of sources, and fragments that depend on
// their own source alone.
#include <gtest/gtest.h>

#include "tools/voice/espeak_voice.h"
#include "tools/voice/segment_sources.h"
#include "tools/voice/synthesised_voice.h"

namespace {

// espeak-ng cannot be started again once stopped in one process, so every
// test shares one voice, left open to the end.
voice::EspeakVoice* SharedVoice(std::string& error) {
  static auto* voice = [&error]() -> voice::EspeakVoice* {
    auto opened = voice::EspeakVoice::Open(error);
    return opened ? new voice::EspeakVoice(std::move(*opened)) : nullptr;
  }();
  return voice;
}

TEST(SourceOverrides, ReplaceTheNamedRowsAndRefuseMalformedLines) {
  voice::SourceTable sources = voice::SegmentSources;
  std::vector<std::string> storage;
  std::string error;
  ASSERT_TRUE(voice::OverrideSources("# tried by ear\n61 | cinco | s\n\n 33|tecle enter|l i | fill \n",
                                     sources, storage, error))
      << error;
  EXPECT_EQ(sources[60].carrier, "cinco");
  EXPECT_EQ(sources[60].cut, "s");
  EXPECT_FALSE(sources[60].fill);
  EXPECT_EQ(sources[32].carrier, "tecle enter");
  EXPECT_EQ(sources[32].cut, "l i");
  EXPECT_TRUE(sources[32].fill);
  EXPECT_EQ(sources[0].carrier, voice::SegmentSources[0].carrier);  // untouched
  ASSERT_TRUE(voice::OverrideSources("74 | oito | t U | tail=12 lead=-3", sources, storage, error))
      << error;
  EXPECT_EQ(sources[73].tailMilliseconds, 12);
  EXPECT_EQ(sources[73].leadMilliseconds, -3);
  for (const char* bad : {"88 | cinco | s", "0 | cinco | s", "61 cinco s", "x | cinco | s",
                          "61 | cinco | s | loud", "61 | cinco | s | tail=", "61 | cinco | s | tail=4x"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(voice::OverrideSources(bad, sources, storage, error));
    EXPECT_NE(error.find("line 1"), std::string::npos);
  }
}

TEST(SynthesisedVoice, AnotherSourceForOneSegmentLeavesEveryOtherFragmentAsItWas) {
  std::string error;
  voice::EspeakVoice* voice = SharedVoice(error);
  ASSERT_TRUE(voice) << error;
  std::vector<voice::SynthesisNote> notes;
  auto usual = voice::SynthesiseFragments(*voice, voice::SegmentSources, notes, error);
  ASSERT_TRUE(usual) << error;
  // espeak-ng's output after another word differs by a few samples, so a
  // fragment made after a changed one would change too if the fragments
  // were not made apart.
  voice::SourceTable changed = voice::SegmentSources;
  changed[1] = {"agora", "a"};
  auto other = voice::SynthesiseFragments(*voice, changed, notes, error);
  ASSERT_TRUE(other) << error;
  EXPECT_NE((*usual)[1], (*other)[1]);
  for (std::size_t i = 2; i < usual->size(); ++i) {
    EXPECT_EQ((*usual)[i], (*other)[i]) << "segment " << i + 1;
  }
  EXPECT_EQ((*usual)[0], (*other)[0]);
}

TEST(SynthesisedVoice, NamesTheSegmentWhoseCarrierLacksItsCut) {
  std::string error;
  voice::EspeakVoice* voice = SharedVoice(error);
  ASSERT_TRUE(voice) << error;
  voice::SourceTable broken = voice::SegmentSources;
  broken[40] = {"sala", "z u"};
  std::vector<voice::SynthesisNote> notes;
  EXPECT_FALSE(voice::SynthesiseFragments(*voice, broken, notes, error));
  EXPECT_NE(error.find("segment 41"), std::string::npos) << error;
}

}  // namespace
