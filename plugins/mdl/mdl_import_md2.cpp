// Quake 2 MD2: a header of counts and offsets, then skin names, texture
// coordinates, triangles and frames wherever the offsets say. Every block
// is checked against the file before it is read.
#include <cmath>

#include "mdl_import_parts.h"
#include "quake_format.h"

namespace kvmdl {
namespace {

using namespace quake;

const char* const kCountNames[] = {"skins", "vertices", "texture coordinates", "triangles", "GL commands", "frames"};

// The header's promises that the rest of the reading relies on.
bool CheckHeader(Context& ctx, const int32_t (&h)[kMd2HeaderInts], uint64_t size) {
  kvpf::ImportRun& run = ctx.run;
  if (h[kMd2VersionField] != kMd2Version) {
    run.Fail("%s: MD2 version %d; only version %d is read", ctx.path(), h[kMd2VersionField], kMd2Version);
    return false;
  }
  for (int i = kMd2NumSkins; i <= kMd2NumFrames; ++i) {
    if (h[i] < 0) {
      run.Fail("%s: the header gives %d %s", ctx.path(), h[i], kCountNames[i - kMd2NumSkins]);
      return false;
    }
  }
  const int nv = h[kMd2NumVertices], ntri = h[kMd2NumTriangles];
  if (ntri == 0) {
    run.Fail("%s: the model has no triangles", ctx.path());
    return false;
  }
  if (nv == 0) {
    run.Fail("%s: the model has %d triangle%s but no vertices", ctx.path(), ntri, ntri == 1 ? "" : "s");
    return false;
  }
  if (h[kMd2NumFrames] == 0) {
    run.Fail("%s: the model has no frames", ctx.path());
    return false;
  }
  if (h[kMd2NumTexCoords] > 0 && (h[kMd2SkinWidth] <= 0 || h[kMd2SkinHeight] <= 0)) {
    run.Fail("%s: texture coordinates on a skin of %d x %d texels", ctx.path(), h[kMd2SkinWidth], h[kMd2SkinHeight]);
    return false;
  }
  const uint64_t frame_bytes = kMd2FrameHeadSize + kFrameVertexSize * static_cast<uint64_t>(nv);
  if (h[kMd2FrameSize] < 0 || static_cast<uint64_t>(h[kMd2FrameSize]) < frame_bytes) {
    run.Fail("%s: a frame of %d bytes cannot hold %d vertices (%llu bytes)", ctx.path(), h[kMd2FrameSize], nv,
             static_cast<unsigned long long>(frame_bytes));
    return false;
  }
  if (!BlockFits(h[kMd2OfsTexCoords], h[kMd2NumTexCoords], kMd2TexCoordSize, size)) {
    run.Fail("%s: the %d texture coordinates at offset %d lie outside the file (%llu bytes)", ctx.path(),
             h[kMd2NumTexCoords], h[kMd2OfsTexCoords], static_cast<unsigned long long>(size));
    return false;
  }
  if (!BlockFits(h[kMd2OfsTriangles], ntri, kMd2TriangleSize, size)) {
    run.Fail("%s: the %d triangles at offset %d lie outside the file (%llu bytes)", ctx.path(), ntri,
             h[kMd2OfsTriangles], static_cast<unsigned long long>(size));
    return false;
  }
  return true;
}

void ReadSkin(Context& ctx, MBinReader& in, const int32_t (&h)[kMd2HeaderInts], Model* model) {
  ctx.log().write("\nParsing Skins ...\n");
  if (h[kMd2NumSkins] == 0) return;
  // Only the first skin is used.
  if (!BlockFits(h[kMd2OfsSkins], 1, kMd2SkinNameSize, in.Size())) {
    ctx.run.Warn("%s: the skin names at offset %d lie outside the file; the model is read without its skin",
                 ctx.path(), h[kMd2OfsSkins]);
    return;
  }
  in.Seek(static_cast<size_t>(h[kMd2OfsSkins]));
  std::string skin = in.FixedString(kMd2SkinNameSize);
  ctx.log().write("\t%s\n", skin.c_str());
  if (skin.empty()) return;
  MPathParts parts = m_split_path(skin.c_str());
  model->skin_file = parts.fname + parts.ext;
}

void ReadTexCoords(Context& ctx, MBinReader& in, const int32_t (&h)[kMd2HeaderInts], Model* model) {
  LogFile& log = ctx.log();
  log.write("\nParsing offsetTexCoords ...\n");
  const int n = h[kMd2NumTexCoords];
  if (n == 0) return;
  in.Seek(static_cast<size_t>(h[kMd2OfsTexCoords]));
  model->st.resize(static_cast<size_t>(n));
  const bool logging = log.Get_FILE() != nullptr;
  for (int i = 0; i < n; ++i) {
    TexCoord& c = model->st[static_cast<size_t>(i)];
    c.s = in.I16();
    c.t = in.I16();
    if (logging) log.write("\t%d: <%.3lf, %.3lf>\n", i, c.s / model->skin_width, c.t / model->skin_height);
  }
}

void ReadTriangles(Context& ctx, MBinReader& in, const int32_t (&h)[kMd2HeaderInts], Model* model) {
  LogFile& log = ctx.log();
  log.write("\nParsing offsetTriangles ...\n");
  const int n = h[kMd2NumTriangles];
  in.Seek(static_cast<size_t>(h[kMd2OfsTriangles]));
  model->triangles.resize(static_cast<size_t>(n));
  const bool logging = log.Get_FILE() != nullptr;
  for (int i = 0; i < n; ++i) {
    Triangle& t = model->triangles[static_cast<size_t>(i)];
    // Written as shorts; read unsigned, as writers of larger models do.
    for (int& v : t.v) v = in.U16();
    for (int& s : t.st) s = in.U16();
    if (logging)
      log.write("\t%d: <%d,%d,%d>, <%d,%d,%d>\n", i, t.v[0], t.v[1], t.v[2], t.st[0], t.st[1], t.st[2]);
  }
}

bool ReadFrame(Context& ctx, MBinReader& in, const int32_t (&h)[kMd2HeaderInts], Model* model) {
  LogFile& log = ctx.log();
  log.write("\nParsing offsetFrames ...\n");
  const int frames = h[kMd2NumFrames], nv = h[kMd2NumVertices];
  const int64_t frame_size = h[kMd2FrameSize];
  int k = ctx.options->frame;
  if (k < 0 || k >= frames) {
    ctx.run.Warn("%s: frame %d asked for, the model has %d; frame 0 is read", ctx.path(), k, frames);
    k = 0;
  }
  const int64_t at = static_cast<int64_t>(h[kMd2OfsFrames]) + k * frame_size;
  if (h[kMd2OfsFrames] < 0 || !BlockFits(at, 1, kMd2FrameHeadSize + kFrameVertexSize * static_cast<uint64_t>(nv),
                                          in.Size())) {
    ctx.run.Fail("%s: frame %d (offset %lld) lies outside the file (%zu bytes)", ctx.path(), k,
                 static_cast<long long>(at), in.Size());
    return false;
  }
  if (!BlockFits(h[kMd2OfsFrames], frames, static_cast<uint64_t>(frame_size), in.Size()))
    ctx.run.Warn("%s: the file ends before the last of its %d frames", ctx.path(), frames);
  in.Seek(static_cast<size_t>(at));
  float scale[3], translate[3];
  for (float& s : scale) s = in.F32();
  for (float& t : translate) t = in.F32();
  std::string name = in.FixedString(kFrameNameSize);
  for (int i = 0; i < 3; ++i) {
    if (!std::isfinite(scale[i]) || !std::isfinite(translate[i])) {
      ctx.run.Fail("%s: frame %d has no finite scale and translation", ctx.path(), k);
      return false;
    }
  }
  log.write("Frame %d\n", k);
  log.write("\t Scale: <%.3lf, %.3lf, %.3lf>\n", scale[0], scale[1], scale[2]);
  log.write("\t Translate: <%.3lf, %.3lf, %.3lf>\n", translate[0], translate[1], translate[2]);
  log.write("\t Name: %s\n", name.c_str());
  log.write("\t Vertices: \n");
  ReadPose(ctx, in, static_cast<size_t>(nv), scale, translate, model);
  log.write("\n");
  return true;
}

}  // namespace

bool ReadMd2(Context& ctx, const MFileView& file, Model* model) {
  if (file.size() < kMd2HeaderSize) {
    ctx.run.Fail("%s: the MD2 header is cut off (%zu of %zu bytes)", ctx.path(), file.size(), kMd2HeaderSize);
    return false;
  }
  MBinReader in = file.Reader();
  int32_t h[kMd2HeaderInts];
  for (int32_t& v : h) v = in.I32();
  LogMd2Header(ctx.log(), h);
  if (!CheckHeader(ctx, h, file.size())) return false;
  model->skin_width = h[kMd2SkinWidth];
  model->skin_height = h[kMd2SkinHeight];

  Step(ctx, 20);
  ReadSkin(ctx, in, h, model);
  Step(ctx, 40);
  ReadTexCoords(ctx, in, h, model);
  Step(ctx, 60);
  ReadTriangles(ctx, in, h, model);
  Step(ctx, 80);
  return ReadFrame(ctx, in, h, model);
}

}  // namespace kvmdl
