// mirabo-voice: builds fones.DAT, the game's voice, from espeak-ng or from a
// folder of recordings, and renders previews of what the game says.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/voice/espeak_voice.h"
#include "tools/voice/preview.h"
#include "tools/voice/recordings.h"
#include "tools/voice/shaping.h"
#include "tools/voice/synthesised_voice.h"
#include "tools/voice/voice_file.h"
#include "tools/voice/wav_io.h"

namespace {

constexpr const char* Help = R"(mirabo-voice: makes fones.DAT, the voice of mirabo.

  mirabo-voice [--output FILE] [--verbose]
      Synthesises the 87 fragments with espeak-ng's Brazilian Portuguese
      voice and writes them to FILE (default fones.DAT).
  mirabo-voice --sources FILE [--output FILE] [--verbose]
      The same with some segments taken from other words, to try them:
      FILE has one line per segment, "SEGMENT | CARRIER | CUT" (as in
      tools/voice/segment_sources.h, e.g. "61 | cinco | s"), and after a
      fourth "|" any of: fill (lengthen to the wait), lead=MS and tail=MS
      (keep MS milliseconds of the sounds before and after the cut).
  mirabo-voice --recordings FOLDER [--output FILE]
      Builds the file from a person's recordings instead: one WAV file per
      segment, named by its number (1.wav or 01.wav ... 87.wav); PCM 8, 16,
      24 or 32 bits or 32-bit float, mono or stereo, any rate.  A missing,
      unreadable or silent recording is reported by segment number and no
      file is written.
  mirabo-voice --preview WHAT [--voice FILE] --output OUT.wav
      Renders what the game would say, from FILE (default fones.DAT), with
      the game's timing: each segment is cut off when the next one starts,
      its wait, (end - start) div 30 ms, after it.  WHAT is one or more of
      these, joined by '+':
        segments:8,24,69   the segments, in that order
        message:Prompt     a message with its closing beep and pause
        speech:Prompt      what the message says, without them
        number:21          what the game says for the number 21
        numbers:0..30      each number in turn, a pause after each
        beep  pause        the short beep, the 500 ms pause
  mirabo-voice --list-messages
      The names of the messages and what they print.

Every fragment is cut out of a word or phrase in which it is heard, trimmed,
faded in and out over 3 ms, brought to the same loudness (RMS -20 dBFS,
peaks below -1 dBFS; an unstressed syllable up to 2.8 dB softer, keeping
half of its softness in the word) and made to end at least 10 ms before its
segment's wait is over: espeak-ng says the word as slowly as still fits; a
recording that is too long is shortened by overlap-add (WSOLA), which keeps
its pitch, and a held sound that is too short even at espeak-ng's slowest
is lengthened the same way where its source says so.  Each fragment is said
in a process of its own, so that it depends on its source alone.  Each
fragment starts at its segment's first sample; everything else is silence.

The sample rate is 22050 Hz, on purpose.  The game starts a range of L
samples and moves on after L/30 ms whatever the file's rate, so a range
sounds for L/R seconds at rate R:
  - above 30000 Hz a range ends before its wait does (at 44100 Hz it lasts
    only L/44.1 ms), which would cut every fragment short and leave a gap of
    silence after it;
  - at 30000 Hz the range lasts exactly its wait;
  - below 30000 Hz the range outlasts its wait (at 22050 Hz by 36 %), and
    the next play cuts it; as every fragment ends 10 ms before the wait,
    only silence is ever cut.
So any rate up to 30000 Hz gives each fragment its whole wait less 10 ms.
Of those, 22050 Hz is espeak-ng's own rate (its voice is used as made, not
resampled), it holds all of speech that matters (up to 11 kHz), and it is a
rate that every wave device, Windows' MCI included, plays as it is.
)";

int Fail(const std::string& message) {
  std::fprintf(stderr, "mirabo-voice: %s\n", message.c_str());
  return 1;
}

struct Options {
  std::filesystem::path output = "fones.DAT";
  std::optional<std::filesystem::path> recordings;
  std::optional<std::filesystem::path> sources;
  std::optional<std::string> preview;
  std::filesystem::path voiceFile = "fones.DAT";
  bool outputGiven = false;
  bool verbose = false;
  bool listMessages = false;
  bool help = false;
};

