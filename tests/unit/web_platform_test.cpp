// The browser stand-in with a double of the page in place of the browser:
// whole games on a virtual clock (Sleep and the waits move it), what the
// page is asked to show, and the sound handed to it.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "game/program.h"
#include "platform/web/web_platform.h"
#include "tests/support/recording_platform.h"
#include "runtime/module_state.h"

namespace {

using namespace platform;
using platform::web::PageEvent;

struct NothingMoreToDo {};

class FakePage final : public web::Browser {
 public:
  // The shared mixer places sounds by the steady clock: a test of where
  // they land runs the page's clock in real time.
  bool realTime = false;
  double now = 0;
  double lastEvent = 0;
  double firstSleepAt = -1;  // the first wait of the program: its first segment's
  std::deque<std::pair<double, PageEvent>> script;  // events at their times
  std::string settings;
  std::vector<std::string> titles;
  std::map<int, std::string> lines;
  std::vector<std::string> lineHistory;
  int canvasWidth = 0;
  int canvasHeight = 0;
  std::vector<std::uint8_t> canvas;  // RGBA, as the page would hold it
  std::vector<std::int16_t> sound;   // the mixer's output by frame
  std::vector<std::pair<std::string, std::string>> boxes;

  double Now() override {
    if (realTime) {
      now = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started_).count();
    }
    return now;
  }
  void Sleep(double milliseconds) override {
    if (firstSleepAt < 0) firstSleepAt = Now();
    if (realTime) {
      std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(milliseconds));
      Now();
    } else {
      now += milliseconds;
    }
  }
  void WaitForEvent(double timeout) override {
    if (!script.empty() && script.front().first <= now) return;
    if (script.empty()) {
      // Waiting for a key that will not come, with only the caret's
      // blinks to wake it: the program has nothing more to do.
      if (timeout < 0 || now > lastEvent + 5000) throw NothingMoreToDo{};
      Sleep(timeout);
      return;
    }
    double next = script.front().first;
    now = timeout < 0 ? next : std::min(next, now + timeout);
  }
  std::optional<PageEvent> NextEvent() override {
    if (script.empty() || script.front().first > now) return std::nullopt;
    PageEvent event = script.front().second;
    event.time = script.front().first;
    lastEvent = now;
    script.pop_front();
    return event;
  }

  void ScreenSize(int& width, int& height) override {
    width = 1280;
    height = 1024;
  }
  void ShowCanvas(int width, int height) override {
    canvasWidth = width;
    canvasHeight = height;
    canvas.assign(static_cast<std::size_t>(width * height * 4), 0);
  }
  void Present(const std::uint8_t* rgba, int x, int y, int width, int height) override {
    // As the page does, nothing shows before the canvas does.
    if (x + width > canvasWidth || y + height > canvasHeight) return;
    for (int row = 0; row < height; ++row) {
      std::copy_n(rgba + static_cast<std::ptrdiff_t>(row * width * 4), width * 4,
                  canvas.begin() + ((y + row) * canvasWidth + x) * 4);
    }
  }
  void SetTitle(const std::string& utf8) override { titles.push_back(utf8); }
  void SetScreenLine(int row, const std::string& utf8) override {
    lines[row] = utf8;
    lineHistory.push_back(utf8);
  }

  web::FaceMetrics MeasureFace(int, double size) override {
    return web::FaceMetrics{0.928 * size, 0.236 * size, 0.602 * size};
  }
  // Ink in the middle third of the cell, whatever the character.
  void DrawGlyph(const web::CellFont& font, char32_t, std::uint8_t* out) override {
    for (int y = font.cellHeight / 3; y < 2 * font.cellHeight / 3; ++y) {
      for (int x = font.cellWidth / 3; x < 2 * font.cellWidth / 3; ++x) {
        out[y * font.cellWidth + x] = 255;
      }
    }
  }

  int OpenAudio() override { return 44100; }
  void PlayAudio(const std::int16_t* samples, std::size_t count, std::uint64_t frame) override {
    if (sound.size() < frame + count) sound.resize(frame + count);
    std::copy_n(samples, count, sound.begin() + static_cast<std::ptrdiff_t>(frame));
  }
  void CloseAudio() override {}

  std::string SettingsText() override { return settings; }
  std::string ProgramAddress() override { return "http://127.0.0.1:8000/mirabo.wasm"; }
  void MessageBox(const std::string& caption, const std::string& text) override {
    boxes.emplace_back(caption, text);
  }
  [[noreturn]] void EndProgram(int exitCode) override {
    throw doubles::ProcessExited{static_cast<UINT>(exitCode)};
  }

  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();

  std::array<int, 3> PixelAt(int x, int y) const {
    auto i = static_cast<std::size_t>((y * canvasWidth + x) * 4);
    return {canvas[i], canvas[i + 1], canvas[i + 2]};
  }

  void Key(double at, const std::string& code, const std::string& key) {
    PageEvent down;
    down.kind = PageEvent::Kind::KeyDown;
    down.code = code;
    down.key = key;
    PageEvent up = down;
    up.kind = PageEvent::Kind::KeyUp;
    script.emplace_back(at, down);
    script.emplace_back(at + 1, up);
  }
};

