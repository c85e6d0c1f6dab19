#include "tools/voice/recordings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <system_error>

#include "tools/voice/resample.h"
#include "tools/voice/shaping.h"
#include "tools/voice/wav_io.h"

namespace voice {

namespace {

// The segment a file name stands for, or 0.
int SegmentOfName(const std::filesystem::path& name) {
  std::string extension = name.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension != ".wav") return 0;
  const std::string stem = name.stem().string();
  if (stem.empty() || stem.size() > 4) return 0;
  int number = 0;
  for (char c : stem) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return 0;
    number = number * 10 + (c - '0');
  }
  return number >= 1 && number <= synt::SegmentCount ? number : 0;
}

void RemoveOffset(Samples& samples) {
  if (samples.empty()) return;
  double sum = 0;
  for (float sample : samples) sum += sample;
  const auto mean = static_cast<float>(sum / static_cast<double>(samples.size()));
  for (float& sample : samples) sample -= mean;
}

}  // namespace

std::optional<Fragments> LoadRecordings(const std::filesystem::path& folder,
                                        std::vector<std::string>& problems) {
  std::error_code failure;
  if (!std::filesystem::is_directory(folder, failure)) {
    problems.push_back(folder.string() + " is not a folder");
    return std::nullopt;
  }
  std::array<std::vector<std::filesystem::path>, synt::SegmentCount> found;
  for (const auto& entry : std::filesystem::directory_iterator(folder, failure)) {
    const int segment = SegmentOfName(entry.path().filename());
    if (segment != 0) found[static_cast<std::size_t>(segment - 1)].push_back(entry.path());
  }
  if (failure) {
    problems.push_back("cannot list " + folder.string() + ": " + failure.message());
    return std::nullopt;
  }
  Fragments fragments;
  for (int segment = 1; segment <= synt::SegmentCount; ++segment) {
    auto& paths = found[static_cast<std::size_t>(segment - 1)];
    const std::string label = "segment " + std::to_string(segment) + ": ";
    if (paths.empty()) {
      problems.push_back(label + "no recording (" + std::to_string(segment) + ".wav)");
      continue;
    }
    if (paths.size() > 1) {
      std::sort(paths.begin(), paths.end());
      problems.push_back(label + "two recordings, " + paths[0].filename().string() + " and " +
                         paths[1].filename().string() + "; keep one");
      continue;
    }
    std::string why;
    auto sound = ReadWav(paths[0], why);
    if (!sound) {
      problems.push_back(label + paths[0].filename().string() + " is unreadable: " + why);
      continue;
    }
    Samples samples = Resample(sound->samples, sound->rate, OutputRate);
    RemoveOffset(samples);
    if (Peak(samples) < SilentPeak) {
      problems.push_back(label + paths[0].filename().string() + " is silent");
      continue;
    }
    const std::size_t budget = FragmentBudget(synt::SegmentNumber(segment), OutputRate);
    FragmentOf(fragments, segment) = ShapeFragment(samples, budget, OutputRate);
  }
  if (!problems.empty()) return std::nullopt;
  return fragments;
}

}  // namespace voice
