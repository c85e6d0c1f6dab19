#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>
#include <strings.h>

#include <algorithm>
#include <optional>
#include <string>

#include "platform/common/cp1252.h"
#include "platform/sdl/sdl_platform.h"

namespace platform::sdl {

namespace {

using common::Coverage;
using common::FontMetrics;
using common::FontRequest;

// The font file fontconfig offers for a face.
struct FontFile {
  std::string path;
  int index = 0;
  bool bold = false;  // the file itself is bold (else bold is synthesised)
};

using UniquePattern = std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)>;

constexpr int kBoldWeight = 600;

std::optional<FontFile> Match(const std::string& family, int weight) {
  UniquePattern pattern(FcPatternCreate(), &FcPatternDestroy);
  if (!pattern) return std::nullopt;
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern.get(), FC_SPACING, FC_MONO);
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, FcWeightFromOpenType(weight));
  FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  UniquePattern match(FcFontMatch(nullptr, pattern.get(), &result), &FcPatternDestroy);
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
  bool named = matchedFamily != nullptr &&
               strcasecmp(reinterpret_cast<const char*>(matchedFamily), family.c_str()) == 0;
  // A cell grid needs a fixed pitch: a proportional face is taken only
  // when it is the very family asked for.
  if (!scalable || (spacing != FC_MONO && !named)) return std::nullopt;
  return FontFile{reinterpret_cast<const char*>(file), index,
                  matchedWeight >= FcWeightFromOpenType(kBoldWeight)};
}

// The largest of 1..highest for which fits() holds (fits(1) is taken to).
template <typename Fits>
unsigned Largest(unsigned highest, Fits fits) {
  unsigned low = 1;
  while (low < highest) {
    unsigned middle = (low + highest + 1) / 2;
    if (fits(middle)) {
      low = middle;
    } else {
      highest = middle - 1;
    }
  }
  return low;
}

int Advance(TTF_Font* font) {
  int minX = 0, maxX = 0, minY = 0, maxY = 0, advance = 0;
  if (TTF_GlyphMetrics32(font, '0', &minX, &maxX, &minY, &maxY, &advance) != 0) return 0;
  return advance;
}

// The named family if it is installed, else a monospaced face.
std::optional<FontFile> ResolveFontFile(const std::string& face, int weight) {
  std::optional<FontFile> named = face.empty() ? std::nullopt : Match(face, weight);
  return named ? named : Match("monospace", weight);
}

using UniqueFont = std::unique_ptr<TTF_Font, decltype(&TTF_CloseFont)>;

class TtfFace final : public common::GlyphFace {
 public:
  // Null when no font file can be opened.
  static std::unique_ptr<TtfFace> Open(const FontRequest& request);

  TtfFace(UniqueFont font, const FontMetrics& metrics)
      : GlyphFace(metrics), font_(std::move(font)), fontAscent_(TTF_FontAscent(font_.get())) {}

 protected:
  Coverage Render(unsigned char byte) override;

 private:
  UniqueFont font_;
  int fontAscent_;  // SDL_ttf's ascent at the chosen size
};

