// Quake 1 MDL: a header, then in file order the skins (8-bit palette
// images, single or in groups), one texture coordinate per vertex, the
// triangles and the frames (single poses or groups of them). Nothing gives
// offsets, so every record is measured against what is left of the file.
#include <cmath>
#include <string>

#include "mdl_import_parts.h"
#include "quake_format.h"

namespace kvmdl {
namespace {

using namespace quake;

struct Header {
  int32_t version;
  float scale[3], translate[3], radius, eye[3];
  int32_t skins, skin_width, skin_height, vertices, triangles, frames, sync, flags;
  float size;
};

Header ReadHeader(MBinReader& in) {
  Header h{};
  in.Skip(4);
  h.version = in.I32();
  for (float& v : h.scale) v = in.F32();
  for (float& v : h.translate) v = in.F32();
  h.radius = in.F32();
  for (float& v : h.eye) v = in.F32();
  h.skins = in.I32();
  h.skin_width = in.I32();
  h.skin_height = in.I32();
  h.vertices = in.I32();
  h.triangles = in.I32();
  h.frames = in.I32();
  h.sync = in.I32();
  h.flags = in.I32();
  h.size = in.F32();
  return h;
}

void LogHeader(LogFile& log, const Header& h) {
  log.write("Model Properties:\n");
  log.write("\t%s\n", "IDPO");
  log.write("\t%s: %d\n", "Version", h.version);
  log.write("\t%s: %d\n", "Skin Width", h.skin_width);
  log.write("\t%s: %d\n", "Skin Height", h.skin_height);
  log.write("\t%s: %d\n", "Num Skins", h.skins);
  log.write("\t%s: %d\n", "Num Vertices", h.vertices);
  log.write("\t%s: %d\n", "Num Triangles", h.triangles);
  log.write("\t%s: %d\n", "Num Frames", h.frames);
  log.write("\n");
}

bool CheckHeader(Context& ctx, const Header& h) {
  kvpf::ImportRun& run = ctx.run;
  if (h.version != kMdlVersion) {
    run.Fail("%s: MDL version %d; only version %d (Quake 1) is read", ctx.path(), h.version, kMdlVersion);
    return false;
  }
  if (h.skins < 0 || h.vertices < 0 || h.triangles < 0 || h.frames < 0) {
    run.Fail("%s: the header gives a negative count (%d skins, %d vertices, %d triangles, %d frames)", ctx.path(),
             h.skins, h.vertices, h.triangles, h.frames);
    return false;
  }
  if (h.triangles == 0) {
    run.Fail("%s: the model has no triangles", ctx.path());
    return false;
  }
  if (h.vertices == 0) {
    run.Fail("%s: the model has %d triangle%s but no vertices", ctx.path(), h.triangles, h.triangles == 1 ? "" : "s");
    return false;
  }
  if (h.frames == 0) {
    run.Fail("%s: the model has no frames", ctx.path());
    return false;
  }
  if (h.skin_width <= 0 || h.skin_height <= 0) {
    run.Fail("%s: a skin of %d x %d texels", ctx.path(), h.skin_width, h.skin_height);
    return false;
  }
  for (int i = 0; i < 3; ++i) {
    if (!std::isfinite(h.scale[i]) || !std::isfinite(h.translate[i])) {
      run.Fail("%s: the header has no finite scale and origin", ctx.path());
      return false;
    }
  }
  return true;
}

bool CutOff(Context& ctx, const std::string& what) {
  ctx.run.Fail("%s: the file ends inside %s", ctx.path(), what.c_str());
  return false;
}

// The two kinds of MDL records that come single or in groups.
struct RecordKind {
  const char* name;
  const char* items;
  size_t group_head;  // what a group holds after its count, before the intervals
};
constexpr RecordKind kSkinRecord{"skin", "images", 0};
constexpr RecordKind kFrameRecord{"frame", "poses", 8};  // the group's bounding box

// A type, then one item, or for a group a count, the group head, one
// interval per item and the items. `first` gets the first item, `in` moves
// past the record; false (the run failed) when it is broken or cut off.
bool ReadRecord(Context& ctx, MBinReader& in, const RecordKind& kind, int index, uint64_t item_size,
                MBinReader* first) {
  const std::string name = std::string(kind.name) + " " + std::to_string(index);
  if (in.Left() < 4) return CutOff(ctx, name);
  uint64_t items = 1;
  if (in.I32() != kMdlSingle) {
    const int32_t n = in.I32();
    if (!in.Ok()) return CutOff(ctx, name);
    if (n < 1) {
      ctx.run.Fail("%s: %s is a group of %d %s", ctx.path(), name.c_str(), n, kind.items);
      return false;
    }
    items = static_cast<uint64_t>(n);
    const uint64_t head = kind.group_head + 4 * items;
    if (head > in.Left()) return CutOff(ctx, name);
    in.Skip(static_cast<size_t>(head));
    ctx.log().write("%s is a group of %d %s; the first is used\n", name.c_str(), n, kind.items);
  }
  if (item_size > in.Left() / items) return CutOff(ctx, name);
  *first = in.Sub(static_cast<size_t>(item_size));
  in.Skip(static_cast<size_t>(item_size * (items - 1)));
  return true;
}

bool ReadSkins(Context& ctx, MBinReader& in, const Header& h, Model* model) {
  const uint64_t image = static_cast<uint64_t>(h.skin_width) * static_cast<uint64_t>(h.skin_height);
  for (int k = 0; k < h.skins; ++k) {
    MBinReader pixels;
    if (!ReadRecord(ctx, in, kSkinRecord, k, image, &pixels)) return false;
    if (k < kMdlMaxSkinFiles) {
      std::string file = WriteSkin(ctx, k, h.skin_width, h.skin_height, pixels.Here());
      if (k == 0) model->skin_file = file;
    } else if (k == kMdlMaxSkinFiles) {
      ctx.run.Warn("%s: %d skins; only the first %d are written", ctx.path(), h.skins, kMdlMaxSkinFiles);
    }
  }
  return true;
}

// One texture coordinate per vertex; a vertex on the seam gets a second one
// half a skin to the right, for the back-facing triangles.
bool ReadTexCoords(Context& ctx, MBinReader& in, const Header& h, Model* model, std::vector<int>* seam) {
  LogFile& log = ctx.log();
  log.write("\nParsing offsetTexCoords ...\n");
  const size_t nv = static_cast<size_t>(h.vertices);
  if (nv > in.Left() / kMdlTexCoordSize) return CutOff(ctx, "the texture coordinates");
  model->st.resize(nv);
  seam->assign(nv, -1);
  std::vector<TexCoord> extra;
  const bool logging = log.Get_FILE() != nullptr;
  for (size_t i = 0; i < nv; ++i) {
    const int32_t on_seam = in.I32();
    const int32_t s = in.I32(), t = in.I32();
    model->st[i] = TexCoord{static_cast<double>(s), static_cast<double>(t)};
    if (on_seam) {
      (*seam)[i] = static_cast<int>(nv + extra.size());
      extra.push_back(TexCoord{static_cast<double>(s) + h.skin_width / 2, static_cast<double>(t)});
    }
    if (logging)
      log.write("\t%d: <%.3lf, %.3lf>\n", static_cast<int>(i), static_cast<double>(s) / h.skin_width,
                static_cast<double>(t) / h.skin_height);
  }
  model->st.insert(model->st.end(), extra.begin(), extra.end());
  return true;
}

bool ReadTriangles(Context& ctx, MBinReader& in, const Header& h, const std::vector<int>& seam, Model* model) {
  LogFile& log = ctx.log();
  log.write("\nParsing offsetTriangles ...\n");
  const size_t n = static_cast<size_t>(h.triangles);
  if (n > in.Left() / kMdlTriangleSize) return CutOff(ctx, "the triangles");
  model->triangles.resize(n);
  const bool logging = log.Get_FILE() != nullptr;
  for (size_t i = 0; i < n; ++i) {
    Triangle& t = model->triangles[i];
    const bool front = in.I32() != 0;
    for (int c = 0; c < 3; ++c) {
      const int v = in.I32();
      t.v[c] = v;
      const bool back_seam = !front && v >= 0 && static_cast<size_t>(v) < seam.size() && seam[v] >= 0;
      t.st[c] = back_seam ? seam[v] : v;
    }
    if (logging) log.write("\t%d: <%d,%d,%d>\n", static_cast<int>(i), t.v[0], t.v[1], t.v[2]);
  }
  return true;
}

// Walks to frame k (a group counts as one frame; its first pose is taken).
bool FindFrame(Context& ctx, MBinReader& in, const Header& h, int k, MBinReader* pose) {
  const uint64_t pose_size = kMdlPoseHeadSize + kFrameVertexSize * static_cast<uint64_t>(h.vertices);
  for (int f = 0; f <= k; ++f)
    if (!ReadRecord(ctx, in, kFrameRecord, f, pose_size, pose)) return false;
  return true;
}

bool ReadFrame(Context& ctx, MBinReader& in, const Header& h, Model* model) {
  LogFile& log = ctx.log();
  int k = ctx.options->frame;
  if (k < 0 || k >= h.frames) {
    ctx.run.Warn("%s: frame %d asked for, the model has %d; frame 0 is read", ctx.path(), k, h.frames);
    k = 0;
  }
  MBinReader pose;
  if (!FindFrame(ctx, in, h, k, &pose)) return false;
  pose.Skip(8);  // bounding box
  std::string name = pose.FixedString(kFrameNameSize);
  log.write("Frame %d\n", k);
  log.write("\t Scale: <%.3lf, %.3lf, %.3lf>\n", h.scale[0], h.scale[1], h.scale[2]);
  log.write("\t Origin: <%.3lf, %.3lf, %.3lf>\n", h.translate[0], h.translate[1], h.translate[2]);
  log.write("\t EyePos: <%.3lf, %.3lf, %.3lf>\n", h.eye[0], h.eye[1], h.eye[2]);
  log.write("\t Name: %s\n", name.c_str());
  log.write("\t Vertices: \n");
  // The eye position is where the view sits, not an offset of the model.
  ReadPose(ctx, pose, static_cast<size_t>(h.vertices), h.scale, h.translate, model);
  return true;
}

}  // namespace

bool ReadMdl(Context& ctx, const MFileView& file, Model* model) {
  if (file.size() < kMdlHeaderSize) {
    ctx.run.Fail("%s: the MDL header is cut off (%zu of %zu bytes)", ctx.path(), file.size(), kMdlHeaderSize);
    return false;
  }
  MBinReader in = file.Reader();
  const Header h = ReadHeader(in);
  LogHeader(ctx.log(), h);
  if (!CheckHeader(ctx, h)) return false;
  model->skin_width = h.skin_width;
  model->skin_height = h.skin_height;
  model->dump = true;

  Step(ctx, 20);
  if (!ReadSkins(ctx, in, h, model)) return false;
  ctx.log().write("\n");
  Step(ctx, 40);
  std::vector<int> seam;
  if (!ReadTexCoords(ctx, in, h, model, &seam)) return false;
  Step(ctx, 60);
  if (!ReadTriangles(ctx, in, h, seam, model)) return false;
  Step(ctx, 80);
  return ReadFrame(ctx, in, h, model);
}

}  // namespace kvmdl
