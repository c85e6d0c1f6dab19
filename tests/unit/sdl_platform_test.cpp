// The SDL backend's windows, painting, drawing, files and sound calls.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "tests/unit/sdl_platform_fixture.h"

namespace {

using namespace sdl_testing;
namespace fs = std::filesystem;

class SdlWindow : public SdlBackendFixture {};

TEST_F(SdlWindow, CreatingAWindowSendsMinMaxInfoThenCreateAndLeavesTheFrameOut) {
  HWND window = Create(728, 578);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_GETMINMAXINFO, WM_CREATE}));
  POINT client = ClientSize();
  EXPECT_EQ(client.x, 728 - 2 * os->GetSystemMetrics(SM_CXFRAME));
  EXPECT_EQ(client.y,
            578 - 2 * os->GetSystemMetrics(SM_CYFRAME) - os->GetSystemMetrics(SM_CYCAPTION));
  RECT outer;
  ASSERT_TRUE(os->GetWindowRect(window, outer));
  EXPECT_EQ(outer.right - outer.left, 728);
  EXPECT_EQ(outer.bottom - outer.top, 578);
  EXPECT_GT(maxTrack.x, os->GetSystemMetrics(SM_CXSCREEN));
}

TEST_F(SdlWindow, TheLargestTrackSizeBoundsTheWindowBeingCreated) {
  limit = POINT{408, 328};
  ASSERT_NE(Create(2000, 2000), nullptr);
  EXPECT_EQ(ClientSize().x, 400);
  EXPECT_EQ(ClientSize().y, 300);
}