std::unique_ptr<TtfFace> TtfFace::Open(const FontRequest& request) {
  std::optional<FontFile> file = ResolveFontFile(request.face, request.weight);
  if (!file) return nullptr;
  constexpr int kLargest = 512;
  int height = request.height == 0 ? 16 : std::clamp(request.height, -kLargest, kLargest);
  int pointSize = std::abs(height);
  UniqueFont opened(TTF_OpenFontIndexDPI(file->path.c_str(), pointSize, file->index, 72, 72),
                    &TTF_CloseFont);
  TTF_Font* font = opened.get();
  if (font == nullptr) return nullptr;
  TTF_SetFontStyle(font, request.weight >= kBoldWeight && !file->bold ? TTF_STYLE_BOLD
                                                                      : TTF_STYLE_NORMAL);

  // A positive height is the whole cell, internal leading included: the
  // largest vertical resolution whose line height fits it.  A negative one
  // is the size of the characters, as in Windows.
  unsigned vdpi = height <= 0 ? 72 : Largest(1000, [&](unsigned dpi) {
    TTF_SetFontSizeDPI(font, pointSize, dpi, dpi);
    return TTF_FontHeight(font) <= height;
  });
  TTF_SetFontSizeDPI(font, pointSize, vdpi, vdpi);
  int width = request.width > 0 ? std::min(request.width, kLargest) : std::max(1, Advance(font));
  if (request.width > 0) {
    // The glyphs are narrowed or widened, through the horizontal
    // resolution, to the widest advance that fits the cell.
    unsigned hdpi = Largest(4000, [&](unsigned dpi) {
      TTF_SetFontSizeDPI(font, pointSize, dpi, vdpi);
      return Advance(font) <= width;
    });
    TTF_SetFontSizeDPI(font, pointSize, hdpi, vdpi);
  }

  FontMetrics metrics;
  int fontHeight = TTF_FontHeight(font);
  metrics.cellHeight = height > 0 ? height : fontHeight;
  metrics.cellWidth = width;
  // The rows the font does not fill go above it, as internal leading does.
  int spare = std::max(0, metrics.cellHeight - fontHeight);
  metrics.ascent = std::min(metrics.cellHeight, TTF_FontAscent(font) + spare);
  int emHeight = pointSize * static_cast<int>(vdpi) / 72;
  metrics.internalLeading = std::max(0, metrics.cellHeight - emHeight);
  metrics.weight = request.weight == 0 ? 400 : request.weight;
  return std::make_unique<TtfFace>(std::move(opened), metrics);
}

Coverage TtfFace::Render(unsigned char byte) {
  Coverage cell{Metrics().cellWidth, Metrics().cellHeight, {}};
  cell.alpha.assign(static_cast<std::size_t>(cell.width) * cell.height, 0);
  char32_t code = common::UnicodeFromCp1252(byte);
  bool control = code < 0x20 || (code >= 0x7F && code < 0xA0);
  if (control || !TTF_GlyphIsProvided32(font_.get(), code)) return cell;

  int minX = 0, maxX = 0, minY = 0, maxY = 0, advance = 0;
  TTF_GlyphMetrics32(font_.get(), code, &minX, &maxX, &minY, &maxY, &advance);
  std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)> image(
      TTF_RenderGlyph32_Shaded(font_.get(), code, SDL_Color{255, 255, 255, 255},
                               SDL_Color{0, 0, 0, 255}),
      &SDL_FreeSurface);
  if (!image || image->format->BytesPerPixel != 1) return cell;
  // SDL_ttf puts the pen origin at column max(0, -minX) and the baseline at
  // the font's ascent; the cell centres the advance and puts the baseline
  // at the cell's ascent.
  int left = (cell.width - advance) / 2 - std::max(0, -minX);
  int top = Metrics().ascent - fontAscent_;
  for (int y = std::max(0, -top); y < image->h && top + y < cell.height; ++y) {
    const auto* row = static_cast<const std::uint8_t*>(image->pixels) + y * image->pitch;
    for (int x = std::max(0, -left); x < image->w && left + x < cell.width; ++x) {
      // With a white-on-black palette the index is the coverage.
      cell.alpha[static_cast<std::size_t>((top + y) * cell.width + left + x)] = row[x];
    }
  }
  return cell;
}

class TtfGlyphs final : public common::GlyphSource {
 public:
  TtfGlyphs() : started_(TTF_Init() == 0) {}
  ~TtfGlyphs() override {
    if (started_) TTF_Quit();
    // fontconfig keeps its configuration until told; nothing else in the
    // process uses it, and the next match would load it again.
    FcFini();
  }
  std::unique_ptr<common::GlyphFace> Open(const FontRequest& request) override {
    return started_ ? TtfFace::Open(request) : nullptr;
  }

 private:
  bool started_;
};

}  // namespace

std::unique_ptr<common::GlyphSource> CreateTtfGlyphs() { return std::make_unique<TtfGlyphs>(); }

}  // namespace platform::sdl
