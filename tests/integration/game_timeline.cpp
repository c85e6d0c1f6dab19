// Plays one game on the recording double and prints when each sound starts
// and stops on its virtual clock, so that a test of the real program can
// compare what it hears with what the game's own sequences add up to.
//
//   game_timeline [LINE...]      Enter, then each LINE followed by Enter
//   game_timeline --keys TEXT    exactly the characters of TEXT
//   game_timeline --segments     the sample range of every segment
//
// The keys are all typed ahead of time (as a player typing during the
// speech would).  Prints one event per line, times in milliseconds from the
// start of the program:
//
//   play SEGMENT AT WAIT FIRST END   a sample range starts; WAIT = (END - FIRST) div 30
//   tone FREQUENCY AT                a looping tone starts
//   stop AT                          the tone stops
//   exit CODE AT                     the program ends
//   waits AT                         the program waits for a key that never comes
//
// With --segments: "segment NUMBER FIRST END" for each of the table's
// segments, so that a test can make a voice without reading the table's
// source.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "game/program.h"
#include "synt/segment_table.h"
#include "tests/support/recording_platform.h"
#include "tests/support/sound_image.h"

namespace {

// The segment a play command names, 0 for a range that is none of them.
int SegmentOf(const std::string& command) {
  for (int number = 1; number <= synt::SegmentCount; ++number) {
    const synt::Segment& segment = synt::SegmentNumber(number);
    if (command == "play meusomm from " + std::string(segment.start) + " to " +
                       std::string(segment.end)) {
      return number;
    }
  }
  return 0;
}

long FirstOf(int number) { return std::stol(std::string(synt::SegmentNumber(number).start)); }
long EndOf(int number) { return std::stol(std::string(synt::SegmentNumber(number).end)); }
long WaitOf(int number) { return (EndOf(number) - FirstOf(number)) / 30; }

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string option = argc > 1 ? argv[1] : "";
  if (option == "--segments") {
    for (int number = 1; number <= synt::SegmentCount; ++number) {
      std::printf("segment %d %ld %ld\n", number, FirstOf(number), EndOf(number));
    }
    return EXIT_SUCCESS;
  }

  doubles::PlatformFixture fixture;
  doubles::RecordingPlatform& os = fixture.os();

  std::string typed;
  if (option == "--keys") {
    if (argc != 3) return 2;
    typed = argv[2];
  } else {
    typed = "\r";
    for (int i = 1; i < argc; ++i) typed += std::string(argv[i]) + "\r";
  }
  for (char c : typed) os.ScriptChar(1, static_cast<std::uint8_t>(c));

  std::optional<platform::UINT> exitCode;
  bool waits = false;
  try {
    exitCode = doubles::RunUntilExit([] { game::RunProgram(); });
  } catch (const doubles::NothingMoreScripted&) {
    waits = true;
  }

  // Walk the record: every Sleep moves the clock, every sound call happens
  // at the clock's reading.
  std::uint64_t now = 0;
  std::size_t sound = 0;
  for (const std::string& call : os.calls) {
    if (StartsWith(call, "Sleep(")) {
      now += std::stoull(call.substr(6));
    } else if (StartsWith(call, "mciSendStringA(play ")) {
      std::string command = call.substr(15, call.rfind(", ") - 15);
      int number = SegmentOf(command);
      if (number == 0) return 2;
      std::printf("play %d %llu %ld %ld %ld\n", number, static_cast<unsigned long long>(now),
                  WaitOf(number), FirstOf(number), EndOf(number));
    } else if (StartsWith(call, "sndPlaySoundA(")) {
      if (sound >= os.sounds.size()) return 2;
      const doubles::SoundCall& played = os.sounds[sound++];
      if (played.image.empty()) {
        std::printf("stop %llu\n", static_cast<unsigned long long>(now));
      } else {
        std::printf("tone %d %llu\n", doubles::ToneFrequency(played.image),
                    static_cast<unsigned long long>(now));
      }
    }
  }
  if (exitCode) std::printf("exit %u %llu\n", static_cast<unsigned>(*exitCode), static_cast<unsigned long long>(now));
  if (waits) std::printf("waits %llu\n", static_cast<unsigned long long>(now));
  if (now != os.now) {
    std::fprintf(stderr, "the walked clock (%llu) is not the double's (%llu)\n",
                 static_cast<unsigned long long>(now), static_cast<unsigned long long>(os.now));
    return 2;
  }
  return EXIT_SUCCESS;
}
