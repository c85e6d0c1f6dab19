// Device contexts, GDI objects and drawing: window DCs draw into the
// window's client surface and show what they changed when the drawing
// bracket ends (pixel copies show at once); memory DCs draw into the
// bitmap selected into them.
#include <algorithm>
#include <utility>

#include "platform/sdl/sdl_platform.h"

namespace platform::sdl {

namespace {

constexpr int WHITE_BRUSH = 0;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

bool IsStockFont(int index) {
  // OEM_FIXED_FONT 10, ANSI_FIXED_FONT 11, ANSI_VAR_FONT 12, SYSTEM_FONT 13,
  // DEVICE_DEFAULT_FONT 14, SYSTEM_FIXED_FONT 16, DEFAULT_GUI_FONT 17: all
  // one monospaced face in 8 x 16 cells here.
  return (index >= 10 && index <= 14) || index == 16 || index == 17;
}

}  // namespace

HGDIOBJ SdlPlatform::StockObject(int index) {
  if (IsStockFont(index)) index = SYSTEM_FONT;
  auto found = stock_.find(index);
  if (found != stock_.end()) return found->second;
  auto object = std::make_unique<GdiObject>();
  object->stock = true;
  if (index == BLACK_BRUSH || index == WHITE_BRUSH) {
    object->kind = GdiObject::Kind::Brush;
    object->colour = index == BLACK_BRUSH ? 0x000000 : 0xFFFFFF;
  } else if (index == SYSTEM_FONT) {
    object->kind = GdiObject::Kind::Font;
    object->font = fonts_->Get(FontRequest{16, 8, FW_NORMAL, false, "monospace"});
  } else {
    return nullptr;
  }
  HGDIOBJ handle = objects_.Add(std::move(object));
  stock_[index] = handle;
  return handle;
}

HDC SdlPlatform::GetDC(HWND window) {
  auto dc = std::make_unique<DeviceContext>();
  if (window != nullptr) {
    if (FindWindow(window) == nullptr) return nullptr;
    dc->kind = DeviceContext::Kind::Window;
    dc->window = window;
  }
  dc->font = StockObject(SYSTEM_FONT);
  dc->brush = StockObject(WHITE_BRUSH);
  return contexts_.Add(std::move(dc));
}

int SdlPlatform::ReleaseDC(HWND, HDC handle) {
  DeviceContext* dc = contexts_.Find(handle);
  if (dc == nullptr || dc->kind == DeviceContext::Kind::Memory) return 0;
  EndDrawing(handle);
  return 1;
}

void SdlPlatform::EndDrawing(HDC handle) {
  DeviceContext* dc = contexts_.Find(handle);
  if (dc == nullptr) return;
  if (dc->kind == DeviceContext::Kind::Window && !IsEmpty(dc->drawn)) Present(dc->window, dc->drawn);
  contexts_.Remove(handle);
}

HDC SdlPlatform::CreateCompatibleDC(HDC) {
  if (defaultBitmap_ == nullptr) {
    // A new memory DC holds a 1 x 1 bitmap until the program selects its own.
    auto bitmap = std::make_unique<GdiObject>();
    bitmap->kind = GdiObject::Kind::Bitmap;
    bitmap->stock = true;
    bitmap->bitmap = CreatePixelSurface(1, 1, 0);
    defaultBitmap_ = objects_.Add(std::move(bitmap));
  }
  auto dc = std::make_unique<DeviceContext>();
  dc->kind = DeviceContext::Kind::Memory;
  dc->font = StockObject(SYSTEM_FONT);
  dc->brush = StockObject(WHITE_BRUSH);
  dc->bitmap = defaultBitmap_;
  return contexts_.Add(std::move(dc));
}

bool SdlPlatform::DeleteDC(HDC handle) {
  DeviceContext* dc = contexts_.Find(handle);
  if (dc == nullptr || dc->kind != DeviceContext::Kind::Memory) return false;
  contexts_.Remove(handle);
  return true;
}

HBITMAP SdlPlatform::CreateCompatibleBitmap(HDC, int width, int height) {
  auto bitmap = std::make_unique<GdiObject>();
  bitmap->kind = GdiObject::Kind::Bitmap;
  // Windows answers a 1 x 1 bitmap for a zero size.
  bitmap->bitmap = CreatePixelSurface(std::max(1, width), std::max(1, height), 0);
  if (!bitmap->bitmap) return nullptr;
  return objects_.Add(std::move(bitmap));
}

HGDIOBJ SdlPlatform::SelectObject(HDC handle, HGDIOBJ object) {
  DeviceContext* dc = contexts_.Find(handle);
  GdiObject* selected = FindObject(object);
  if (dc == nullptr || selected == nullptr) return nullptr;
  HGDIOBJ* slot = nullptr;
  switch (selected->kind) {
    case GdiObject::Kind::Font: slot = &dc->font; break;
    case GdiObject::Kind::Brush: slot = &dc->brush; break;
    case GdiObject::Kind::Bitmap:
      if (dc->kind != DeviceContext::Kind::Memory) return nullptr;
      slot = &dc->bitmap;
      break;
  }
  HGDIOBJ previous = *slot;
  *slot = object;
  return previous;
}

HGDIOBJ SdlPlatform::GetStockObject(int index) { return StockObject(index); }

bool SdlPlatform::DeleteObject(HGDIOBJ handle) {
  GdiObject* object = FindObject(handle);
  if (object == nullptr) return false;
  // Deleting a stock object is harmless and does nothing.  A DC that still
  // holds a deleted object finds nothing under its handle and falls back
  // to its defaults.
  if (!object->stock) objects_.Remove(handle);
  return true;
}

HBRUSH SdlPlatform::CreateSolidBrush(COLORREF colour) {
  auto brush = std::make_unique<GdiObject>();
  brush->kind = GdiObject::Kind::Brush;
  brush->colour = colour & 0xFFFFFF;
  return objects_.Add(std::move(brush));
}

COLORREF SdlPlatform::SetTextColor(HDC handle, COLORREF colour) {
  DeviceContext* dc = contexts_.Find(handle);
  if (dc == nullptr) return 0xFFFFFFFF;  // CLR_INVALID
  return std::exchange(dc->textColour, colour & 0xFFFFFF);
}

COLORREF SdlPlatform::SetBkColor(HDC handle, COLORREF colour) {
  DeviceContext* dc = contexts_.Find(handle);
  if (dc == nullptr) return 0xFFFFFFFF;
  return std::exchange(dc->backColour, colour & 0xFFFFFF);
}

bool SdlPlatform::TextOutA(HDC handle, int x, int y, const char* text, int count) {
  DeviceContext* dc = contexts_.Find(handle);
  if (dc == nullptr || text == nullptr || count < 0) return false;
  SDL_Surface* surface = SurfaceOf(*dc);
  GlyphFont* font = FontOf(*dc);
  if (surface == nullptr || font == nullptr) return false;
  long long cellWidth = font->CellWidth();
  RECT changed{};
  for (int i = 0; i < count; ++i) {
    long long cellX = x + i * cellWidth;
    if (cellX >= surface->w) break;
    if (cellX + cellWidth <= 0) continue;
    changed = Union(changed, DrawCell(surface, static_cast<int>(cellX), y,
                                      font->Glyph(static_cast<unsigned char>(text[i])),
                                      dc->textColour, dc->backColour));
  }
  Drawn(*dc, changed, false);
  return true;
}

bool SdlPlatform::BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX,
                         int sourceY, DWORD rop) {
  if (rop == PATCOPY || rop == BLACKNESS || rop == WHITENESS) {
    return PatBlt(dest, x, y, width, height, rop);
  }
  DeviceContext* to = contexts_.Find(dest);
  DeviceContext* from = contexts_.Find(source);
  if (to == nullptr || from == nullptr || rop != SRCCOPY) return false;
  SDL_Surface* target = SurfaceOf(*to);
  SDL_Surface* origin = SurfaceOf(*from);
  if (target == nullptr || origin == nullptr) return false;
  Drawn(*to, CopyPixels(target, x, y, width, height, origin, sourceX, sourceY), true);
  return true;
}

