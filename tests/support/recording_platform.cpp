#include "tests/support/recording_platform.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "platform/common/profile.h"
#include "runtime/module_state.h"

namespace doubles {

namespace {

template <typename Handle>
Handle FromIndex(std::size_t index) {
  return reinterpret_cast<Handle>(index + 1);
}

std::size_t ToIndex(const void* handle) { return reinterpret_cast<std::uintptr_t>(handle) - 1; }

const HWND kWindow = reinterpret_cast<HWND>(std::uintptr_t{0x1000});
const HMENU kSystemMenu = reinterpret_cast<HMENU>(std::uintptr_t{0x2000});
const HINSTANCE kInstance = reinterpret_cast<HINSTANCE>(std::uintptr_t{0x400000});

}  // namespace

RecordingPlatform::RecordingPlatform() = default;

void RecordingPlatform::Record(std::string call) { calls.push_back(std::move(call)); }

void RecordingPlatform::Script(std::uint64_t at, UINT message, WPARAM wParam, LPARAM lParam,
                               std::map<int, bool> keyState) {
  ScriptedMessage scripted{at, MSG{}, std::move(keyState)};
  scripted.message.message = message;
  scripted.message.wParam = wParam;
  scripted.message.lParam = lParam;
  auto position = std::upper_bound(
      script_.begin(), script_.end(), at,
      [](std::uint64_t time, const ScriptedMessage& other) { return time < other.at; });
  script_.insert(position, std::move(scripted));
}

void RecordingPlatform::ScriptChar(std::uint64_t at, std::uint8_t character) {
  Script(at, WM_CHAR, character);
}

void RecordingPlatform::ScriptKey(std::uint64_t at, int virtualKey, std::map<int, bool> keyState) {
  Script(at, WM_KEYDOWN, static_cast<WPARAM>(virtualKey), 0, std::move(keyState));
}

void RecordingPlatform::SetKeyDown(int virtualKey, bool down) { keyDown_[virtualKey] = down; }

std::vector<std::string> RecordingPlatform::ShownText(int cellWidth, int lineHeight, int columns,
                                                      int rows) const {
  std::vector<std::string> lines(static_cast<std::size_t>(rows),
                                 std::string(static_cast<std::size_t>(columns), ' '));
  for (const auto& [origin, glyph] : shown_) {
    if (cellWidth <= 0 || lineHeight <= 0) break;
    if (origin.first % cellWidth != 0 || origin.second % lineHeight != 0) continue;
    int column = origin.first / cellWidth;
    int row = origin.second / lineHeight;
    if (column < 0 || column >= columns || row < 0 || row >= rows) continue;
    lines[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = glyph.character;
  }
  return lines;
}

std::pair<COLORREF, COLORREF> RecordingPlatform::ShownColours(int cellWidth, int lineHeight,
                                                              int column, int row) const {
  auto found = shown_.find({column * cellWidth, row * lineHeight});
  if (found == shown_.end()) return {0, 0};
  return {found->second.foreground, found->second.background};
}

std::vector<std::string> RecordingPlatform::CallsStartingWith(const std::string& prefix) const {
  std::vector<std::string> matching;
  for (const auto& call : calls) {
    if (call.rfind(prefix, 0) == 0) matching.push_back(call);
  }
  return matching;
}

void RecordingPlatform::ClearRecord() {
  calls.clear();
  textRuns.clear();
  mciCommands.clear();
  sounds.clear();
  messageBoxes.clear();
  beeps.clear();
}

int RecordingPlatform::LiveGdiObjects() const {
  return static_cast<int>(std::count_if(objects_.begin(), objects_.end(), [](const GdiObject& o) {
    return !o.stock && !o.deleted;
  }));
}

RecordingPlatform::GdiObject* RecordingPlatform::Object(HGDIOBJ handle) {
  if (handle == nullptr) return nullptr;
  std::size_t index = ToIndex(handle);
  return index < objects_.size() ? &objects_[index] : nullptr;
}

RecordingPlatform::DeviceContext* RecordingPlatform::Context(HDC handle) {
  if (handle == nullptr) return nullptr;
  std::size_t index = ToIndex(handle);
  return index < contexts_.size() ? &contexts_[index] : nullptr;
}

RecordingPlatform::DeviceContext* RecordingPlatform::LiveContext(HDC handle) {
  DeviceContext* dc = Context(handle);
  if (dc != nullptr && dc->released) ++staleContextUses;
  return dc;
}

// Stock fonts stand in at 8 x 16; created fonts are as wide and high as
// asked, and height 0 means the 8 x 16 default too.
int RecordingPlatform::FontWidth(const DeviceContext& dc) {
  GdiObject* font = Object(dc.font);
  if (font == nullptr || font->stock || font->width <= 0) return 8;
  return font->width;
}

int RecordingPlatform::FontHeight(const DeviceContext& dc) {
  GdiObject* font = Object(dc.font);
  if (font == nullptr || font->stock || font->height <= 0) return 16;
  return font->height;
}

LRESULT RecordingPlatform::Send(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!window_.exists || window_.procedure == nullptr) return 0;
  return window_.procedure(window_.handle, message, wParam, lParam);
}

// --- Messages --------------------------------------------------------------

bool RecordingPlatform::PeekMessageA(MSG& message, HWND, UINT, UINT, UINT removeMessage) {
  if (!posted_.empty()) {
    message = posted_.front();
    if (removeMessage & PM_REMOVE) posted_.pop_front();
    return true;
  }
  if (!script_.empty() && script_.front().at <= now) {
    ScriptedMessage& next = script_.front();
    message = next.message;
    message.hwnd = window_.handle;
    message.time = static_cast<DWORD>(now);
    if (removeMessage & PM_REMOVE) {
      for (const auto& [key, down] : next.keyState) keyDown_[key] = down;
      script_.pop_front();
    }
    return true;
  }
  if (window_.exists && window_.invalid) {
    message = MSG{};
    message.hwnd = window_.handle;
    message.message = WM_PAINT;
    return true;
  }
  return false;
}

bool RecordingPlatform::WaitMessage() {
  Record("WaitMessage()");
  if (!posted_.empty() || (window_.exists && window_.invalid)) return true;
  if (script_.empty()) throw NothingMoreScripted{};
  now = std::max(now, script_.front().at);
  return true;
}

bool RecordingPlatform::TranslateMessage(const MSG&) { return true; }

LRESULT RecordingPlatform::DispatchMessageA(const MSG& message) {
  if (message.hwnd == nullptr || !window_.exists) return 0;
  if (beforeDispatch) beforeDispatch(message);
  LRESULT result = Send(message.message, message.wParam, message.lParam);
  if (afterDispatch) afterDispatch(message);
  return result;
}

void RecordingPlatform::PostQuitMessage(int exitCode) {
  Record("PostQuitMessage(" + std::to_string(exitCode) + ")");
  MSG quit{};
  quit.message = WM_QUIT;
  quit.wParam = static_cast<WPARAM>(exitCode);
  posted_.push_back(quit);
}

SHORT RecordingPlatform::GetKeyState(int virtualKey) {
  auto found = keyDown_.find(virtualKey);
  return (found != keyDown_.end() && found->second) ? static_cast<SHORT>(-128) : SHORT{0};
}

// --- Window class and window -------------------------------------------------

ATOM RecordingPlatform::RegisterClassA(const WNDCLASSA& windowClass) {
  Record(std::string("RegisterClassA(") + windowClass.lpszClassName + ", style " +
         std::to_string(windowClass.style) + ")");
  classes_[windowClass.lpszClassName] = windowClass.lpfnWndProc;
  return 1;
}

HINSTANCE RecordingPlatform::GetModuleHandleA(const char*) { return kInstance; }

HICON RecordingPlatform::LoadIconA(HINSTANCE, int resourceId) {
  return reinterpret_cast<HICON>(static_cast<std::uintptr_t>(resourceId));
}

HCURSOR RecordingPlatform::LoadCursorA(HINSTANCE, int resourceId) {
  return reinterpret_cast<HCURSOR>(static_cast<std::uintptr_t>(resourceId));
}

HWND RecordingPlatform::CreateWindowExA(DWORD, const char* className, const char* windowName,
                                        DWORD style, int x, int y, int width, int height, HWND,
                                        HMENU, HINSTANCE, void*) {
  std::ostringstream call;
  call << "CreateWindowExA(" << className << ", " << windowName << ", style " << style << ", "
       << x << ", " << y << ", " << width << ", " << height << ")";
  Record(call.str());
  titles.emplace_back(windowName);
  auto found = classes_.find(className);
  if (found == classes_.end() || refuseWindows) return nullptr;
  window_ = WindowRecord{};
  window_.handle = kWindow;
  window_.exists = true;
  window_.procedure = found->second;
  int left = x == CW_USEDEFAULT ? 40 : x;
  int top = y == CW_USEDEFAULT ? 30 : y;
  window_.outer = RECT{left, top, left + width, top + height};
  closeItemEnabled_ = true;
  MINMAXINFO info{};
  info.ptMaxSize = POINT{screenWidth + 2 * frameWidth, screenHeight + 2 * frameHeight};
  info.ptMaxTrackSize = info.ptMaxSize;
  Send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  Send(WM_CREATE, 0, 0);
  window_.invalid = true;
  window_.eraseRequested = true;
  return window_.handle;
}

bool RecordingPlatform::ShowWindow(HWND, int command) {
  Record("ShowWindow(" + std::to_string(command) + ")");
  window_.showCommand = command;
  if (command == SW_SHOWMAXIMIZED) {
    window_.outer = RECT{-frameWidth, -frameHeight, screenWidth + frameWidth,
                         screenHeight + frameHeight};
  }
  if (activateOnShow) Send(WM_SETFOCUS, 0, 0);
  return false;
}

bool RecordingPlatform::UpdateWindow(HWND) {
  Record("UpdateWindow()");
  if (window_.exists && window_.invalid) Send(WM_PAINT, 0, 0);
  return true;
}

bool RecordingPlatform::DestroyWindow(HWND) {
  Record("DestroyWindow()");
  if (!window_.exists) return false;
  if (caret_.exists) DestroyCaret();
  Send(WM_DESTROY, 0, 0);
  window_.exists = false;
  shown_.clear();
  return true;
}

LRESULT RecordingPlatform::DefWindowProcA(HWND, UINT message, WPARAM wParam, LPARAM) {
  Record("DefWindowProcA(" + std::to_string(message) + ", " + std::to_string(wParam) + ")");
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(window_.handle);
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == static_cast<WPARAM>(VK_F4)) Send(WM_CLOSE, 0, 0);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(window_.handle, paint);
      EndPaint(window_.handle, paint);
      return 0;
    }
    default:
      return 0;
  }
}

