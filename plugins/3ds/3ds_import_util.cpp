#include <cstdio>

#include "3ds_import.h"
#include "korvanelib.h"
#include "plugin_framework.h"

namespace imp3ds {

bool Failed(Context& ctx, const char* fn, const char* obj) {
  if (!ctx.err.Pending()) return false;
  ++ctx.damaged;
  if (obj)
    ctx.log.write("Error after function \"%s\" (\"%s\"):\n", fn, obj);
  else
    ctx.log.write("Error after function \"%s\":\n", fn);
  for (int i = 0; i < ctx.err.Count(); ++i) ctx.log.write("%s\n", k3ds::ErrorMessage(ctx.err.Code(i)));
  ctx.err.Clear();
  return true;
}

std::string ChunkName(const k3ds::Chunk& c, k3ds::ErrorList& err, size_t max) {
  k3ds::Reader r(c, &err);
  return r.String(max);
}

bool ReadColor(const k3ds::Chunk* parent, MColor* out, k3ds::ErrorList& err) {
  if (!parent) return false;
  for (uint16_t id : {kLinColorF, kColorF}) {
    if (const k3ds::Chunk* f = parent->Find(id)) {
      k3ds::Reader r(*f, &err);
      float v[3];
      r.Vector(v);
      out->Init_RGB(v[0], v[1], v[2], 1.0);
      return true;
    }
  }
  for (uint16_t id : {kColor24, kLinColor24}) {
    if (const k3ds::Chunk* b = parent->Find(id)) {
      k3ds::Reader r(*b, &err);
      double red = r.Byte() / 255.0, green = r.Byte() / 255.0, blue = r.Byte() / 255.0;
      out->Init_RGB(red, green, blue, 1.0);
      return true;
    }
  }
  return false;
}

double ReadPercent(const k3ds::Chunk& parent, k3ds::ErrorList& err) {
  if (const k3ds::Chunk* i = parent.Find(kIntPercentage)) {
    k3ds::Reader r(*i, &err);
    return r.Short() * 0.01;
  }
  if (const k3ds::Chunk* f = parent.Find(kFloatPercentage)) {
    k3ds::Reader r(*f, &err);
    return r.Float();
  }
  return 0.0;
}

double ReadPercentOf(const k3ds::Chunk& parent, uint16_t id, double def, k3ds::ErrorList& err) {
  const k3ds::Chunk* c = parent.Find(id);
  return c ? ReadPercent(*c, err) : def;
}

void ReadFloatOf(const k3ds::Chunk& parent, uint16_t id, double* out, k3ds::ErrorList& err) {
  if (const k3ds::Chunk* c = parent.Find(id)) {
    k3ds::Reader r(*c, &err);
    *out = r.Float();
  }
}

void ReadShortOf(const k3ds::Chunk& parent, uint16_t id, int32_t* out, k3ds::ErrorList& err) {
  if (const k3ds::Chunk* c = parent.Find(id)) {
    k3ds::Reader r(*c, &err);
    *out = r.Short();
  }
}

void Item(Context& ctx, const char* name, long i, long n) { kvpf::ReportItem(ctx.cb, name, i, n); }

void Phase(Context& ctx, const char* name) {
  if (ctx.cb && ctx.cb->msg3) ctx.cb->msg3("%s", name);
}

void Tick(Context& ctx, long i, long n) {
  if (!ctx.cb || !ctx.cb->progress3) return;
  // About 256 calls per loop: the row moves in steps of ten per cent.
  const long step = n > 256 ? n / 256 : 1;
  if (i % step == 0 || i + 1 == n) ctx.cb->progress3(i, n);
}

std::string NextTextureName(const char* surface) {
  // Counts for the life of the plug-in so names stay unique across imports.
  static unsigned counter = 0;
  std::string name = std::string(surface ? surface : "") + "_texture";
  if (counter < 0xFFFF) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", counter++);
    name += hex;
  }
  return name;
}

}  // namespace imp3ds
