// The SDL backend as the console sees it, on SDL's dummy video and audio
// drivers: the messages window calls send, the order of key messages made
// from SDL events, key state per message, pixels on the screen.
#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/sdl/sdl_pixels.h"

namespace {

using namespace platform;
namespace fs = std::filesystem;

struct Received {
  UINT message;
  WPARAM wParam;
  bool ctrl;  // GetKeyState(VK_CONTROL) while the message was handled
  bool alt;
};

class SdlPlatformTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
  }

  void SetUp() override {
    current = this;
    os = std::make_unique<sdl::SdlPlatform>();
    InstallPlatform(os.get());
    WNDCLASSA windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = &Procedure;
    windowClass.hbrBackground = os->GetStockObject(BLACK_BRUSH);
    windowClass.lpszClassName = "KzWinCrt";
    ASSERT_NE(os->RegisterClassA(windowClass), 0);
  }

  void TearDown() override {
    InstallPlatform(nullptr);
    os.reset();
    current = nullptr;
  }

  static LRESULT Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SdlPlatformTest& test = *current;
    test.received.push_back(Received{message, wParam, test.os->GetKeyState(VK_CONTROL) < 0,
                                     test.os->GetKeyState(VK_MENU) < 0});
    if (message == WM_GETMINMAXINFO) {
      auto& info = *reinterpret_cast<MINMAXINFO*>(lParam);
      test.maxTrack = info.ptMaxTrackSize;
      if (test.limit.x != 0) info.ptMaxTrackSize = test.limit;
    }
    if (message == WM_PAINT) {
      PAINTSTRUCT paint;
      test.os->BeginPaint(window, paint);
      test.os->EndPaint(window, paint);
      return 0;
    }
    if (message == WM_SYSKEYDOWN || message == WM_CLOSE) {
      return test.os->DefWindowProcA(window, message, wParam, lParam);
    }
    return 0;
  }

  HWND Create(int width = 728, int height = 578) {
    return os->CreateWindowExA(0, "kzwincrt", "Janela", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                               CW_USEDEFAULT, width, height, nullptr, nullptr, nullptr, nullptr);
  }

  void PushKey(Uint32 type, SDL_Keycode key, SDL_Scancode scancode, Uint16 modifiers = 0) {
    SDL_Event event{};
    event.type = type;
    event.key.windowID = 1;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = scancode;
    event.key.keysym.mod = modifiers;
    SDL_PushEvent(&event);
  }

  void PushText(const char* utf8) {
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = 1;
    std::strncpy(event.text.text, utf8, sizeof event.text.text - 1);
    SDL_PushEvent(&event);
  }

  // What PumpMessages does: take, translate and dispatch until empty.
  void Pump() {
    MSG message;
    while (os->PeekMessageA(message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quit = true;
        continue;
      }
      os->TranslateMessage(message);
      os->DispatchMessageA(message);
    }
  }

  std::vector<UINT> Messages() const {
    std::vector<UINT> messages;
    for (const Received& r : received) messages.push_back(r.message);
    return messages;
  }

  std::vector<std::pair<UINT, WPARAM>> KeyMessages() const {
    std::vector<std::pair<UINT, WPARAM>> keys;
    for (const Received& r : received) {
      if (r.message >= WM_KEYDOWN && r.message <= WM_SYSCHAR) keys.emplace_back(r.message, r.wParam);
    }
    return keys;
  }

  COLORREF Screen(int x, int y) {
    SDL_Surface* screen = SDL_GetWindowSurface(SDL_GetWindowFromID(1));
    if (screen == nullptr) return 0xFFFFFFFF;
    Uint32 pixel = 0;
    std::memcpy(&pixel, static_cast<Uint8*>(screen->pixels) + y * screen->pitch + x * 4, 4);
    Uint8 r = 0, g = 0, b = 0;
    SDL_GetRGB(pixel, screen->format, &r, &g, &b);
    return Rgb(r, g, b);
  }

  static inline SdlPlatformTest* current = nullptr;
  std::unique_ptr<sdl::SdlPlatform> os;
  std::vector<Received> received;
  POINT maxTrack;
  POINT limit;  // when set, the procedure answers it as the largest track size
  bool quit = false;
};