LONG_PTR RecordingPlatform::SetWindowLongA(HWND, int index, LONG_PTR newLong) {
  auto newProcedure = reinterpret_cast<WNDPROC>(newLong);
  Record(std::string("SetWindowLongA(") + std::to_string(index) + ", " +
         (newProcedure == &DefaultWindowProc ? "DefWindowProcA" : "procedure") + ")");
  if (index != GWL_WNDPROC) return 0;
  WNDPROC old = window_.procedure;
  window_.procedure = newProcedure;
  return reinterpret_cast<LONG_PTR>(old);
}

bool RecordingPlatform::SetWindowTextA(HWND, const char* text) {
  Record(std::string("SetWindowTextA(") + text + ")");
  titles.emplace_back(text);
  return true;
}

HMENU RecordingPlatform::GetSystemMenu(HWND, bool) { return kSystemMenu; }

bool RecordingPlatform::EnableMenuItem(HMENU, UINT item, UINT enable) {
  Record("EnableMenuItem(" + std::to_string(item) + ", " + std::to_string(enable) + ")");
  if (item == SC_CLOSE) closeItemEnabled_ = (enable & 0x3) == 0;
  return true;
}

bool RecordingPlatform::GetWindowRect(HWND, RECT& rect) {
  rect = window_.outer;
  return window_.exists;
}

