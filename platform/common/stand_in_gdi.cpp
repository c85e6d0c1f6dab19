// Device contexts, GDI objects and drawing: window DCs draw into the
// window's client surface and show what they changed when they are
// released (pixel copies show at once); memory DCs draw into the bitmap
// selected into them.  Only what the program asks for is here: solid
// brushes, compatible bitmaps, SRCCOPY and PATCOPY, opaque text.
#include <algorithm>
#include <utility>

#include "platform/common/stand_in.h"

namespace platform::common {

namespace {

constexpr int WHITE_BRUSH = 0;
constexpr int kDefaultBitmap = -1;  // what a new memory DC holds: 1 x 1
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

}  // namespace

StandInPlatform::StandInPlatform(std::unique_ptr<GlyphSource> glyphs,
                                 MciInterpreter::FileReader soundFiles)
    : glyphs_(std::move(glyphs)), mci_(std::move(soundFiles), &DecodeWave, *this) {}

HGDIOBJ StandInPlatform::GetStockObject(int index) {
  // The three stock fonts the interface names are one monospaced face in
  // 8 x 16 cells here.
  if (index == OEM_FIXED_FONT || index == SYSTEM_FIXED_FONT) index = SYSTEM_FONT;
  if (auto found = stock_.find(index); found != stock_.end()) return found->second;
  GdiObject object;
  object.stock = true;
  if (index == BLACK_BRUSH || index == WHITE_BRUSH) {
    object.colour = index == BLACK_BRUSH ? 0x000000 : 0xFFFFFF;
  } else if (index == SYSTEM_FONT) {
    object.kind = GdiObject::Kind::Font;
    object.font = Font(FontRequest{16, 8, FW_NORMAL, "monospace"});
  } else if (index == kDefaultBitmap) {
    object.kind = GdiObject::Kind::Bitmap;
    object.bitmap = *CreateSurface(1, 1, 0);
  } else {
    return nullptr;
  }
  return stock_[index] = objects_.Add(std::move(object));
}

HDC StandInPlatform::GetDC(HWND window) {
  if (window != nullptr && ClientSurface(window) == nullptr) return nullptr;
  DeviceContext dc{window, false, GetStockObject(SYSTEM_FONT), GetStockObject(WHITE_BRUSH)};
  return contexts_.Add(dc);
}

int StandInPlatform::ReleaseDC(HWND, HDC handle) {
  DeviceContext* dc = contexts_.Find(handle);
  if (dc == nullptr || dc->memory) return 0;
  if (dc->window != nullptr && !IsEmpty(dc->drawn)) Present(dc->window, dc->drawn);
  contexts_.Remove(handle);
  return 1;
}

HDC StandInPlatform::CreateCompatibleDC(HDC) {
  DeviceContext dc{nullptr, true, GetStockObject(SYSTEM_FONT), GetStockObject(WHITE_BRUSH),
                   GetStockObject(kDefaultBitmap)};
  return contexts_.Add(dc);
}

bool StandInPlatform::DeleteDC(HDC handle) {
  DeviceContext* dc = contexts_.Find(handle);
  if (dc == nullptr || !dc->memory) return false;
  contexts_.Remove(handle);
  return true;
}

HBITMAP StandInPlatform::CreateCompatibleBitmap(HDC, int width, int height) {
  // Windows answers a 1 x 1 bitmap for a zero size.
  std::optional<Surface> pixels = CreateSurface(std::max(1, width), std::max(1, height), 0);
  if (!pixels) return nullptr;
  GdiObject bitmap;
  bitmap.kind = GdiObject::Kind::Bitmap;
  bitmap.bitmap = std::move(*pixels);
  return objects_.Add(std::move(bitmap));
}

HGDIOBJ StandInPlatform::SelectObject(HDC handle, HGDIOBJ object) {
  DeviceContext* dc = contexts_.Find(handle);
  GdiObject* selected = objects_.Find(object);
  if (dc == nullptr || selected == nullptr) return nullptr;
  HGDIOBJ* slot = &dc->brush;
  if (selected->kind == GdiObject::Kind::Font) slot = &dc->font;
  if (selected->kind == GdiObject::Kind::Bitmap) {
    if (!dc->memory) return nullptr;
    slot = &dc->bitmap;
  }
  return std::exchange(*slot, object);
}

bool StandInPlatform::DeleteObject(HGDIOBJ handle) {
  GdiObject* object = objects_.Find(handle);
  if (object == nullptr) return false;
  // Deleting a stock object is harmless and does nothing.  A DC that still
  // holds a deleted object finds nothing under its handle and falls back
  // to its defaults.
  if (!object->stock) objects_.Remove(handle);
  return true;
}

HBRUSH StandInPlatform::CreateSolidBrush(COLORREF colour) {
  GdiObject brush;
  brush.colour = colour & 0xFFFFFF;
  return objects_.Add(std::move(brush));
}

COLORREF StandInPlatform::SetTextColor(HDC handle, COLORREF colour) {
  DeviceContext* dc = contexts_.Find(handle);
  return dc != nullptr ? std::exchange(dc->textColour, colour & 0xFFFFFF) : CLR_INVALID;
}

COLORREF StandInPlatform::SetBkColor(HDC handle, COLORREF colour) {
  DeviceContext* dc = contexts_.Find(handle);
  return dc != nullptr ? std::exchange(dc->backColour, colour & 0xFFFFFF) : CLR_INVALID;
}

bool StandInPlatform::TextOutA(HDC handle, int x, int y, const char* text, int count) {
  DeviceContext* dc = contexts_.Find(handle);
  Surface* surface = SurfaceOf(handle);
  GlyphFace* font = FontOf(handle);
  if (surface == nullptr || font == nullptr || text == nullptr || count < 0) return false;
  long long cellWidth = font->Metrics().cellWidth;
  RECT changed{};
  for (int i = 0; i < count; ++i) {
    long long cellX = x + i * cellWidth;
    if (cellX >= surface->width) break;
    if (cellX + cellWidth <= 0) continue;
    changed = Union(changed, DrawCell(*surface, static_cast<int>(cellX), y,
                                      font->Glyph(static_cast<unsigned char>(text[i])),
                                      dc->textColour, dc->backColour));
  }
  Changed(handle, changed, false);
  return true;
}

bool StandInPlatform::BitBlt(HDC dest, int x, int y, int width, int height, HDC source,
                             int sourceX, int sourceY, DWORD rop) {
  Surface* target = SurfaceOf(dest);
  Surface* origin = SurfaceOf(source);
  if (target == nullptr || origin == nullptr || rop != SRCCOPY) return false;
  Changed(dest, CopyPixels(*target, x, y, width, height, *origin, sourceX, sourceY), true);
  return true;
}

bool StandInPlatform::StretchBlt(HDC dest, int x, int y, int width, int height, HDC source,
                                 int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                                 DWORD rop) {
  Surface* target = SurfaceOf(dest);
  Surface* origin = SurfaceOf(source);
  if (target == nullptr || origin == nullptr || target == origin || rop != SRCCOPY) return false;
  Changed(dest,
          StretchPixels(*target, x, y, width, height, *origin, sourceX, sourceY, sourceWidth,
                        sourceHeight),
          true);
  return true;
}

bool StandInPlatform::PatBlt(HDC handle, int x, int y, int width, int height, DWORD rop) {
  Surface* surface = SurfaceOf(handle);
  if (surface == nullptr || rop != PATCOPY || width < 0 || height < 0) return false;
  RECT area{x, y, static_cast<LONG>(std::min<long long>(INT32_MAX, 0LL + x + width)),
            static_cast<LONG>(std::min<long long>(INT32_MAX, 0LL + y + height))};
  Changed(handle, FillPixels(*surface, area, BrushColour(contexts_.Find(handle)->brush, 0xFFFFFF)),
          true);
  return true;
}

// Upright faces only: the program asks for no italics.
HFONT StandInPlatform::CreateFontA(int height, int width, int, int, int weight, DWORD, DWORD,
                                   DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                                   const char* faceName) {
  GdiObject font;
  font.kind = GdiObject::Kind::Font;
  font.font =
      Font(FontRequest{height, width, weight, faceName != nullptr ? faceName : ""});
  if (!font.font) return nullptr;
  return objects_.Add(std::move(font));
}

bool StandInPlatform::GetTextMetricsA(HDC handle, TEXTMETRICA& metrics) {
  GlyphFace* font = FontOf(handle);
  if (font == nullptr) return false;
  const FontMetrics& cell = font->Metrics();
  metrics = TEXTMETRICA{};
  metrics.tmHeight = cell.cellHeight;
  metrics.tmAscent = cell.ascent;
  metrics.tmDescent = cell.cellHeight - cell.ascent;
  metrics.tmInternalLeading = cell.internalLeading;
  metrics.tmAveCharWidth = cell.cellWidth;
  metrics.tmMaxCharWidth = cell.cellWidth;
  metrics.tmWeight = cell.weight;
  return true;
}

// ---------------------------------------------------------------------------

COLORREF StandInPlatform::BrushColour(HBRUSH brush, COLORREF otherwise) {
  const GdiObject* object = objects_.Find(brush);
  return object != nullptr && object->kind == GdiObject::Kind::Brush ? object->colour : otherwise;
}

std::shared_ptr<GlyphFace> StandInPlatform::Font(const FontRequest& request) {
  auto found = fonts_.find(request);
  if (found != fonts_.end()) return found->second;
  std::unique_ptr<GlyphFace> face = glyphs_->Open(request);
  if (!face) return nullptr;
  return fonts_[request] = std::move(face);
}

Surface* StandInPlatform::SurfaceOf(HDC handle) {
  DeviceContext* dc = contexts_.Find(handle);
  if (dc == nullptr) return nullptr;
  if (dc->window != nullptr) return ClientSurface(dc->window);
  GdiObject* bitmap = dc->memory ? objects_.Find(dc->bitmap) : nullptr;
  return bitmap != nullptr ? &bitmap->bitmap : nullptr;
}

GlyphFace* StandInPlatform::FontOf(HDC handle) {
  DeviceContext* dc = contexts_.Find(handle);
  if (dc == nullptr) return nullptr;
  GdiObject* font = objects_.Find(dc->font);
  if (font == nullptr || !font->font) font = objects_.Find(GetStockObject(SYSTEM_FONT));
  return font != nullptr ? font->font.get() : nullptr;
}

void StandInPlatform::Changed(HDC handle, const RECT& area, bool showNow) {
  DeviceContext* dc = contexts_.Find(handle);
  if (dc == nullptr || dc->window == nullptr || IsEmpty(area)) return;
  if (showNow) {
    Present(dc->window, area);
  } else {
    dc->drawn = Union(dc->drawn, area);
  }
}

}  // namespace platform::common
