#include "platform/sdl/sdl_fonts.h"

#include <fontconfig/fontconfig.h>
#include <strings.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/sdl/sdl_cp1252.h"

namespace platform::sdl {

namespace {

struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using UniquePattern = std::unique_ptr<FcPattern, PatternDeleter>;

constexpr int kBoldWeight = 600;

bool SameIgnoringCase(const char* a, const std::string& b) {
  return a != nullptr && strcasecmp(a, b.c_str()) == 0;
}

std::optional<FontFile> Match(const std::string& family, int weight, bool italic,
                              bool requireMonospace) {
  UniquePattern pattern(FcPatternCreate());
  if (!pattern) return std::nullopt;
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern.get(), FC_SPACING, FC_MONO);
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, FcWeightFromOpenType(weight));
  FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  UniquePattern match(FcFontMatch(nullptr, pattern.get(), &result));
  if (!match) return std::nullopt;

  FcChar8* file = nullptr;
  FcChar8* matchedFamily = nullptr;
  int index = 0;
  int spacing = FC_PROPORTIONAL;
  int matchedWeight = FC_WEIGHT_REGULAR;
  FcBool scalable = FcFalse;
  if (FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch) return std::nullopt;
  FcPatternGetString(match.get(), FC_FAMILY, 0, &matchedFamily);
  FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
  FcPatternGetInteger(match.get(), FC_SPACING, 0, &spacing);
  FcPatternGetInteger(match.get(), FC_WEIGHT, 0, &matchedWeight);
  FcPatternGetBool(match.get(), FC_SCALABLE, 0, &scalable);
  bool named = SameIgnoringCase(reinterpret_cast<const char*>(matchedFamily), family);
  // A cell grid needs a fixed pitch: a proportional face is taken only
  // when it is the very family asked for.
  if (!scalable || (requireMonospace && spacing != FC_MONO && !named)) return std::nullopt;
  FontFile found;
  found.path = reinterpret_cast<const char*>(file);
  found.index = index;
  found.bold = matchedWeight >= FcWeightFromOpenType(kBoldWeight);
  return found;
}

// fontconfig may be missing or unconfigured; these come with
// fonts-dejavu-core on Debian.
std::optional<FontFile> KnownFallback(bool bold) {
  constexpr const char* kDirectory = "/usr/share/fonts/truetype/dejavu/";
  std::string path =
      std::string(kDirectory) + (bold ? "DejaVuSansMono-Bold.ttf" : "DejaVuSansMono.ttf");
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return std::nullopt;
  return FontFile{path, 0, bold};
}

