// Fonts: a face name resolved through fontconfig, rendered with SDL_ttf
// into fixed character cells of the size CreateFontA asked for, with a
// glyph cache per realised font.
#pragma once

#include <SDL_ttf.h>

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>

#include "platform/sdl/sdl_pixels.h"

namespace platform::sdl {

struct FontRequest {
  int height = 0;  // > 0 cell height, < 0 character height, 0 default, as in LOGFONT
  int width = 0;   // average character width; 0: the face's own for that height
  int weight = 400;
  bool italic = false;
  std::string face;

  auto Key() const { return std::tie(height, width, weight, italic, face); }
  bool operator<(const FontRequest& other) const { return Key() < other.Key(); }
};

// The font file fontconfig offers for a face: the named family if it is
// installed, else a monospaced face of that weight and slant.
struct FontFile {
  std::string path;
  int index = 0;
  bool bold = false;  // the file itself is bold (else bold is synthesised)
};
std::optional<FontFile> ResolveFontFile(const std::string& face, int weight, bool italic);

struct TtfFontDeleter {
  void operator()(TTF_Font* font) const { TTF_CloseFont(font); }
};

class GlyphFont {
 public:
  // Null when no font file can be opened.
  static std::unique_ptr<GlyphFont> Open(const FontRequest& request);

  int CellWidth() const { return cellWidth_; }
  int CellHeight() const { return cellHeight_; }
  int Ascent() const { return ascent_; }
  int InternalLeading() const { return internalLeading_; }
  int Weight() const { return weight_; }

  // The cell of a Windows-1252 byte; blank for control bytes and for
  // characters the face lacks.
  const Coverage& Glyph(unsigned char byte);

 private:
  GlyphFont() = default;
  Coverage Render(unsigned char byte);

  std::unique_ptr<TTF_Font, TtfFontDeleter> font_;
  int cellWidth_ = 0;
  int cellHeight_ = 0;
  int ascent_ = 0;
  int internalLeading_ = 0;
  int weight_ = 400;
  int fontHeight_ = 0;  // SDL_ttf's line height at the chosen size
  int fontAscent_ = 0;
  std::array<std::optional<Coverage>, 256> glyphs_;
};

// Starts SDL_ttf and shares realised fonts between equal requests.
class FontLibrary {
 public:
  FontLibrary();
  ~FontLibrary();
  FontLibrary(const FontLibrary&) = delete;
  FontLibrary& operator=(const FontLibrary&) = delete;

  std::shared_ptr<GlyphFont> Get(const FontRequest& request);

 private:
  bool started_ = false;
  std::map<FontRequest, std::shared_ptr<GlyphFont>> fonts_;
};

}  // namespace platform::sdl