// Each game runs on a fresh backend, from a directory of its own (where
// the program looks for fones.DAT).
class WebPlatformGame : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = std::filesystem::temp_directory_path() /
                 ("mirabo-web-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                  "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(directory_);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(directory_);
    auto owned = std::make_unique<FakePage>();
    page = owned.get();
    backend = std::make_unique<web::WebPlatform>(std::move(owned));
    InstallPlatform(backend.get());
    runtime::ResetModules();
  }
  void TearDown() override {
    runtime::ResetModules();
    InstallPlatform(nullptr);
    backend.reset();
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(directory_);
  }

  std::optional<UINT> Play() {
    try {
      return doubles::RunUntilExit([] { game::RunProgram(); });
    } catch (const NothingMoreToDo&) {
      return std::nullopt;
    }
  }

  void TypeLine(double at, const std::string& line) {
    for (char c : line) page->Key(at += 2, std::string("Digit") + c, std::string(1, c));
    page->Key(at + 2, "Enter", "Enter");
  }

  FakePage* page = nullptr;
  std::unique_ptr<web::WebPlatform> backend;

 private:
  std::filesystem::path directory_;
  std::filesystem::path previous_;
};

bool Shown(const std::vector<std::string>& history, const std::string& text) {
  return std::find(history.begin(), history.end(), text) != history.end();
}

TEST_F(WebPlatformGame, ATypedAheadGameWinsAndEndsWithTheFinishedTitleAndExitCode0) {
  page->Key(1, "Enter", "Enter");
  TypeLine(10, "0");
  TypeLine(20, "8");
  TypeLine(30, "2");
  TypeLine(40, "2");
  std::optional<UINT> exitCode = Play();
  ASSERT_TRUE(exitCode.has_value()) << "the game waited for a key that never came";
  EXPECT_EQ(*exitCode, 0u);
  ASSERT_FALSE(page->titles.empty());
  EXPECT_EQ(page->titles.front(), "http://127.0.0.1:8000/mirabo.wasm");
  EXPECT_EQ(page->titles.back(), "Programa terminado");
  // 80 x 25 cells of the default font, 9 x 22, on a canvas without frame.
  EXPECT_EQ(page->canvasWidth, 720);
  EXPECT_EQ(page->canvasHeight, 550);
  // The live region read every screen of the game.
  EXPECT_TRUE(Shown(page->lineHistory, "Tecle enter"));
  EXPECT_TRUE(Shown(page->lineHistory, "Digite um n\xC3\xBAmero de 0 a 9 e tecle enter"));
  EXPECT_TRUE(Shown(page->lineHistory, "Teclou: 8"));
  EXPECT_TRUE(Shown(page->lineHistory, "Resultado: 8"));
  // The game took the time of its waits on the page's clock (some 55 s).
  EXPECT_GT(page->now, 40000);
}

TEST_F(WebPlatformGame, TheAddressSetsTheColoursAndALineThatIsNoNumberShowsTheErrorBox) {
  page->settings = "CorFundo = 1\nCORLETRA=14\n";
  page->Key(1, "Enter", "Enter");
  TypeLine(10, "x");
  std::optional<UINT> exitCode = Play();
  ASSERT_TRUE(exitCode.has_value());
  EXPECT_EQ(*exitCode, 1u);
  ASSERT_EQ(page->boxes.size(), 1u);
  // The first row's blank right part is blue, its letters yellow.
  EXPECT_EQ(page->PixelAt(700, 11), (std::array<int, 3>{0, 0, 255}));
  bool yellow = false;
  for (int x = 0; x < 9 * 20 && !yellow; ++x) {
    yellow = page->PixelAt(x, 11) == std::array<int, 3>{255, 255, 0};
  }
  EXPECT_TRUE(yellow);
}

// A fones.DAT whose every range holds a square wave of its own: the page
// must be handed sound at the frames where the waits put the segments.
void WriteSquareVoice(const std::filesystem::path& file) {
  constexpr std::uint32_t kRate = 22050;
  // As long as the real voice, whose last range ends at sample 3007025.
  std::vector<std::int16_t> samples(3010000, 0);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<std::int16_t>((i / 20) % 2 == 0 ? 4000 : -4000);
  }
  std::ofstream out(file, std::ios::binary);
  auto put32 = [&out](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto put16 = [&out](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  auto bytes = static_cast<std::uint32_t>(samples.size() * 2);
  out.write("RIFF", 4);
  put32(36 + bytes);
  out.write("WAVEfmt ", 8);
  put32(16);
  put16(1);
  put16(1);
  put32(kRate);
  put32(kRate * 2);
  put16(2);
  put16(16);
  out.write("data", 4);
  put32(bytes);
  out.write(reinterpret_cast<const char*>(samples.data()), bytes);
}

TEST_F(WebPlatformGame, TheStartMessageIsHandedToThePageAtTheFramesOfItsWaits) {
  WriteSquareVoice("fones.DAT");
  page->realTime = true;
  page->lastEvent = page->Now() - 3500;  // the wait for a key ends the game soon
  // No key: the start message is spoken once and the game waits.
  EXPECT_FALSE(Play().has_value());
  // "Tecle enter": six segments, 1049 ms of waits, then the beep.  The
  // first segment starts within the mixer's lead of its call (made just
  // before its wait), and the speech lasts what the waits add up to.
  auto first = std::find_if(page->sound.begin(), page->sound.end(), [](auto s) { return s != 0; });
  ASSERT_NE(first, page->sound.end()) << "no sound was handed to the page";
  double startMs =
      static_cast<double>(first - page->sound.begin()) * 1000 / 44100 - page->firstSleepAt;
  EXPECT_GE(startMs, 0);
  EXPECT_LE(startMs, web::kLeadMilliseconds + 20);
  // The speech runs without a gap until the beep, 1049 ms after its start.
  auto speechFrames = static_cast<std::ptrdiff_t>(1049 * 44.1);
  std::size_t silent = 0;
  for (auto it = first; it < first + speechFrames - 441; it += 441) {
    if (std::all_of(it, it + 441, [](auto s) { return s == 0; })) ++silent;
  }
  EXPECT_EQ(silent, 0u) << "10 ms buffers of silence inside the speech";
}

}  // namespace
