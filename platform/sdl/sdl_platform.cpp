// Start and end of the backend, and the calls that are neither window nor
// message: profile strings, the module file name, time, the exit and the
// message box.
#include "platform/sdl/sdl_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/common/cp1252.h"
#include "platform/common/profile.h"
#include "platform/native.h"

// GCC names AddressSanitizer with a macro, clang with a feature.
#if defined(__SANITIZE_ADDRESS__)
#define MIRABO_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MIRABO_LEAK_CHECK 1
#endif
#endif
#if defined(MIRABO_LEAK_CHECK)
#include <sanitizer/lsan_interface.h>

// The program ends without shutting SDL and fontconfig down (see
// ExitProcess), so what D-Bus (opened by SDL's video) and fontconfig keep
// until their shutdown calls is still allocated at the leak check, some of
// it no longer pointed to.  Our own use of fontconfig frees its patterns,
// and the unit tests, which do shut fontconfig down, check that.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\n"
         "leak:libfontconfig.so\n";
}
#endif

namespace platform::sdl {

namespace {

constexpr int IDOK = 1;
constexpr Uint16 kBufferFrames = 882;
constexpr Uint16 kDiskBufferFrames = 4410;

// The files MCI opens (the program names fones.DAT, a bare name): from the
// current directory, then the program's own directory, then the installed
// data directory.
std::optional<std::vector<std::uint8_t>> ReadSoundFile(const std::string& name) {
  std::vector<std::filesystem::path> directories;
  std::error_code error;
  std::filesystem::path current = std::filesystem::current_path(error);
  if (!error) directories.push_back(current);
  if (char* base = SDL_GetBasePath()) {
    directories.emplace_back(base);
    SDL_free(base);
  }
  directories.emplace_back(MIRABO_DATA_DIR);
  std::optional<std::filesystem::path> found = FindInDirectories(directories, name);
  std::optional<std::string> bytes = found ? ReadTextFile(*found) : std::nullopt;
  if (!bytes) return std::nullopt;
  return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
}

// Without X11 or Wayland SDL falls back to drivers that show nothing; a
// player could neither see the window nor type into it.  They count only
// when asked for by name (the tests ask for the dummy driver).
bool HasRealDisplay() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr) return false;
  bool invisible = std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
  return !invisible || SDL_getenv("SDL_VIDEODRIVER") != nullptr;
}

}  // namespace

SdlPlatform::SdlPlatform()
    : OneWindowStandIn(CreateTtfGlyphs(), &ReadSoundFile) {
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // The screen is drawn in memory and shown whole: copying it to the window
  // through a GL texture only adds work, and where GL is software (Mesa's
  // llvmpipe: no graphics card, Xvfb, remote desktops) its threads cost more
  // than the drawing itself, even while the game only waits for a key.  The
  // environment variable of the same name still overrides this.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // A Windows window has the mouse only while it is over it, unless it
  // captures the mouse, which this program never does: the magnifier stays
  // on when the button is let go outside.
  SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
  SDL_Init(SDL_INIT_EVENTS | SDL_INIT_TIMER);
  videoAvailable_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  if (videoAvailable_ && !HasRealDisplay()) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    videoAvailable_ = false;
  }
  if (videoAvailable_) SDL_StartTextInput();
  OpenAudio();
}

SdlPlatform::~SdlPlatform() {
  CloseAudio();
  window_.reset();
  sdlWindow_.reset();
  SDL_Quit();
}

DWORD SdlPlatform::GetPrivateProfileStringA(const char* section, const char* key,
                                            const char* defaultValue, char* buffer, DWORD size,
                                            const char* fileName) {
  std::string name = fileName != nullptr ? fileName : "";
  std::optional<std::filesystem::path> found =
      IsBareName(name) ? FindIgnoringCase(ConfigDirectory(std::getenv("XDG_CONFIG_HOME"),
                                                          std::getenv("HOME")),
                                          name)
                       : std::filesystem::path(name);
  return ProfileString(found ? ReadTextFile(*found) : std::nullopt, section, key, defaultValue,
                       buffer, size);
}