// Sets the font to the largest size whose line height fits `cellHeight`,
// found by bisection over the vertical resolution.  Answers that vdpi.
unsigned FitHeight(TTF_Font* font, int pointSize, int cellHeight) {
  unsigned low = 1;
  unsigned high = 1000;
  while (low < high) {
    unsigned middle = (low + high + 1) / 2;
    TTF_SetFontSizeDPI(font, pointSize, middle, middle);
    if (TTF_FontHeight(font) <= cellHeight) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return low;
}

int Advance(TTF_Font* font) {
  int minX = 0, maxX = 0, minY = 0, maxY = 0, advance = 0;
  if (TTF_GlyphMetrics32(font, '0', &minX, &maxX, &minY, &maxY, &advance) != 0) return 0;
  return advance;
}

// Narrows or widens the glyphs, through the horizontal resolution, to the
// widest advance that fits `cellWidth`.
void FitWidth(TTF_Font* font, int pointSize, unsigned vdpi, int cellWidth) {
  unsigned low = 1;
  unsigned high = 4000;
  while (low < high) {
    unsigned middle = (low + high + 1) / 2;
    TTF_SetFontSizeDPI(font, pointSize, middle, vdpi);
    if (Advance(font) <= cellWidth) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  TTF_SetFontSizeDPI(font, pointSize, low, vdpi);
}

}  // namespace

std::optional<FontFile> ResolveFontFile(const std::string& face, int weight, bool italic) {
  if (!face.empty()) {
    if (auto file = Match(face, weight, italic, true)) return file;
  }
  if (auto file = Match("monospace", weight, italic, true)) return file;
  return KnownFallback(weight >= kBoldWeight);
}

std::unique_ptr<GlyphFont> GlyphFont::Open(const FontRequest& request) {
  std::optional<FontFile> file = ResolveFontFile(request.face, request.weight, request.italic);
  if (!file) return nullptr;
  constexpr int kLargest = 512;
  int height = request.height == 0 ? 16 : std::clamp(request.height, -kLargest, kLargest);
  int pointSize = std::abs(height);
  std::unique_ptr<GlyphFont> glyphs(new GlyphFont);
  glyphs->font_.reset(TTF_OpenFontIndexDPI(file->path.c_str(), pointSize, file->index, 72, 72));
  TTF_Font* font = glyphs->font_.get();
  if (font == nullptr) return nullptr;
  TTF_SetFontHinting(font, TTF_HINTING_NORMAL);
  int style = TTF_STYLE_NORMAL;
  if (request.weight >= kBoldWeight && !file->bold) style |= TTF_STYLE_BOLD;
  TTF_SetFontStyle(font, style);

  // A positive height is the whole cell, internal leading included; a
  // negative one is the size of the characters, as in Windows.
  unsigned vdpi = height > 0 ? FitHeight(font, pointSize, height) : 72;
  TTF_SetFontSizeDPI(font, pointSize, vdpi, vdpi);
  int naturalWidth = Advance(font);
  int width = request.width > 0 ? std::min(request.width, kLargest) : std::max(1, naturalWidth);
  if (request.width > 0) FitWidth(font, pointSize, vdpi, width);

  glyphs->fontHeight_ = TTF_FontHeight(font);
  glyphs->fontAscent_ = TTF_FontAscent(font);
  glyphs->cellHeight_ = height > 0 ? height : glyphs->fontHeight_;
  glyphs->cellWidth_ = width;
  // The rows the font does not fill go above it, as internal leading does.
  int spare = std::max(0, glyphs->cellHeight_ - glyphs->fontHeight_);
  glyphs->ascent_ = std::min(glyphs->cellHeight_, glyphs->fontAscent_ + spare);
  int emHeight = pointSize * static_cast<int>(vdpi) / 72;
  glyphs->internalLeading_ = std::max(0, glyphs->cellHeight_ - emHeight);
  glyphs->weight_ = request.weight == 0 ? 400 : request.weight;
  return glyphs;
}

const Coverage& GlyphFont::Glyph(unsigned char byte) {
  std::optional<Coverage>& slot = glyphs_[byte];
  if (!slot) slot = Render(byte);
  return *slot;
}

Coverage GlyphFont::Render(unsigned char byte) {
  Coverage cell;
  cell.width = cellWidth_;
  cell.height = cellHeight_;
  cell.alpha.assign(static_cast<std::size_t>(cellWidth_) * static_cast<std::size_t>(cellHeight_), 0);
  char32_t code = UnicodeFromCp1252(byte);
  bool control = code < 0x20 || (code >= 0x7F && code < 0xA0);
  if (control || !TTF_GlyphIsProvided32(font_.get(), code)) return cell;

  int minX = 0, maxX = 0, minY = 0, maxY = 0, advance = 0;
  TTF_GlyphMetrics32(font_.get(), code, &minX, &maxX, &minY, &maxY, &advance);
  UniqueSurface image(TTF_RenderGlyph32_Shaded(font_.get(), code, SDL_Color{255, 255, 255, 255},
                                               SDL_Color{0, 0, 0, 255}));
  if (!image || image->format->BytesPerPixel != 1) return cell;
  // SDL_ttf puts the pen origin at column max(0, -minX) and the baseline at
  // the font's ascent; the cell centres the advance and puts the baseline
  // at the cell's ascent.
  int originX = std::max(0, -minX);
  int left = (cellWidth_ - advance) / 2 - originX;
  int top = ascent_ - fontAscent_;
  for (int y = 0; y < image->h; ++y) {
    int cellY = top + y;
    if (cellY < 0 || cellY >= cellHeight_) continue;
    const auto* row = static_cast<const std::uint8_t*>(image->pixels) + y * image->pitch;
    for (int x = 0; x < image->w; ++x) {
      int cellX = left + x;
      if (cellX < 0 || cellX >= cellWidth_) continue;
      // With a white-on-black palette the index is the coverage.
      cell.alpha[static_cast<std::size_t>(cellY * cellWidth_ + cellX)] = row[x];
    }
  }
  return cell;
}

// ---------------------------------------------------------------------------

FontLibrary::FontLibrary() { started_ = TTF_Init() == 0; }

FontLibrary::~FontLibrary() {
  fonts_.clear();
  if (started_) TTF_Quit();
  // fontconfig keeps its configuration until told; nothing else in the
  // process uses it, and the next match would load it again.
  FcFini();
}

std::shared_ptr<GlyphFont> FontLibrary::Get(const FontRequest& request) {
  if (!started_) return nullptr;
  auto found = fonts_.find(request);
  if (found != fonts_.end()) return found->second;
  std::shared_ptr<GlyphFont> font = GlyphFont::Open(request);
  if (font) fonts_.emplace(request, font);
  return font;
}

}  // namespace platform::sdl