HWND RecordingPlatform::GetActiveWindow() {
  return (isActiveWindow && window_.exists) ? window_.handle : nullptr;
}

int RecordingPlatform::GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN: return screenWidth;
    case SM_CYSCREEN: return screenHeight;
    case SM_CXFRAME: return frameWidth;
    case SM_CYFRAME: return frameHeight;
    case SM_CYCAPTION: return captionHeight;
    default: return 0;
  }
}

// --- Painting ----------------------------------------------------------------

bool RecordingPlatform::InvalidateRect(HWND, const RECT* rect, bool erase) {
  Record(std::string("InvalidateRect(") + (rect ? "rect" : "all") + ", " +
         (erase ? "erase" : "no erase") + ")");
  window_.invalid = true;
  window_.eraseRequested = window_.eraseRequested || erase;
  return true;
}

HDC RecordingPlatform::BeginPaint(HWND window, PAINTSTRUCT& paint) {
  Record("BeginPaint()");
  HDC dc = GetDC(window);
  paint.hdc = dc;
  paint.fErase = window_.eraseRequested;
  RECT client{0, 0, window_.outer.right - window_.outer.left - 2 * frameWidth,
              window_.outer.bottom - window_.outer.top - 2 * frameHeight - captionHeight};
  paint.rcPaint = nextPaintRect.value_or(client);
  nextPaintRect.reset();
  if (window_.eraseRequested) shown_.clear();
  window_.invalid = false;
  window_.eraseRequested = false;
  return dc;
}