TEST_F(SdlPlatformTest, CreatingAWindowSendsMinMaxInfoThenCreateAndLeavesTheFrameOut) {
  HWND window = Create(728, 578);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Messages(), (std::vector<UINT>{WM_GETMINMAXINFO, WM_CREATE}));
  RECT client;
  ASSERT_TRUE(os->GetClientRect(window, client));
  EXPECT_EQ(client.right, 728 - 2 * os->GetSystemMetrics(SM_CXFRAME));
  EXPECT_EQ(client.bottom,
            578 - 2 * os->GetSystemMetrics(SM_CYFRAME) - os->GetSystemMetrics(SM_CYCAPTION));
  RECT outer;
  ASSERT_TRUE(os->GetWindowRect(window, outer));
  EXPECT_EQ(outer.right - outer.left, 728);
  EXPECT_EQ(outer.bottom - outer.top, 578);
  EXPECT_GT(maxTrack.x, os->GetSystemMetrics(SM_CXSCREEN));
}

TEST_F(SdlPlatformTest, TheLargestTrackSizeBoundsTheWindowBeingCreated) {
  limit = POINT{408, 328};
  HWND window = Create(2000, 2000);
  RECT client;
  ASSERT_TRUE(os->GetClientRect(window, client));
  EXPECT_EQ(client.right, 400);
  EXPECT_EQ(client.bottom, 300);
}