// A font of 512-pixel cells asks for a window of 40968 x 12828 pixels.  SDL
// refuses any window over 16384 pixels, and the backend, left without a
// window, ended the program with exit code 1 before the game began; Windows
// bounds the size by the largest track size while it creates the window.
// Run in a child: the old failure ends the process.
TEST(SdlHugeWindow, AWindowFarLargerThanTheScreenOpensAtTheScreensSize) {
  EXPECT_EXIT(
      {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        sdl::SdlPlatform os;
        WNDCLASSA windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; };
        windowClass.hbrBackground = os.GetStockObject(BLACK_BRUSH);
        windowClass.lpszClassName = "KzWinCrt";
        os.RegisterClassA(windowClass);
        HWND window = os.CreateWindowExA(0, "KzWinCrt", "Janela", WS_OVERLAPPEDWINDOW,
                                         CW_USEDEFAULT, CW_USEDEFAULT, 40968, 12828, nullptr,
                                         nullptr, nullptr, nullptr);
        int width = 0;
        int height = 0;
        SDL_GetWindowSize(SDL_GetWindowFromID(1), &width, &height);
        bool fits = window != nullptr && width == os.GetSystemMetrics(SM_CXSCREEN) &&
                    height == os.GetSystemMetrics(SM_CYSCREEN);
        std::fprintf(stderr, "client %d x %d\n", width, height);
        std::_Exit(fits ? 0 : 3);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(SdlWindow, ShowingFocusesOnceAndUpdatingPaintsOnlyAnInvalidWindow) {
  HWND window = Create();
  received.clear();
  os->ShowWindow(window, SW_SHOW);
  EXPECT_EQ(os->GetActiveWindow(), window);
  os->UpdateWindow(window);
  os->UpdateWindow(window);  // validated by the first paint
  Pump();
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_SETFOCUS, WM_PAINT}));

  os->InvalidateRect(window, nullptr, false);
  Pump();  // WM_PAINT comes from the queue while the window is invalid
  EXPECT_EQ(Messages().back(), static_cast<UINT>(WM_PAINT));
  MSG message;
  EXPECT_FALSE(os->PeekMessageA(message, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(SdlWindow, TextShowsInTheExactColoursAndTheCaretOnlyOnTheScreen) {
  HFONT font = os->CreateFontA(22, 9, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0, "Lucida Console");
  ASSERT_NE(font, nullptr);
  HWND window = Create();
  os->ShowWindow(window, SW_SHOW);
  os->UpdateWindow(window);
  HDC dc = os->GetDC(window);
  HGDIOBJ previous = os->SelectObject(dc, font);
  TEXTMETRICA metrics;
  ASSERT_TRUE(os->GetTextMetricsA(dc, metrics));
  EXPECT_EQ(metrics.tmHeight, 22);
  EXPECT_EQ(metrics.tmAveCharWidth, 9);
  EXPECT_EQ(metrics.tmAscent + metrics.tmDescent, 22);
  EXPECT_EQ(metrics.tmExternalLeading, 0);
  EXPECT_EQ(metrics.tmOverhang, 0);
  EXPECT_GE(metrics.tmWeight, 600);
  os->SetTextColor(dc, Rgb(255, 255, 0));
  os->SetBkColor(dc, Rgb(0, 0, 255));
  os->TextOutA(dc, 18, 22, "\xDB\xDB H", 4);
  os->SelectObject(dc, previous);
  os->ReleaseDC(window, dc);
  EXPECT_EQ(Screen(18, 22), Rgb(0, 0, 255));      // the corner of the first cell
  EXPECT_EQ(Screen(18 + 31, 22 + 21), Rgb(0, 0, 255));  // the blank's cell
  EXPECT_EQ(Screen(17, 22), Rgb(0, 0, 0));        // outside the run: the class brush
  bool yellow = false;
  for (int x = 18; x < 27; ++x) {
    for (int y = 22; y < 44; ++y) yellow = yellow || Screen(x, y) == Rgb(255, 255, 0);
  }
  EXPECT_TRUE(yellow);

  // The caret inverts the screen, not the client surface: a copy of the
  // pixels under it shows the text's background.
  os->CreateCaret(window, nullptr, 9, 2);
  os->SetCaretPos(45, 22);
  os->ShowCaret(window);
  EXPECT_EQ(Screen(45, 22), Rgb(255, 255, 0));  // inverted blue
  dc = os->GetDC(window);
  os->BitBlt(dc, 100, 100, 9, 2, dc, 45, 22, SRCCOPY);
  os->ReleaseDC(window, dc);
  EXPECT_EQ(Screen(100, 100), Rgb(0, 0, 255));
  os->DestroyCaret();
  EXPECT_EQ(Screen(45, 22), Rgb(0, 0, 255));
  EXPECT_TRUE(os->DeleteObject(font));
}

TEST_F(SdlWindow, MemoryBitmapsTakeACopyAndStretchItBack) {
  HWND window = Create();
  os->ShowWindow(window, SW_SHOW);
  HDC dc = os->GetDC(window);
  HBRUSH brush = os->CreateSolidBrush(Rgb(142, 0, 142));
  HGDIOBJ previous = os->SelectObject(dc, brush);
  os->PatBlt(dc, 0, 0, 10, 10, PATCOPY);
  os->SelectObject(dc, previous);
  os->DeleteObject(brush);
  HDC memory = os->CreateCompatibleDC(dc);
  HBITMAP bitmap = os->CreateCompatibleBitmap(dc, 728, 578);
  HGDIOBJ kept = os->SelectObject(memory, bitmap);
  os->BitBlt(memory, 0, 0, 728, 578, dc, 0, 0, SRCCOPY);
  os->PatBlt(dc, 0, 0, 40, 40, PATCOPY);  // the DC's default brush: white
  os->StretchBlt(dc, 0, 0, 728, 578, memory, 0, 0, 364, 289, SRCCOPY);
  os->ReleaseDC(window, dc);
  EXPECT_EQ(Screen(19, 19), Rgb(142, 0, 142));
  EXPECT_EQ(Screen(20, 20), Rgb(0, 0, 0));
  EXPECT_EQ(os->SelectObject(memory, kept), bitmap);
  EXPECT_TRUE(os->DeleteObject(bitmap));
  EXPECT_TRUE(os->DeleteDC(memory));
}

TEST_F(SdlWindow, ProfileStringsComeFromTheConfigDirectoryWhateverTheNamesCase) {
  fs::path home = fs::temp_directory_path() / "sdl_platform_test_config";
  fs::create_directories(home / "mirabo");
  std::ofstream(home / "mirabo" / "Mirabo.ini") << "[video]\nfonte = \"Courier New\"\n";
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  char buffer[80];
  EXPECT_EQ(os->GetPrivateProfileStringA("VIDEO", "FONTE", "Lucida Console", buffer, 80,
                                         "MIRABO.INI"),
            11u);
  EXPECT_STREQ(buffer, "Courier New");
  EXPECT_EQ(os->GetPrivateProfileStringA("VIDEO", "AMPLIF", "2", buffer, 2, "MIRABO.INI"), 1u);
  EXPECT_STREQ(buffer, "2");
  fs::remove_all(home);
  EXPECT_EQ(os->GetPrivateProfileStringA("VIDEO", "FONTE", "Lucida Console", buffer, 80,
                                         "MIRABO.INI"),
            14u);
  unsetenv("XDG_CONFIG_HOME");
}

TEST_F(SdlWindow, TheModuleFileNameIsCutLikeWindowsVistaCutsIt) {
  char full[4096];
  DWORD length = os->GetModuleFileNameA(nullptr, full, sizeof full);
  ASSERT_GT(length, 5u);
  EXPECT_EQ(std::strlen(full), length);
  char cut[6];
  EXPECT_EQ(os->GetModuleFileNameA(nullptr, cut, sizeof cut), 6u);
  EXPECT_EQ(std::string(cut), std::string(full, 5));
}

TEST_F(SdlWindow, SoundCallsRefuseWhatTheyCannotPlayAndNeverFail) {
  const char notWave[] = "RIFF\x04\0\0\0WAVE";
  EXPECT_FALSE(os->sndPlaySoundA(notWave, SND_ASYNC | SND_MEMORY | SND_LOOP));
  EXPECT_TRUE(os->sndPlaySoundA(nullptr, SND_ASYNC));
  EXPECT_EQ(os->mciSendStringA("open sem-arquivo.DAT type waveaudio alias meusomm", nullptr, 0,
                               nullptr),
            common::MCIERR_FILE_NOT_FOUND);
  char reply[80] = "x";
  EXPECT_EQ(os->mciSendStringA("play meusomm from 6615 to 12120", reply, 80, nullptr),
            common::MCIERR_INVALID_DEVICE_NAME);
  EXPECT_STREQ(reply, "");
  EXPECT_TRUE(os->MessageBeep(0));
}

// Closing the window ends the program, and SDL may have sent its wake-up
// message to that window a moment before; tearing SDL down at the exit
// (SDL_Quit) closes the X connections, Xlib then reads the BadWindow that
// comes back and ends the process with exit code 1 through its default
// error handler.  So the exit closes only the sound: a window still shown
// is never hidden or destroyed on the way out.
TEST(SdlExit, ExitProcessEndsWithItsCodeAndTearsNoWindowDown) {
  static const fs::path marker =
      fs::temp_directory_path() /
      ("mirabo-exit-test-" + std::to_string(static_cast<long>(getpid())) + ".txt");
  fs::remove(marker);
  EXPECT_EXIT(
      {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        sdl::SdlPlatform os;
        WNDCLASSA windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; };
        windowClass.hbrBackground = os.GetStockObject(BLACK_BRUSH);
        windowClass.lpszClassName = "KzWinCrt";
        os.RegisterClassA(windowClass);
        HWND window = os.CreateWindowExA(0, "KzWinCrt", "Janela", WS_OVERLAPPEDWINDOW,
                                         CW_USEDEFAULT, CW_USEDEFAULT, 728, 578, nullptr,
                                         nullptr, nullptr, nullptr);
        os.ShowWindow(window, SW_SHOW);
        SDL_AddEventWatch(
            [](void*, SDL_Event* event) {
              if (event->type == SDL_WINDOWEVENT &&
                  event->window.event == SDL_WINDOWEVENT_HIDDEN) {
                std::ofstream(marker) << "hidden\n";
              }
              return 0;
            },
            nullptr);
        os.ExitProcess(7);
      },
      ::testing::ExitedWithCode(7), "");
  EXPECT_FALSE(fs::exists(marker)) << "the window was torn down on the way out";
  fs::remove(marker);
}

}  // namespace