bool RecordingPlatform::EndPaint(HWND window, const PAINTSTRUCT& paint) {
  Record("EndPaint()");
  ReleaseDC(window, paint.hdc);
  return true;
}

HDC RecordingPlatform::GetDC(HWND window) {
  DeviceContext dc;
  dc.window = window;
  dc.font = GetStockObject(SYSTEM_FONT);
  contexts_.push_back(dc);
  return FromIndex<HDC>(contexts_.size() - 1);
}

int RecordingPlatform::ReleaseDC(HWND, HDC handle) {
  DeviceContext* dc = Context(handle);
  if (dc == nullptr || dc->released) return 0;
  dc->released = true;
  return 1;
}

HDC RecordingPlatform::CreateCompatibleDC(HDC) {
  Record("CreateCompatibleDC()");
  DeviceContext dc;
  dc.memory = true;
  dc.font = GetStockObject(SYSTEM_FONT);
  contexts_.push_back(dc);
  return FromIndex<HDC>(contexts_.size() - 1);
}

bool RecordingPlatform::DeleteDC(HDC handle) {
  Record("DeleteDC()");
  DeviceContext* dc = Context(handle);
  if (dc == nullptr || dc->released) return false;
  dc->released = true;
  return true;
}

HBITMAP RecordingPlatform::CreateCompatibleBitmap(HDC, int width, int height) {
  Record("CreateCompatibleBitmap(" + std::to_string(width) + ", " + std::to_string(height) + ")");
  GdiObject bitmap;
  bitmap.kind = GdiObject::Kind::Bitmap;
  bitmap.width = width;
  bitmap.height = height;
  objects_.push_back(bitmap);
  return FromIndex<HBITMAP>(objects_.size() - 1);
}

HGDIOBJ RecordingPlatform::SelectObject(HDC handle, HGDIOBJ object) {
  DeviceContext* dc = LiveContext(handle);
  GdiObject* selected = Object(object);
  if (dc == nullptr || selected == nullptr) return nullptr;
  HGDIOBJ* slot = selected->kind == GdiObject::Kind::Font    ? &dc->font
                  : selected->kind == GdiObject::Kind::Brush ? &dc->brush
                                                             : &dc->bitmap;
  HGDIOBJ previous = *slot;
  *slot = object;
  return previous;
}