TEST_F(SdlPlatformTest, ShowingFocusesOnceAndUpdatingPaintsOnlyAnInvalidWindow) {
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

TEST_F(SdlPlatformTest, EachCharacterFollowsItsOwnKeyDownBeforeTheNextKey) {
  HWND window = Create();
  os->ShowWindow(window, SW_SHOW);
  received.clear();
  PushKey(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A);
  PushText("a");
  PushKey(SDL_KEYDOWN, SDLK_b, SDL_SCANCODE_B);
  PushText("b");
  PushKey(SDL_KEYUP, SDLK_a, SDL_SCANCODE_A);
  PushKey(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN);
  PushKey(SDL_KEYUP, SDLK_b, SDL_SCANCODE_B);
  PushKey(SDL_KEYDOWN, SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON);
  PushText("\xC3\xA7");  // c-cedilla from a Portuguese layout
  Pump();
  EXPECT_EQ(KeyMessages(), (std::vector<std::pair<UINT, WPARAM>>{
                               {WM_KEYDOWN, 'A'},
                               {WM_CHAR, 'a'},
                               {WM_KEYDOWN, 'B'},
                               {WM_CHAR, 'b'},
                               {WM_KEYUP, 'A'},
                               {WM_KEYDOWN, VK_RETURN},
                               {WM_CHAR, 13},
                               {WM_KEYUP, 'B'},
                               {WM_KEYDOWN, 0xBA},
                               {WM_CHAR, 0xE7},
                           }));
}

TEST_F(SdlPlatformTest, CtrlMakesControlCodesAndKeyStateIsThatOfTheMessage) {
  HWND window = Create();
  os->ShowWindow(window, SW_SHOW);
  received.clear();
  PushKey(SDL_KEYDOWN, SDLK_LCTRL, SDL_SCANCODE_LCTRL, KMOD_LCTRL);
  PushKey(SDL_KEYDOWN, SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, KMOD_LCTRL);
  PushKey(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_LCTRL);
  PushKey(SDL_KEYDOWN, SDLK_c, SDL_SCANCODE_C, KMOD_LCTRL);
  PushText("c");  // some systems still send the letter: Windows would not
  PushKey(SDL_KEYUP, SDLK_LCTRL, SDL_SCANCODE_LCTRL);
  PushKey(SDL_KEYDOWN, SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE);
  Pump();
  std::vector<std::pair<UINT, WPARAM>> characters;
  std::vector<bool> ctrlAtCharacter;
  for (const Received& r : received) {
    if (r.message == WM_CHAR) {
      characters.emplace_back(r.message, r.wParam);
      ctrlAtCharacter.push_back(r.ctrl);
    }
  }
  EXPECT_EQ(characters, (std::vector<std::pair<UINT, WPARAM>>{
                            {WM_CHAR, 127}, {WM_CHAR, 10}, {WM_CHAR, 3}, {WM_CHAR, 8}}));
  // Ctrl was released before these were handled, but not before they were typed.
  EXPECT_EQ(ctrlAtCharacter, (std::vector<bool>{true, true, true, false}));
}

TEST_F(SdlPlatformTest, AltMakesSystemKeysWithoutCharactersButCtrlAltIsAnOrdinaryKey) {
  HWND window = Create();
  os->ShowWindow(window, SW_SHOW);
  received.clear();
  PushKey(SDL_KEYDOWN, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT);
  PushKey(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A, KMOD_LALT);
  PushText("a");
  PushKey(SDL_KEYDOWN, SDLK_LEFT, SDL_SCANCODE_LEFT, KMOD_LALT);
  PushKey(SDL_KEYDOWN, SDLK_LCTRL, SDL_SCANCODE_LCTRL, KMOD_LALT | KMOD_LCTRL);
  PushKey(SDL_KEYDOWN, SDLK_F11, SDL_SCANCODE_F11, KMOD_LALT | KMOD_LCTRL);
  PushKey(SDL_KEYDOWN, SDLK_2, SDL_SCANCODE_2, KMOD_LALT | KMOD_LCTRL);
  PushText("@");  // AltGr's character
  Pump();
  EXPECT_EQ(KeyMessages(), (std::vector<std::pair<UINT, WPARAM>>{
                               {WM_SYSKEYDOWN, VK_MENU},
                               {WM_SYSKEYDOWN, 'A'},
                               {WM_SYSKEYDOWN, VK_LEFT},
                               {WM_KEYDOWN, VK_CONTROL},
                               {WM_KEYDOWN, VK_F11},
                               {WM_KEYDOWN, '2'},
                               {WM_CHAR, '@'},
                           }));
  EXPECT_TRUE(received.back().alt && received.back().ctrl);
}

TEST_F(SdlPlatformTest, CtrlBreakArrivesAsVkCancel) {
  HWND window = Create();
  os->ShowWindow(window, SW_SHOW);
  received.clear();
  PushKey(SDL_KEYDOWN, SDLK_PAUSE, SDL_SCANCODE_PAUSE, KMOD_RCTRL);
  Pump();
  ASSERT_FALSE(KeyMessages().empty());
  EXPECT_EQ(KeyMessages()[0], (std::pair<UINT, WPARAM>{WM_KEYDOWN, VK_CANCEL}));
}

TEST_F(SdlPlatformTest, AltF4ClosesThroughTheDefaultProcedure) {
  HWND window = Create();
  os->ShowWindow(window, SW_SHOW);
  ASSERT_EQ(os->SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&DefaultWindowProc)),
            reinterpret_cast<LONG_PTR>(&Procedure));
  PushKey(SDL_KEYDOWN, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT);
  PushKey(SDL_KEYDOWN, SDLK_F4, SDL_SCANCODE_F4, KMOD_LALT);
  Pump();
  RECT rect;
  EXPECT_FALSE(os->GetClientRect(window, rect));
  EXPECT_FALSE(quit);  // the default procedure posts no quit message
}

