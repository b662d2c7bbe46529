// MDL skins as 24-bit TGA files: an 18-byte header, then the rows from the
// bottom of the skin up, each pixel blue, green, red from the palette.
#include <sys/stat.h>

#include <vector>

#include "mdl_import_parts.h"
#include "quake_format.h"

namespace kvmdl {
namespace {

using namespace quake;

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

std::vector<uint8_t> TgaHeader(int width, int height) {
  std::vector<uint8_t> bytes;
  MBinWriter w(&bytes);
  w.U8(0);  // no image id
  w.U8(0);  // no colour map
  w.U8(kTgaTrueColour);
  w.Zeros(5);  // colour map specification
  w.U16(0);    // x origin
  w.U16(0);    // y origin
  w.U16(static_cast<uint16_t>(width));
  w.U16(static_cast<uint16_t>(height));
  w.U8(kTgaBitsPerPixel);
  w.U8(0);  // rows bottom-up
  return bytes;
}

}  // namespace

std::string SkinPath(const MdlImportOption& o, const std::string& model_path, int index) {
  MPathParts parts = m_split_path(model_path.c_str());
  std::string dir = o.skin_path[0] ? std::string(o.skin_path) : parts.dir;
  if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += '/';
  return dir + parts.fname + "_skin_" + std::to_string(index) + ".tga";
}

std::string WriteSkin(Context& ctx, int index, int width, int height, const uint8_t* pixels) {
  const std::string path = SkinPath(*ctx.options, ctx.run.path(), index);
  MPathParts parts = m_split_path(path.c_str());
  const std::string file = parts.fname + parts.ext;
  if (!ctx.options->write_skins) return file;
  if (width > kTgaMaxSide || height > kTgaMaxSide) {
    ctx.run.Warn("%s: skin %d (%d x %d) is too large for a TGA file and was not written", ctx.path(), index, width,
                 height);
    return file;
  }
  if (!ctx.options->overwrite_skins && Exists(path)) {
    ctx.run.Warn("%s exists and was kept; -mdl_overwrite_skins=1 replaces it", path.c_str());
    return file;
  }
  MOutputFile out;
  bool ok = out.Open(path.c_str());
  const std::vector<uint8_t> head = TgaHeader(width, height);
  ok = ok && out.Write(head.data(), head.size());
  const size_t w = static_cast<size_t>(width);
  std::vector<uint8_t> row(w * 3);
  for (int y = height - 1; ok && y >= 0; --y) {
    const uint8_t* src = pixels + static_cast<size_t>(y) * w;
    for (size_t x = 0; x < w; ++x) {
      const uint8_t* c = kPalette[src[x]];
      row[3 * x] = c[2];
      row[3 * x + 1] = c[1];
      row[3 * x + 2] = c[0];
    }
    ok = out.Write(row.data(), row.size());
  }
  if (ok && out.Commit()) {
    ctx.log().write("Skin %d written to %s\n", index, path.c_str());
  } else {
    ctx.run.Warn("cannot write skin %d: %s", index, m_output_error(out).c_str());
    out.Discard();
  }
  return file;
}

}  // namespace kvmdl