HGDIOBJ RecordingPlatform::GetStockObject(int index) {
  // Stock objects are made once, on first use, and never deleted.
  static const int kinds[] = {BLACK_BRUSH, OEM_FIXED_FONT, SYSTEM_FONT, SYSTEM_FIXED_FONT};
  for (std::size_t i = 0; i < objects_.size(); ++i) {
    if (objects_[i].stock && objects_[i].weight == index) return FromIndex<HGDIOBJ>(i);
  }
  if (std::find(std::begin(kinds), std::end(kinds), index) == std::end(kinds)) return nullptr;
  GdiObject stock;
  stock.kind = index == BLACK_BRUSH ? GdiObject::Kind::Brush : GdiObject::Kind::Font;
  stock.stock = true;
  stock.weight = index;  // the stock index, for the lookup above
  objects_.push_back(stock);
  return FromIndex<HGDIOBJ>(objects_.size() - 1);
}

bool RecordingPlatform::DeleteObject(HGDIOBJ handle) {
  GdiObject* object = Object(handle);
  Record(std::string("DeleteObject(") + (object && object->kind == GdiObject::Kind::Font ? "font"
                                          : object && object->kind == GdiObject::Kind::Brush
                                              ? "brush"
                                              : "bitmap") +
         ")");
  if (object == nullptr || object->stock || object->deleted) return false;
  object->deleted = true;
  return true;
}

HBRUSH RecordingPlatform::CreateSolidBrush(COLORREF colour) {
  Record("CreateSolidBrush(" + std::to_string(colour) + ")");
  GdiObject brush;
  brush.kind = GdiObject::Kind::Brush;
  brush.colour = colour;
  objects_.push_back(brush);
  return FromIndex<HBRUSH>(objects_.size() - 1);
}

COLORREF RecordingPlatform::SetTextColor(HDC handle, COLORREF colour) {
  DeviceContext* dc = LiveContext(handle);
  if (dc == nullptr) return 0;
  COLORREF previous = dc->textColour;
  dc->textColour = colour;
  return previous;
}

COLORREF RecordingPlatform::SetBkColor(HDC handle, COLORREF colour) {
  DeviceContext* dc = LiveContext(handle);
  if (dc == nullptr) return 0;
  COLORREF previous = dc->backColour;
  dc->backColour = colour;
  return previous;
}

bool RecordingPlatform::TextOutA(HDC handle, int x, int y, const char* text, int count) {
  DeviceContext* dc = LiveContext(handle);
  if (dc == nullptr || dc->released) return false;
  std::string bytes(text, static_cast<std::size_t>(std::max(count, 0)));
  std::ostringstream call;
  call << "TextOutA(" << x << ", " << y << ", \"" << bytes << "\", " << count << ")";
  Record(call.str());
  textRuns.push_back(TextRun{handle, x, y, bytes, dc->textColour, dc->backColour});
  if (dc->window != nullptr) {
    int width = FontWidth(*dc);
    for (int i = 0; i < count; ++i) {
      shown_[{x + i * width, y}] =
          Glyph{bytes[static_cast<std::size_t>(i)], dc->textColour, dc->backColour};
    }
  }
  return true;
}

