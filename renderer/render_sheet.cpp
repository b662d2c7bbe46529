// Contact sheets of pictures with their labels, and pictures as PNG files.
#include <algorithm>
#include <cmath>

#include "imageconv.h"
#include "render.h"

namespace kvrender {
namespace {

constexpr uint8_t kSheet[4] = {40, 40, 40, 255};
constexpr uint8_t kTile[4] = {72, 72, 72, 255};
constexpr uint8_t kInk[4] = {245, 245, 245, 255};
constexpr uint8_t kFaint[4] = {170, 170, 170, 255};
constexpr int kGap = 6;
constexpr int kLabel = 14;  // height of the label strip under a tile

void Fill(Picture* p, int x0, int y0, int w, int h, const uint8_t rgba[4]) {
  for (int y = std::max(0, y0); y < std::min(p->height, y0 + h); ++y)
    for (int x = std::max(0, x0); x < std::min(p->width, x0 + w); ++x) std::copy_n(rgba, 4, p->at(x, y));
}

// src over the opaque dst at (x0, y0), clipped to w x h.
void Over(Picture* dst, const Picture& src, int x0, int y0, int w, int h) {
  for (int y = 0; y < std::min(h, src.height); ++y)
    for (int x = 0; x < std::min(w, src.width); ++x) {
      const uint8_t* s = src.at(x, y);
      uint8_t* d = dst->at(x0 + x, y0 + y);
      for (int k = 0; k < 3; ++k) d[k] = static_cast<uint8_t>((s[k] * s[3] + d[k] * (255 - s[3]) + 127) / 255);
    }
}

// The label cut to width pixels, "..." in front of what was cut (the end
// of a file name says most).
std::string Fit(const std::string& label, int width) {
  if (TextWidth(label) <= width) return label;
  std::string s = label;
  while (!s.empty() && TextWidth("..." + s) > width) s.erase(0, 1);
  return "..." + s;
}

}  // namespace

Picture ContactSheet(const std::vector<SheetTile>& tiles, int tile_w, int tile_h, int columns) {
  Picture sheet;
  const int n = static_cast<int>(tiles.size());
  if (tile_w < 1 || tile_h < 1) return sheet;
  if (columns < 1) columns = std::max(1, static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n)))));
  const int rows = std::max(1, (n + columns - 1) / columns);
  const int cell_w = tile_w + kGap, cell_h = tile_h + kLabel + kGap;
  sheet.width = columns * cell_w + kGap;
  sheet.height = rows * cell_h + kGap;
  sheet.rgba.resize(static_cast<size_t>(sheet.width) * sheet.height * 4);
  Fill(&sheet, 0, 0, sheet.width, sheet.height, kSheet);
  for (int i = 0; i < n; ++i) {
    const int x = kGap + (i % columns) * cell_w, y = kGap + (i / columns) * cell_h;
    Fill(&sheet, x, y, tile_w, tile_h, kTile);
    const Picture& pic = tiles[i].picture;
    if (pic.width > 0 && pic.height > 0) {
      Over(&sheet, pic, x + std::max(0, (tile_w - pic.width) / 2), y + std::max(0, (tile_h - pic.height) / 2), tile_w,
           tile_h);
    } else {
      const std::string none = "no picture";
      DrawText(&sheet, x + (tile_w - TextWidth(none)) / 2, y + tile_h / 2 - 3, none, kFaint);
    }
    const std::string label = Fit(tiles[i].label, tile_w);
    DrawText(&sheet, x + (tile_w - TextWidth(label)) / 2, y + tile_h + 4, label, kInk);
  }
  return sheet;
}

bool WritePng(const Picture& picture, const std::string& path, std::string* error) {
  if (picture.width < 1 || picture.height < 1 ||
      picture.rgba.size() != static_cast<size_t>(picture.width) * picture.height * 4) {
    if (error) *error = "empty picture";
    return false;
  }
  const int rc = write_image_rgba(IMAGECONV_PNG, path.c_str(), picture.width, picture.height, picture.rgba.data());
  if (rc == IMAGECONV_OK) return true;
  if (error) *error = rc == IMAGECONV_ERR_WRITE ? "cannot write " + path : "cannot encode the picture as PNG";
  return false;
}

}  // namespace kvrender