DWORD SdlPlatform::GetModuleFileNameA(HINSTANCE, char* buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  // The ANSI call answers in the code page, with '?' for what it lacks.
  std::error_code error;
  std::string path =
      common::Cp1252FromUtf8(std::filesystem::read_symlink("/proc/self/exe", error).string(), '?');
  // A path that does not fit is cut as Windows Vista and later cut it:
  // size - 1 bytes and the zero, and the answer is size.
  auto copied = static_cast<DWORD>(std::min<std::size_t>(path.size(), size - 1));
  std::memcpy(buffer, path.data(), copied);
  buffer[copied] = '\0';
  return path.size() >= size ? size : copied;
}

void SdlPlatform::Sleep(DWORD milliseconds) { SDL_Delay(milliseconds); }

void SdlPlatform::ExitProcess(UINT exitCode) {
  // Closing the audio device completes the disk driver's file.  The rest
  // ends with the process, the window system's connections included: SDL
  // closing them itself (SDL_Quit) makes Xlib read the answers to requests
  // still in flight, and when the window was closed while SDL was waiting
  // for events, SDL's wake-up message to it may reach the X server after
  // the window is gone; the BadWindow that comes back would end the
  // process through Xlib's default error handler with exit code 1.
  CloseAudio();
  std::fflush(nullptr);
#if defined(MIRABO_LEAK_CHECK)
  // _Exit skips the leak check the sanitizer makes at a normal exit: make
  // it here, so that every way the game ends is checked.  A leak ends the
  // process with the sanitizer's exit code instead of the game's.
  __lsan_do_leak_check();
#endif
  std::_Exit(static_cast<int>(exitCode));
}

// The device: signed 16-bit mono at the mixer's 44100 frames per second,
// so that the file of SDL's disk driver (SDL_AUDIODRIVER=disk) is raw s16le
// mono 44100 Hz.  Buffers are 20 ms (882 frames), short enough that a sound
// starts with the call that asks for it.  The disk driver sleeps a whole
// number of milliseconds per buffer and loses some 0.4 ms on each beside
// it: with 20 ms buffers its file would fall 2% behind real time, so it
// gets 100 ms buffers, with which it keeps pace (latency does not matter in
// a file).  Without a device the mixer stays closed and the program mute.
void SdlPlatform::OpenAudio() {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
  const char* driver = SDL_GetCurrentAudioDriver();
  bool disk = driver != nullptr && std::strcmp(driver, "disk") == 0;
  SDL_AudioSpec wanted{};
  wanted.freq = common::Mixer::kRate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 1;
  wanted.samples = disk ? kDiskBufferFrames : kBufferFrames;
  wanted.callback = [](void* mixer, Uint8* stream, int length) {
    static_cast<common::Mixer*>(mixer)->Render(reinterpret_cast<std::int16_t*>(stream),
                                               static_cast<std::size_t>(length) / 2);
  };
  wanted.userdata = &Sound();
  // No changes allowed: SDL converts to whatever the hardware wants, and
  // the disk driver writes exactly this format.
  audioDevice_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
  if (audioDevice_ == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return;
  }
  Sound().Open(wanted.samples);
  SDL_PauseAudioDevice(audioDevice_, 0);
}

void SdlPlatform::CloseAudio() {
  if (audioDevice_ == 0) return;
  SDL_CloseAudioDevice(audioDevice_);
  audioDevice_ = 0;
  Sound().Close();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

// The program shows only its error box: every box has the error icon.
int SdlPlatform::MessageBoxA(HWND owner, const char* text, const char* caption, UINT) {
  std::string body = common::Utf8FromCp1252(text != nullptr ? text : "");
  std::string title = common::Utf8FromCp1252(caption != nullptr ? caption : "Error");
  Window* parent = FindWindow(owner);
  if (!videoAvailable_ ||
      SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), body.c_str(),
                               parent != nullptr ? sdlWindow_.get() : nullptr) != 0) {
    // No display: the player reads it on the terminal.
    std::fprintf(stderr, "%s: %s\n", title.c_str(), body.c_str());
  }
  return IDOK;
}

}  // namespace platform::sdl

namespace platform {

std::unique_ptr<Platform> CreateNativePlatform() { return std::make_unique<sdl::SdlPlatform>(); }

}  // namespace platform