bool RecordingPlatform::BitBlt(HDC dest, int x, int y, int width, int height, HDC source,
                               int sourceX, int sourceY, DWORD rop) {
  std::ostringstream call;
  call << "BitBlt(" << x << ", " << y << ", " << width << ", " << height << ", " << sourceX
       << ", " << sourceY << ", " << rop << ")";
  Record(call.str());
  DeviceContext* to = LiveContext(dest);
  DeviceContext* from = LiveContext(source);
  if (to == nullptr || from == nullptr) return false;
  if (to->window != nullptr && from->window != nullptr) {
    std::map<std::pair<int, int>, Glyph> moved;
    for (const auto& [origin, glyph] : shown_) {
      if (origin.first >= sourceX && origin.first < sourceX + width && origin.second >= sourceY &&
          origin.second < sourceY + height) {
        moved[{origin.first - sourceX + x, origin.second - sourceY + y}] = glyph;
      }
    }
    for (auto it = shown_.begin(); it != shown_.end();) {
      bool inside = it->first.first >= x && it->first.first < x + width &&
                    it->first.second >= y && it->first.second < y + height;
      it = inside ? shown_.erase(it) : std::next(it);
    }
    shown_.insert(moved.begin(), moved.end());
  }
  return true;
}

bool RecordingPlatform::StretchBlt(HDC, int x, int y, int width, int height, HDC, int sourceX,
                                   int sourceY, int sourceWidth, int sourceHeight, DWORD rop) {
  std::ostringstream call;
  call << "StretchBlt(" << x << ", " << y << ", " << width << ", " << height << ", " << sourceX
       << ", " << sourceY << ", " << sourceWidth << ", " << sourceHeight << ", " << rop << ")";
  Record(call.str());
  return true;
}

bool RecordingPlatform::PatBlt(HDC handle, int x, int y, int width, int height, DWORD rop) {
  std::ostringstream call;
  DeviceContext* dc = LiveContext(handle);
  GdiObject* brush = dc ? Object(dc->brush) : nullptr;
  call << "PatBlt(" << x << ", " << y << ", " << width << ", " << height << ", " << rop
       << ", brush " << (brush ? brush->colour : 0) << ")";
  Record(call.str());
  if (dc != nullptr && dc->window != nullptr) {
    for (auto it = shown_.begin(); it != shown_.end();) {
      bool inside = it->first.first >= x && it->first.first < x + width &&
                    it->first.second >= y && it->first.second < y + height;
      it = inside ? shown_.erase(it) : std::next(it);
    }
  }
  return true;
}

// --- Fonts -------------------------------------------------------------------

HFONT RecordingPlatform::CreateFontA(int height, int width, int, int, int weight, DWORD, DWORD,
                                     DWORD, DWORD charSet, DWORD, DWORD, DWORD, DWORD,
                                     const char* faceName) {
  std::ostringstream call;
  call << "CreateFontA(" << height << ", " << width << ", " << weight << ", " << charSet << ", "
       << faceName << ")";
  Record(call.str());
  GdiObject font;
  font.kind = GdiObject::Kind::Font;
  font.height = height;
  font.width = width;
  font.weight = weight;
  font.face = faceName;
  objects_.push_back(font);
  return FromIndex<HFONT>(objects_.size() - 1);
}

bool RecordingPlatform::GetTextMetricsA(HDC handle, TEXTMETRICA& metrics) {
  DeviceContext* dc = LiveContext(handle);
  if (dc == nullptr) return false;
  metrics = TEXTMETRICA{};
  metrics.tmHeight = FontHeight(*dc);
  metrics.tmAveCharWidth = FontWidth(*dc);
  metrics.tmMaxCharWidth = metrics.tmAveCharWidth;
  metrics.tmAscent = metrics.tmHeight * 4 / 5;
  metrics.tmDescent = metrics.tmHeight - metrics.tmAscent;
  metrics.tmExternalLeading = externalLeading;
  metrics.tmOverhang = overhang;
  GdiObject* font = Object(dc->font);
  metrics.tmWeight = (font && !font->stock) ? font->weight : FW_NORMAL;
  return true;
}

// --- Caret -------------------------------------------------------------------

bool RecordingPlatform::CreateCaret(HWND, HBITMAP, int width, int height) {
  Record("CreateCaret(" + std::to_string(width) + ", " + std::to_string(height) + ")");
  caret_ = CaretRecord{true, false, POINT{}};
  return true;
}

bool RecordingPlatform::SetCaretPos(int x, int y) {
  Record("SetCaretPos(" + std::to_string(x) + ", " + std::to_string(y) + ")");
  caret_.position = POINT{x, y};
  return caret_.exists;
}

