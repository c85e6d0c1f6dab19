// Start and end of the browser stand-in, and the calls that are neither
// window nor drawing: the page's font as the glyph source, profile strings
// from the page address, the module file name, time, sound and the message
// box.
#include "platform/web/web_platform.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/common/cp1252.h"
#include "platform/common/profile.h"
#include "platform/web/web_fonts.h"

namespace platform::web {

namespace {

constexpr int IDOK = 1;

// The page's font, fitted to each cell size the program asks for.
class PageFace final : public common::GlyphFace {
 public:
  PageFace(Browser& browser, const CellFont& font)
      : GlyphFace(common::FontMetrics{font.cellWidth, font.cellHeight, font.ascent,
                                      font.internalLeading, font.weight}),
        browser_(browser),
        font_(font) {}

 protected:
  common::Coverage Render(unsigned char byte) override {
    common::Coverage cell;
    cell.width = font_.cellWidth;
    cell.height = font_.cellHeight;
    cell.alpha.assign(static_cast<std::size_t>(cell.width) * static_cast<std::size_t>(cell.height),
                      0);
    char32_t code = common::UnicodeFromCp1252(byte);
    bool control = code < 0x20 || (code >= 0x7F && code < 0xA0);
    if (!control && code != ' ') browser_.DrawGlyph(font_, code, cell.alpha.data());
    return cell;
  }

 private:
  Browser& browser_;
  CellFont font_;
};

// Every face name is the page's monospaced face: it is the one font the
// page brings, and the same on every machine.
class PageGlyphs final : public common::GlyphSource {
 public:
  explicit PageGlyphs(Browser& browser) : browser_(browser) {}

  std::unique_ptr<common::GlyphFace> Open(const common::FontRequest& request) override {
    CellFontRequest cell{request.height, request.width, request.weight};
    int weight = request.weight == 0 ? 400 : request.weight;
    CellFont font = FitCellFont(cell, [this, weight](double size) {
      return browser_.MeasureFace(weight, size);
    });
    return std::make_unique<PageFace>(browser_, font);
  }

 private:
  Browser& browser_;
};

// Files opened by bare name through MCI are those the page fetched beside
// itself (fones.DAT), in the program's file system.
std::optional<std::vector<std::uint8_t>> ReadSoundFile(const std::string& name) {
  std::ifstream file(name, std::ios::binary);
  if (!file) return std::nullopt;
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file),
                                   std::istreambuf_iterator<char>());
}

bool IsBareName(const char* name) {
  return name != nullptr && std::strchr(name, '/') == nullptr &&
         std::strchr(name, '\\') == nullptr && std::strchr(name, ':') == nullptr;
}

}  // namespace

WebPlatform::WebPlatform(std::unique_ptr<Browser> browser) : WebPlatform(browser.release()) {}

WebPlatform::WebPlatform(Browser* browser)
    : OneWindowStandIn(std::make_unique<PageGlyphs>(*browser), &ReadSoundFile),
      ownedBrowser_(browser),
      browser_(*browser) {
  audio_ = std::make_unique<WebAudio>(browser_, Sound());
}

WebPlatform::~WebPlatform() { audio_.reset(); }

// The page address holds the keys of every section: the profile is made
// for the section asked for, and read by GetPrivateProfileStringA's rules.
DWORD WebPlatform::GetPrivateProfileStringA(const char* section, const char* key,
                                            const char* defaultValue, char* buffer, DWORD size,
                                            const char* fileName) {
  std::optional<std::string> text;
  if (IsBareName(fileName) && section != nullptr) {
    text = "[" + std::string(section) + "]\n" + common::Cp1252FromUtf8(browser_.SettingsText(), '?');
  }
  return ProfileString(text, section, key, defaultValue, buffer, size);
}

DWORD WebPlatform::GetModuleFileNameA(HINSTANCE, char* buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  // The ANSI call answers in the code page, with '?' for what it lacks.
  std::string path = common::Cp1252FromUtf8(browser_.ProgramAddress(), '?');
  if (path.size() >= size) {
    // Cut as Windows Vista and later cut: size - 1 bytes and the zero.
    std::memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = '\0';
    return size;
  }
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

// The page keeps running while the program sleeps; a sound being played is
// fed on the way.
void WebPlatform::Sleep(DWORD milliseconds) {
  double end = browser_.Now() + milliseconds;
  do {
    if (audio_) audio_->Pump();
    double left = end - browser_.Now();
    if (audio_ && audio_->Sounding()) left = std::min(left, kPumpMilliseconds);
    browser_.Sleep(std::max(0.0, left));
  } while (browser_.Now() < end);
  if (audio_) audio_->Pump();
}

void WebPlatform::ExitProcess(UINT exitCode) {
  // What is drawn is shown; the sound stops with the program.
  ShowScreenText();
  if (audio_) audio_->Close();
  browser_.EndProgram(static_cast<int>(exitCode));
  // EndProgram does not come back; not every compiler takes a virtual
  // call's word for it.
  std::abort();
}

// Each sound starts at the frame of its call: what is due is mixed first.
bool WebPlatform::MessageBeep(UINT type) {
  if (audio_) audio_->Pump();
  bool done = StandInPlatform::MessageBeep(type);
  if (audio_) audio_->Asked();
  return done;
}

MCIERROR WebPlatform::mciSendStringA(const char* command, char* returnString, UINT returnLength,
                                     HWND callback) {
  if (audio_) audio_->Pump();
  MCIERROR error = StandInPlatform::mciSendStringA(command, returnString, returnLength, callback);
  if (audio_) audio_->Asked();
  return error;
}

bool WebPlatform::sndPlaySoundA(const void* sound, UINT flags) {
  if (audio_) audio_->Pump();
  if (audio_) audio_->Asked();
  return StandInPlatform::sndPlaySoundA(sound, flags);
}

int WebPlatform::MessageBoxA(HWND, const char* text, const char* caption, UINT) {
  browser_.MessageBox(common::Utf8FromCp1252(caption != nullptr ? caption : "Error"),
                      common::Utf8FromCp1252(text != nullptr ? text : ""));
  return IDOK;
}

}  // namespace platform::web