bool SdlPlatform::StretchBlt(HDC dest, int x, int y, int width, int height, HDC source,
                             int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                             DWORD rop) {
  DeviceContext* to = contexts_.Find(dest);
  DeviceContext* from = contexts_.Find(source);
  if (to == nullptr || from == nullptr || rop != SRCCOPY) return false;
  SDL_Surface* target = SurfaceOf(*to);
  SDL_Surface* origin = SurfaceOf(*from);
  if (target == nullptr || origin == nullptr) return false;
  Drawn(*to,
        StretchPixels(target, x, y, width, height, origin, sourceX, sourceY, sourceWidth,
                      sourceHeight),
        true);
  return true;
}

bool SdlPlatform::PatBlt(HDC handle, int x, int y, int width, int height, DWORD rop) {
  DeviceContext* dc = contexts_.Find(handle);
  if (dc == nullptr) return false;
  COLORREF colour = 0;
  if (rop == PATCOPY) {
    colour = BrushColour(dc->brush, 0xFFFFFF);
  } else if (rop == WHITENESS) {
    colour = 0xFFFFFF;
  } else if (rop != BLACKNESS) {
    return false;
  }
  SDL_Surface* surface = SurfaceOf(*dc);
  if (surface == nullptr) return false;
  // A negative size reaches back from the given corner.
  long long left = width < 0 ? static_cast<long long>(x) + width : x;
  long long top = height < 0 ? static_cast<long long>(y) + height : y;
  auto clampLong = [](long long v) { return static_cast<LONG>(std::clamp<long long>(v, INT32_MIN, INT32_MAX)); };
  RECT area{clampLong(left), clampLong(top), clampLong(left + std::abs(static_cast<long long>(width))),
            clampLong(top + std::abs(static_cast<long long>(height)))};
  Drawn(*dc, FillPixels(surface, area, colour), true);
  return true;
}

