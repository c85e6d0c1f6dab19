// The Browser calls as calls into the page: each is a line or two of
// JavaScript that hands its arguments to Module.page (page/page.js).
#include <emscripten.h>

#include <memory>
#include <vector>

#include "platform/web/web_browser.h"

namespace {

// clang-format off
EM_JS(double, mirabo_now, (), { return performance.now(); });

EM_ASYNC_JS(void, mirabo_sleep, (double milliseconds), {
  await Module.page.sleep(milliseconds);
});

EM_ASYNC_JS(void, mirabo_wait_for_event, (double timeout), {
  await Module.page.waitForEvent(timeout);
});

// fields: kind, repeat, shift, ctrl, alt, numLock, button, x, y
EM_JS(int, mirabo_next_event, (int* fields, double* time, char* code, int codeSize, char* key,
                               int keySize), {
  const event = Module.page.nextEvent();
  if (!event) return 0;
  const kinds = ["", "keydown", "keyup", "mousemove", "mousedown", "mouseup", "focus", "blur", "close"];
  const values = [Math.max(0, kinds.indexOf(event.kind)), event.repeat, event.shift, event.ctrl,
                  event.alt, event.numLock, event.button || 0, event.x || 0, event.y || 0];
  for (let i = 0; i < values.length; ++i) HEAP32[(fields >> 2) + i] = values[i] ? values[i] | 0 : 0;
  HEAPF64[time >> 3] = event.time || 0;
  stringToUTF8(event.code || "", code, codeSize);
  stringToUTF8(event.key || "", key, keySize);
  return 1;
});

EM_JS(void, mirabo_screen_size, (int* width, int* height), {
  const size = Module.page.screenSize();
  HEAP32[width >> 2] = size.width;
  HEAP32[height >> 2] = size.height;
});

EM_JS(void, mirabo_show_canvas, (int width, int height), {
  Module.page.showCanvas(width, height);
});

EM_JS(void, mirabo_present, (const unsigned char* rgba, int x, int y, int width, int height), {
  Module.page.present(new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4), x, y,
                      width, height);
});

EM_JS(void, mirabo_set_title, (const char* text), {
  Module.page.setTitle(UTF8ToString(text));
});

EM_JS(void, mirabo_set_screen_line, (int row, const char* text), {
  Module.page.setScreenLine(row, UTF8ToString(text));
});

EM_JS(void, mirabo_measure_face, (int weight, double size, double* out), {
  const metrics = Module.page.measureFont(weight, size);
  HEAPF64[out >> 3] = metrics.ascent;
  HEAPF64[(out >> 3) + 1] = metrics.descent;
  HEAPF64[(out >> 3) + 2] = metrics.advance;
});

EM_JS(void, mirabo_draw_glyph, (int weight, double size, double scaleX, int width,
                                int height, int baseline, int character, unsigned char* out), {
  Module.page.drawGlyph(weight, size, scaleX, width, height, baseline, character,
                        HEAPU8.subarray(out, out + width * height));
});

EM_JS(int, mirabo_open_audio, (), { return Module.page.openAudio(); });

EM_JS(void, mirabo_play_audio, (const short* samples, int count, double frame), {
  Module.page.playAudio(HEAP16.subarray(samples >> 1, (samples >> 1) + count), frame);
});

EM_JS(void, mirabo_close_audio, (), { Module.page.closeAudio(); });

EM_JS(int, mirabo_settings_text, (char* buffer, int size), {
  const text = Module.page.settingsText();
  const length = lengthBytesUTF8(text);
  if (buffer !== 0 && length < size) stringToUTF8(text, buffer, size);
  return length;
});

EM_JS(int, mirabo_program_address, (char* buffer, int size), {
  const text = Module.page.programAddress();
  const length = lengthBytesUTF8(text);
  if (buffer !== 0 && length < size) stringToUTF8(text, buffer, size);
  return length;
});