TEST_F(SdlPlatformTest, ClosingTheWindowAsksTheProcedureOnceAndQuitComesAfterTheQueue) {
  HWND window = Create();
  os->ShowWindow(window, SW_SHOW);
  Pump();
  SDL_Event close{};
  close.type = SDL_WINDOWEVENT;
  close.window.windowID = 1;
  close.window.event = SDL_WINDOWEVENT_CLOSE;
  SDL_PushEvent(&close);
  SDL_Event quitEvent{};
  quitEvent.type = SDL_QUIT;
  SDL_PushEvent(&quitEvent);
  MSG message;
  ASSERT_TRUE(os->PeekMessageA(message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_CLOSE));
  EXPECT_FALSE(os->PeekMessageA(message, nullptr, 0, 0, PM_REMOVE));
  os->PostQuitMessage(0);
  PushKey(SDL_KEYDOWN, SDLK_x, SDL_SCANCODE_X);
  ASSERT_TRUE(os->PeekMessageA(message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_KEYDOWN));
  ASSERT_TRUE(os->PeekMessageA(message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
}

TEST_F(SdlPlatformTest, MouseMessagesCarryClientCoordinatesAndMovesAreMerged) {
  HWND window = Create();
  os->ShowWindow(window, SW_SHOW);
  received.clear();
  SDL_Event event{};
  event.type = SDL_MOUSEMOTION;
  event.motion.windowID = 1;
  event.motion.x = 10;
  event.motion.y = 20;
  SDL_PushEvent(&event);
  event.motion.x = 100;
  event.motion.y = 60;
  SDL_PushEvent(&event);
  SDL_Event button{};
  button.type = SDL_MOUSEBUTTONDOWN;
  button.button.windowID = 1;
  button.button.button = SDL_BUTTON_RIGHT;
  button.button.x = 100;
  button.button.y = 60;
  SDL_PushEvent(&button);
  MSG message;
  ASSERT_TRUE(os->PeekMessageA(message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_MOUSEMOVE));
  EXPECT_EQ(LowWord(message.lParam), 100);
  EXPECT_EQ(HighWord(message.lParam), 60);
  ASSERT_TRUE(os->PeekMessageA(message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_RBUTTONDOWN));
  EXPECT_EQ(message.lParam, 100 | (60 << 16));
}

TEST_F(SdlPlatformTest, WaitMessageSleepsUntilAMessageArrivesAndABlinkingCaretDoesNotWakeIt) {
  HWND window = Create();
  os->ShowWindow(window, SW_SHOW);
  Pump();
  os->CreateCaret(window, nullptr, 9, 2);
  os->ShowCaret(window);
  auto start = std::chrono::steady_clock::now();
  std::thread typist([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = 1;
    event.key.keysym.sym = SDLK_a;
    event.key.keysym.scancode = SDL_SCANCODE_A;
    SDL_PushEvent(&event);
  });
  os->WaitMessage();
  auto waited = std::chrono::steady_clock::now() - start;
  typist.join();
  EXPECT_GE(waited, std::chrono::milliseconds(650));
  MSG message;
  ASSERT_TRUE(os->PeekMessageA(message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_KEYDOWN));
}

TEST_F(SdlPlatformTest, TextShowsInTheExactColoursAndTheCaretOnlyOnTheScreen) {
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

TEST_F(SdlPlatformTest, MemoryBitmapsTakeACopyAndStretchItBack) {
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

TEST_F(SdlPlatformTest, ProfileStringsComeFromTheConfigDirectoryWhateverTheNamesCase) {
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

TEST_F(SdlPlatformTest, TheModuleFileNameIsCutLikeWindowsVistaCutsIt) {
  char full[4096];
  DWORD length = os->GetModuleFileNameA(nullptr, full, sizeof full);
  ASSERT_GT(length, 5u);
  EXPECT_EQ(std::strlen(full), length);
  char cut[6];
  EXPECT_EQ(os->GetModuleFileNameA(nullptr, cut, sizeof cut), 6u);
  EXPECT_EQ(std::string(cut), std::string(full, 5));
}

TEST_F(SdlPlatformTest, SoundCallsRefuseWhatTheyCannotPlayAndNeverFail) {
  const char notWave[] = "RIFF\x04\0\0\0WAVE";
  EXPECT_FALSE(os->sndPlaySoundA(notWave, SND_ASYNC | SND_MEMORY | SND_LOOP));
  EXPECT_TRUE(os->sndPlaySoundA(nullptr, SND_ASYNC));
  EXPECT_EQ(os->mciSendStringA("open sem-arquivo.DAT type waveaudio alias meusomm", nullptr, 0,
                               nullptr),
            sdl::MCIERR_FILE_NOT_FOUND);
  char reply[80] = "x";
  EXPECT_EQ(os->mciSendStringA("play meusomm from 6615 to 12120", reply, 80, nullptr),
            sdl::MCIERR_INVALID_DEVICE_NAME);
  EXPECT_STREQ(reply, "");
  EXPECT_TRUE(os->MessageBeep(0));
}

}  // namespace