HFONT SdlPlatform::CreateFontA(int height, int width, int, int, int weight, DWORD italic, DWORD,
                               DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, const char* faceName) {
  std::shared_ptr<GlyphFont> glyphs = fonts_->Get(
      FontRequest{height, width, weight, italic != 0, faceName != nullptr ? faceName : ""});
  if (!glyphs) return nullptr;
  auto font = std::make_unique<GdiObject>();
  font->kind = GdiObject::Kind::Font;
  font->font = std::move(glyphs);
  return objects_.Add(std::move(font));
}

bool SdlPlatform::GetTextMetricsA(HDC handle, TEXTMETRICA& metrics) {
  DeviceContext* dc = contexts_.Find(handle);
  GlyphFont* font = dc != nullptr ? FontOf(*dc) : nullptr;
  if (font == nullptr) return false;
  metrics = TEXTMETRICA{};
  metrics.tmHeight = font->CellHeight();
  metrics.tmAscent = font->Ascent();
  metrics.tmDescent = font->CellHeight() - font->Ascent();
  metrics.tmInternalLeading = font->InternalLeading();
  metrics.tmExternalLeading = 0;
  metrics.tmAveCharWidth = font->CellWidth();
  metrics.tmMaxCharWidth = font->CellWidth();
  metrics.tmWeight = font->Weight();
  metrics.tmOverhang = 0;
  return true;
}

// ---------------------------------------------------------------------------

SDL_Surface* SdlPlatform::SurfaceOf(const DeviceContext& dc) const {
  switch (dc.kind) {
    case DeviceContext::Kind::Window: {
      Window* window = FindWindow(dc.window);
      return window != nullptr ? window->client.get() : nullptr;
    }
    case DeviceContext::Kind::Memory: {
      GdiObject* bitmap = FindObject(dc.bitmap);
      return bitmap != nullptr ? bitmap->bitmap.get() : nullptr;
    }
    case DeviceContext::Kind::Screen:
      break;
  }
  return nullptr;
}

GlyphFont* SdlPlatform::FontOf(const DeviceContext& dc) {
  GdiObject* font = FindObject(dc.font);
  if (font == nullptr || !font->font) font = FindObject(StockObject(SYSTEM_FONT));
  return font != nullptr ? font->font.get() : nullptr;
}

void SdlPlatform::Drawn(DeviceContext& dc, const RECT& area, bool showNow) {
  if (dc.kind != DeviceContext::Kind::Window || IsEmpty(area)) return;
  if (showNow) {
    Present(dc.window, area);
  } else {
    dc.drawn = Union(dc.drawn, area);
  }
}

}  // namespace platform::sdl
