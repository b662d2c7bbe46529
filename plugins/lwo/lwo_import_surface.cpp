// LightWave surfaces: a SURF chunk into an MSurface, its first colour image
// block into a texture layer, and the image clips those blocks name.
#include <cmath>
#include <cstring>

#include "lwo_chunks.h"
#include "lwo_iff.h"
#include "lwo_import_parts.h"

namespace lwoimp {
namespace {

using lwo::Chunk;
using lwo::ChunkWalker;

// What a texture block says.
struct Block {
  bool image = false;   // an image map (IMAP), not a procedure or gradient
  bool colour = true;   // its channel is the base colour
  int projection = -1;
  bool has_clip = false;
  uint32_t clip = 0;
  std::string uv_map;
};

// Sub-chunks the reader does not use are shown in the log as bytes.
void LogBytes(LogFile& log, const Chunk& c) {
  FILE* f = log.Get_FILE();
  if (!f) return;
  MBinReader d = c.data;
  std::fprintf(f, "%s: ", lwo::IdText(c.id).c_str());
  const size_t n = d.Left() < 64 ? d.Left() : 64;
  for (size_t i = 0; i < n; ++i) std::fprintf(f, "%02X ", d.U8());
  std::fprintf(f, n < c.data.Left() ? "...\n" : "\n");
}

void LogNested(LogFile& log, MBinReader d) {
  ChunkWalker walk(d, ChunkWalker::kWordLength);
  Chunk c;
  while (walk.Next(&c)) LogBytes(log, c);
}

Block ReadBlock(Context& ctx, MBinReader d) {
  Block b;
  ChunkWalker walk(d, ChunkWalker::kWordLength);
  Chunk c;
  bool header = true;
  while (walk.Next(&c)) {
    MBinReader s = c.data;
    if (header) {
      // The first sub-chunk says what kind of block this is.
      header = false;
      b.image = c.id == lwo::kIMAP;
      lwo::ReadS0(s, kNameMax);  // ordinal string
      ChunkWalker inner(s, ChunkWalker::kWordLength);
      Chunk k;
      while (inner.Next(&k)) {
        if (k.id == lwo::kCHAN) {
          MBinReader kd = k.data;
          b.colour = kd.U32() == lwo::kCOLR;
        }
        LogBytes(ctx.log, k);
      }
      continue;
    }
    switch (c.id) {
      case lwo::kTMAP: LogNested(ctx.log, s); break;
      case lwo::kPROJ: b.projection = s.U16(); break;
      case lwo::kIMAG:
        b.clip = lwo::ReadVX(s);
        b.has_clip = s.Ok();
        break;
      case lwo::kVMAP: b.uv_map = lwo::ReadS0(s, kNameMax); break;
      default: LogBytes(ctx.log, c); break;
    }
  }
  return b;
}

void AddMapSearchPath(Context& ctx, const std::string& dir) {
  if (dir.empty()) return;
  const bool absolute = dir[0] == '/' || (dir.size() > 1 && dir[1] == ':');
  if (absolute) {
    ctx.scene->maps->AddSearchPath(dir.c_str());
    return;
  }
  const std::string rel = dir[0] == '/' ? dir.substr(1) : dir;
  if (!ctx.content_dir.empty()) ctx.scene->maps->AddSearchPath((ctx.content_dir + rel).c_str());
  if (!ctx.object_dir.empty()) ctx.scene->maps->AddSearchPath((ctx.object_dir + rel).c_str());
}

// The texture layer of an image block mapped through UV coordinates.
void AddImageLayer(Context& ctx, MSurface* s, const Block& b, const std::vector<Clip>& clips) {
  if (b.projection != lwo::kProjectionUV) return;
  ctx.log.write("UV-Mapping\n");
  ctx.log.write("CLIP index = %d\n", static_cast<int>(b.clip));
  const Clip* clip = nullptr;
  for (const Clip& c : clips)
    if (b.has_clip && c.index == b.clip) {
      clip = &c;
      break;
    }
  if (!clip || !clip->still || clip->path.empty()) return;
  const MPathParts parts = m_split_path(clip->path.c_str());
  const std::string file = parts.fname + parts.ext;
  MSrf_TextureLayer* layer = new MSrf_TextureLayer;
  layer->enabled = 1;
  layer->diffuse_color.enabled = 1;
  layer->diffuse_color.value = 1.0;
  layer->diffuse_color.color_source = IMG_RGB;
  layer->diffuse_color.mix_source = MIX_NO;
  layer->texture.enabled = 1;
  layer->texture.kind = _2DBITMAP;
  msrf_copy_name(layer->texture.bitmap.file_name, file.c_str());
  ctx.scene->maps->AddMap(layer->texture.bitmap.file_name);
  s->layers.Add(layer);
  AddMapSearchPath(ctx, parts.dir);
}

inline void SetIfFinite(double* out, double v) {
  if (std::isfinite(v)) *out = v;
}

}  // namespace

Clip ReadClip(Context& ctx, MBinReader d) {
  Clip clip;
  clip.index = d.U32();
  ChunkWalker walk(d, ChunkWalker::kWordLength);
  Chunk c;
  if (walk.Next(&c)) {
    if (c.id == lwo::kSTIL) {
      ctx.log.write("STIL \n");
      MBinReader s = c.data;
      const MPathParts parts = m_split_path(SlashPath(lwo::ReadS0(s, kPathMax)).c_str());
      clip.path = m_join_path(parts.dir, parts.fname, parts.ext);
      clip.still = !clip.path.empty();
    } else {
      ctx.log.write("Type ISEQ, ANIM, XREF or STCC not yet supported\n");
    }
  }
  return clip;
}

SurfaceInfo ReadSurface(Context& ctx, MBinReader d, bool lwo2, const std::vector<Clip>& clips) {
  SurfaceInfo info;
  info.name = lwo::ReadS0(d, kNameMax);
  if (lwo2) lwo::ReadS0(d, kNameMax);  // the surface it was made from
  double r = 1, g = 1, b = 1;
  double lumi = 0, diff = 0, spec = 0, refl = 0, tran = 0, glos = 0, rind = 1, edge = 0, sman = 180;
  bool have_block = false;
  Block used;
  ChunkWalker walk(d, ChunkWalker::kWordLength);
  Chunk c;
  while (walk.Next(&c)) {
    MBinReader s = c.data;
    // The amounts: LWOB words in 1/256 (glossiness 1/1024), LWO2 floats.
    auto amount = [&](double* out, double scale) {
      if (lwo2) return SetIfFinite(out, s.F32());
      // Some writers put two more bytes in front of the word.
      if (c.length == 10 && (c.id == lwo::kSPEC || c.id == lwo::kREFL || c.id == lwo::kGLOS)) s.Skip(2);
      const uint16_t w = s.U16();
      if (s.Ok()) *out = w / scale;
    };
    switch (c.id) {
      case lwo::kCOLR:
        if (lwo2) {
          SetIfFinite(&r, s.F32());
          SetIfFinite(&g, s.F32());
          SetIfFinite(&b, s.F32());
        } else if (s.Left() >= 3) {
          r = s.U8() / 255.0;
          g = s.U8() / 255.0;
          b = s.U8() / 255.0;
        }
        break;
      case lwo::kLUMI: amount(&lumi, 256.0); break;
      case lwo::kDIFF: amount(&diff, 256.0); break;
      case lwo::kSPEC: amount(&spec, 256.0); break;
      case lwo::kREFL: amount(&refl, 256.0); break;
      case lwo::kTRAN: amount(&tran, 256.0); break;
      case lwo::kGLOS: amount(&glos, 1024.0); break;
      case lwo::kVLUM: SetIfFinite(&lumi, s.F32()); break;
      case lwo::kVDIF: SetIfFinite(&diff, s.F32()); break;
      case lwo::kVSPC: SetIfFinite(&spec, s.F32()); break;
      case lwo::kVRFL: SetIfFinite(&refl, s.F32()); break;
      case lwo::kVTRN: SetIfFinite(&tran, s.F32()); break;
      case lwo::kRIND: SetIfFinite(&rind, s.F32()); break;
      case lwo::kEDGE: SetIfFinite(&edge, s.F32()); break;
      case lwo::kSMAN: SetIfFinite(&sman, s.F32() * lwo::kDegPerRad); break;
      case lwo::kBLOK: {
        if (!lwo2) break;
        Block blk = ReadBlock(ctx, s);
        // The colour image is what the scene can hold: the first such block.
        if (!have_block && blk.image && blk.colour) {
          used = blk;
          have_block = true;
        } else {
          ctx.log.write("Additional BLOK Chunk is ignored!\n");
        }
        break;
      }
      default: break;  // FLAG, RFLT, RIMG, RSAN, ALPH and the rest: read and ignored
    }
  }
  info.smoothing = std::fabs(sman - 180.0) < 0.001 ? 0.0 : sman;
  if (have_block) info.uv_map = used.uv_map;

  if (ctx.smoothing.count(info.name)) {
    ctx.log.write("Surface %s is defined already\n", info.name.c_str());
    info.smoothing = ctx.smoothing[info.name];
    return info;
  }
  ctx.smoothing[info.name] = info.smoothing;
  // A surface made for a name before its chunk was read takes its values.
  MSurface* srf = ctx.scene->GetMaterialbyName(info.name.c_str());
  if (!srf) {
    srf = new MSurface(info.name.c_str());
    ctx.scene->surfaces->Append(srf);
  }
  MSrf_Color& col = srf->color;
  for (MColor* m : {&col.ambient, &col.diffuse, &col.specular, &col.luminous}) m->Init_RGB(r, g, b, m->a);
  col.ambient_intensity = col.diffuse_intensity = diff;
  col.luminous_intensity = lumi;
  col.specular_intensity = spec;
  srf->opref.surface_opacity = 1.0 - tran;
  srf->opref.reflected_opacity = 1.0 - refl;
  srf->spec.phong_size = glos * 10.0;
  srf->opref.index_of_refraction = rind;
  srf->opref.edge_opacity = edge;
  srf->opref.edge_opacity_exponent = 0.5;
  if (have_block) AddImageLayer(ctx, srf, used, clips);
  return info;
}

}  // namespace lwoimp
