// Small builders for the chunks the binary writer puts into its database.
// A reference returned by Chunk::Add dies with the next Add on the same
// parent, so every builder fills its chunk completely before returning.
#pragma once
#include <cmath>
#include <cstdint>
#include <string>

#include "chunk3ds.h"
#include "korvanelib.h"

namespace k3ds {

inline void PutFloat(Chunk& parent, uint16_t id, double v) { Writer(&parent.Add(id).data).Float(static_cast<float>(v)); }

inline void PutShortOf(Chunk& parent, uint16_t id, long v) {
  if (v > 32767) v = 32767;
  if (v < -32768) v = -32768;
  Writer(&parent.Add(id).data).Short(static_cast<int16_t>(v));
}

inline void PutVector(Writer& w, const MVector3& v) {
  w.Float(static_cast<float>(v.x));
  w.Float(static_cast<float>(v.y));
  w.Float(static_cast<float>(v.z));
}

// Float colour 0x0010 (or 0x0013).
inline void PutFloatColor(Chunk& parent, const MColor& c, uint16_t id = 0x0010) {
  Writer w(&parent.Add(id).data);
  w.Float(static_cast<float>(c.r));
  w.Float(static_cast<float>(c.g));
  w.Float(static_cast<float>(c.b));
}

inline uint8_t ColorByte(double v) {
  if (!(v > 0)) return 0;  // NaN too
  if (v >= 1) return 255;
  return static_cast<uint8_t>(std::lround(v * 255.0));
}

inline void PutByteColor(Writer& w, const MColor& c) {
  w.Byte(ColorByte(c.r));
  w.Byte(ColorByte(c.g));
  w.Byte(ColorByte(c.b));
}

// 0..1 value as an integer percentage, truncated.
inline long Percent(double v) {
  double p = std::trunc(v * 100.0);
  if (!std::isfinite(p)) return 0;
  return static_cast<long>(std::fmax(-32768.0, std::fmin(32767.0, p)));
}

// Container `id` holding a 0x0030 percentage.
inline void PutPercent(Chunk& parent, uint16_t id, double v) { PutShortOf(parent.Add(id), 0x0030, Percent(v)); }

inline MColor Scaled(const MColor& c, double k) { return MColor(c.r * k, c.g * k, c.b * k, c.a); }

}  // namespace k3ds