bool RecordingPlatform::ShowCaret(HWND) {
  Record("ShowCaret()");
  caret_.shown = caret_.exists;
  return caret_.exists;
}

bool RecordingPlatform::DestroyCaret() {
  Record("DestroyCaret()");
  bool existed = caret_.exists;
  caret_ = CaretRecord{};
  return existed;
}

// --- Process, files, time -------------------------------------------------------

DWORD RecordingPlatform::GetPrivateProfileStringA(const char* section, const char* key,
                                                  const char* defaultValue, char* buffer,
                                                  DWORD size, const char* fileName) {
  Record(std::string("GetPrivateProfileStringA(") + (section ? section : "") + ", " +
         (key ? key : "") + ", " + (defaultValue ? defaultValue : "") + ", " +
         std::to_string(size) + ", " + (fileName ? fileName : "") + ")");
  return ProfileString(iniText, section, key, defaultValue, buffer, size);
}

// As Windows Vista and later: a path that does not fit is cut to size - 1
// bytes, terminated, and the answer is size.
DWORD RecordingPlatform::GetModuleFileNameA(HINSTANCE, char* buffer, DWORD size) {
  if (size == 0) return 0;
  std::size_t count = std::min<std::size_t>(moduleFileName.size(), size - 1);
  std::memcpy(buffer, moduleFileName.data(), count);
  buffer[count] = '\0';
  return moduleFileName.size() >= size ? size : static_cast<DWORD>(count);
}

void RecordingPlatform::Sleep(DWORD milliseconds) {
  Record("Sleep(" + std::to_string(milliseconds) + ")");
  now += milliseconds;
}

void RecordingPlatform::ExitProcess(UINT exitCode) {
  Record("ExitProcess(" + std::to_string(exitCode) + ")");
  throw ProcessExited{exitCode};
}

// --- Sound and the message box ---------------------------------------------------

bool RecordingPlatform::MessageBeep(UINT type) {
  Record("MessageBeep(" + std::to_string(type) + ")");
  beeps.push_back(type);
  return true;
}

MCIERROR RecordingPlatform::mciSendStringA(const char* command, char*, UINT returnLength, HWND) {
  Record(std::string("mciSendStringA(") + command + ", " + std::to_string(returnLength) + ")");
  mciCommands.emplace_back(command);
  return mciResult;
}

bool RecordingPlatform::sndPlaySoundA(const void* sound, UINT flags) {
  Record("sndPlaySoundA(" + std::string(sound ? "image" : "null") + ", " + std::to_string(flags) +
         ")");
  SoundCall call{{}, flags, now};
  if (sound != nullptr) {
    const auto* bytes = static_cast<const std::uint8_t*>(sound);
    std::uint32_t dataSize = 0;
    std::memcpy(&dataSize, bytes + 40, 4);
    // The image is 11071 bytes at most; a header that says more is a fault
    // the tests must see, not a read past the block.
    std::size_t length = 44 + std::min<std::uint32_t>(dataSize, 11027);
    call.image.assign(bytes, bytes + length);
  }
  sounds.push_back(std::move(call));
  return true;
}

int RecordingPlatform::MessageBoxA(HWND, const char* text, const char* caption, UINT type) {
  Record(std::string("MessageBoxA(") + caption + ")");
  messageBoxes.push_back(MessageBoxCall{text, caption, type});
  return 1;
}

// --- Fixture -----------------------------------------------------------------

PlatformFixture::PlatformFixture() {
  InstallPlatform(&os_);
  runtime::ResetModules();
}

PlatformFixture::~PlatformFixture() {
  runtime::ResetModules();
  InstallPlatform(nullptr);
}

std::optional<UINT> RunUntilExit(const std::function<void()>& body) {
  try {
    body();
  } catch (const ProcessExited& exited) {
    return exited.exitCode;
  }
  return std::nullopt;
}

}  // namespace doubles