std::optional<Options> ParseArguments(int argc, char** argv, std::string& error) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= argc) return std::nullopt;
      return std::string(argv[++i]);
    };
    std::optional<std::string> given;
    if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument == "--verbose") {
      options.verbose = true;
    } else if (argument == "--list-messages") {
      options.listMessages = true;
    } else if (argument == "--output" || argument == "-o") {
      if (!(given = value())) break;
      options.output = *given;
      options.outputGiven = true;
    } else if (argument == "--recordings") {
      if (!(given = value())) break;
      options.recordings = *given;
    } else if (argument == "--preview") {
      if (!(given = value())) break;
      options.preview = *given;
    } else if (argument == "--sources") {
      if (!(given = value())) break;
      options.sources = *given;
    } else if (argument == "--voice") {
      if (!(given = value())) break;
      options.voiceFile = *given;
    } else {
      error = "unknown argument " + std::string(argument) + " (see --help)";
      return std::nullopt;
    }
  }
  // An option that takes a value left the loop early when it had none.
  const std::string_view last = argc > 1 ? argv[argc - 1] : "";
  if (last == "--output" || last == "-o" || last == "--recordings" || last == "--preview" || last == "--sources" ||
      last == "--voice") {
    error = std::string(last) + " needs a value (see --help)";
    return std::nullopt;
  }
  return options;
}

int Preview(const Options& options) {
  if (!options.outputGiven) return Fail("--preview needs --output OUT.wav");
  std::string error;
  auto steps = voice::ParsePreview(*options.preview, error);
  if (!steps) return Fail(error);
  auto file = voice::ReadWav(options.voiceFile, error);
  if (!file) return Fail(options.voiceFile.string() + ": " + error);
  const voice::Samples sound = voice::RenderPreview(*file, *steps);
  if (!voice::WriteFileAtomically(options.output, voice::EncodeWav16(sound, file->rate), error)) {
    return Fail(error);
  }
  std::printf("%s: %.2f s\n", options.output.string().c_str(),
              static_cast<double>(sound.size()) / file->rate);
  return 0;
}

int FromRecordings(const Options& options) {
  std::vector<std::string> problems;
  auto fragments = voice::LoadRecordings(*options.recordings, problems);
  if (!fragments) {
    for (const std::string& problem : problems) std::fprintf(stderr, "  %s\n", problem.c_str());
    return Fail("no " + options.output.string() + " written: fix the recordings above");
  }
  std::string error;
  if (!voice::WriteVoiceFile(options.output, *fragments, error)) return Fail(error);
  return 0;
}

bool ReadText(const std::filesystem::path& path, std::string& text, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "cannot be read";
    return false;
  }
  text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return true;
}

int FromEspeak(const Options& options) {
  std::string error;
  auto espeak = voice::EspeakVoice::Open(error);
  if (!espeak) return Fail(error);
  std::vector<voice::SynthesisNote> notes;
  voice::SourceTable sources = voice::SegmentSources;
  std::vector<std::string> storage;
  if (options.sources) {
    std::string text;
    if (!ReadText(*options.sources, text, error) ||
        !voice::OverrideSources(text, sources, storage, error)) {
      return Fail(options.sources->string() + ": " + error);
    }
  }
  auto fragments = voice::SynthesiseFragments(*espeak, sources, notes, error);
  if (!fragments) return Fail(error);
  if (options.verbose) {
    std::printf("segment  wpm  cut ms  budget ms  placed ms  RMS dBFS\n");
    for (const voice::SynthesisNote& note : notes) {
      const voice::Samples& fragment = voice::FragmentOf(*fragments, note.segment);
      auto ms = [](std::size_t samples) { return static_cast<double>(samples) * 1000 / voice::OutputRate; };
      std::printf("%7d  %3d  %6.1f  %9.1f  %9.1f  %8.2f\n", note.segment, note.wordsPerMinute,
                  ms(note.cutLength), ms(note.budget), ms(note.length),
                  20 * std::log10(voice::Rms(fragment)));
    }
  }
  if (!voice::WriteVoiceFile(options.output, *fragments, error)) return Fail(error);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  auto options = ParseArguments(argc, argv, error);
  if (!options) return Fail(error);
  if (options->help) {
    std::fputs(Help, stdout);
    return 0;
  }
  if (options->listMessages) {
    std::fputs(voice::MessageList().c_str(), stdout);
    return 0;
  }
  if (options->preview) return Preview(*options);
  if (options->recordings) return FromRecordings(*options);
  return FromEspeak(*options);
}