EM_ASYNC_JS(void, mirabo_message_box, (const char* caption, const char* text), {
  await Module.page.messageBox(UTF8ToString(caption), UTF8ToString(text));
});

EM_JS(void, mirabo_program_ended, (int code), { Module.page.programEnded(code); });
// clang-format on

// A string the page makes: its length first, then the text.
template <typename Call>
std::string PageString(Call call) {
  int length = call(nullptr, 0);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
  call(buffer.data(), length + 1);
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

class PageBrowser final : public platform::web::Browser {
 public:
  double Now() override { return mirabo_now(); }
  void Sleep(double milliseconds) override { mirabo_sleep(milliseconds); }
  void WaitForEvent(double timeout) override { mirabo_wait_for_event(timeout); }

  std::optional<platform::web::PageEvent> NextEvent() override {
    int fields[9] = {};
    double time = 0;
    char code[64] = {};
    char key[64] = {};
    if (mirabo_next_event(fields, &time, code, sizeof code, key, sizeof key) == 0) {
      return std::nullopt;
    }
    platform::web::PageEvent event;
    event.kind = static_cast<platform::web::PageEvent::Kind>(fields[0]);
    event.repeat = fields[1] != 0;
    event.shift = fields[2] != 0;
    event.ctrl = fields[3] != 0;
    event.alt = fields[4] != 0;
    event.numLock = fields[5] != 0;
    event.button = fields[6];
    event.x = fields[7];
    event.y = fields[8];
    event.time = time;
    event.code = code;
    event.key = key;
    return event;
  }

  void ScreenSize(int& width, int& height) override { mirabo_screen_size(&width, &height); }
  void ShowCanvas(int width, int height) override { mirabo_show_canvas(width, height); }
  void Present(const std::uint8_t* rgba, int x, int y, int width, int height) override {
    mirabo_present(rgba, x, y, width, height);
  }
  void SetTitle(const std::string& utf8) override { mirabo_set_title(utf8.c_str()); }
  void SetScreenLine(int row, const std::string& utf8) override {
    mirabo_set_screen_line(row, utf8.c_str());
  }

  platform::web::FaceMetrics MeasureFace(int weight, double size) override {
    double out[3] = {};
    mirabo_measure_face(weight, size, out);
    return platform::web::FaceMetrics{out[0], out[1], out[2]};
  }
  void DrawGlyph(const platform::web::CellFont& font, char32_t character,
                 std::uint8_t* out) override {
    mirabo_draw_glyph(font.weight, font.size, font.scaleX, font.cellWidth,
                      font.cellHeight, font.ascent, static_cast<int>(character), out);
  }

  int OpenAudio() override { return mirabo_open_audio(); }
  void PlayAudio(const std::int16_t* samples, std::size_t count, std::uint64_t frame) override {
    mirabo_play_audio(samples, static_cast<int>(count), static_cast<double>(frame));
  }
  void CloseAudio() override { mirabo_close_audio(); }

  std::string SettingsText() override {
    return PageString([](char* buffer, int size) { return mirabo_settings_text(buffer, size); });
  }
  std::string ProgramAddress() override {
    return PageString([](char* buffer, int size) { return mirabo_program_address(buffer, size); });
  }
  void MessageBox(const std::string& caption, const std::string& text) override {
    mirabo_message_box(caption.c_str(), text.c_str());
  }
  [[noreturn]] void EndProgram(int exitCode) override {
    mirabo_program_ended(exitCode);
    emscripten_force_exit(exitCode);
  }
};

}  // namespace

namespace platform::web {

std::unique_ptr<Browser> CreatePageBrowser() { return std::make_unique<PageBrowser>(); }

}  // namespace platform::web

#include "platform/native.h"
#include "platform/web/web_platform.h"

namespace platform {

std::unique_ptr<Platform> CreateNativePlatform() {
  return std::make_unique<web::WebPlatform>(web::CreatePageBrowser());
}

}  // namespace platform
