// Plays one game on the recording double and prints when each sound starts
// and stops on its virtual clock, so that a test of the real program can
// compare what it hears with what the game's own sequences add up to.
//
//   game_timeline [LINE...]
//
// Types Enter for the start screen and then each LINE followed by Enter,
// all ahead of time (as a player typing during the speech would).  Prints
// one event per line, times in milliseconds from the start of the program:
//
//   play SEGMENT AT WAIT     a sample range starts; WAIT = (end - start) div 30
//   tone FREQUENCY AT        a looping tone starts
//   stop AT                  the tone stops
//   exit CODE AT             the program ends
//   waits AT                 the program waits for a key that never comes
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

long WaitOf(int number) {
  const synt::Segment& segment = synt::SegmentNumber(number);
  return (std::stol(std::string(segment.end)) - std::stol(std::string(segment.start))) / 30;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  doubles::PlatformFixture fixture;
  doubles::RecordingPlatform& os = fixture.os();

  std::string typed = "\r";
  for (int i = 1; i < argc; ++i) typed += std::string(argv[i]) + "\r";
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
      std::printf("play %d %llu %ld\n", number, static_cast<unsigned long long>(now),
                  number != 0 ? WaitOf(number) : 0L);
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
