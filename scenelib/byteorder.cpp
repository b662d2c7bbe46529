#include "byteorder.h"

#include <cstdint>
#include <cstring>

namespace {

// For byte i of the little-endian form, its position in native memory.
unsigned char g_word[2], g_dword[4], g_float[4], g_double[8];
bool g_ready = false;

template <typename T, typename U>
void locate(unsigned char* table, U marker_bits) {
  // marker_bits holds byte value i+1 at little-endian position i.
  unsigned char mem[sizeof(T)];
  memcpy(mem, &marker_bits, sizeof(T));
  for (unsigned i = 0; i < sizeof(T); ++i) {
    table[i] = static_cast<unsigned char>(i);
    for (unsigned k = 0; k < sizeof(T); ++k)
      if (mem[k] == i + 1) table[i] = static_cast<unsigned char>(k);
  }
}

void ensure() {
  if (!g_ready) init_byteswap();
}

void to_le(const unsigned char* table, unsigned n, const void* native, void* out) {
  ensure();
  unsigned char tmp[8];
  const unsigned char* src = static_cast<const unsigned char*>(native);
  for (unsigned i = 0; i < n; ++i) tmp[i] = src[table[i]];
  memcpy(out, tmp, n);
}

void from_le(const unsigned char* table, unsigned n, const void* le, void* out) {
  ensure();
  unsigned char tmp[8];
  const unsigned char* src = static_cast<const unsigned char*>(le);
  for (unsigned i = 0; i < n; ++i) tmp[table[i]] = src[i];
  memcpy(out, tmp, n);
}

}  // namespace

void init_byteswap() {
  locate<uint16_t>(g_word, static_cast<uint16_t>(0x0201));
  locate<uint32_t>(g_dword, static_cast<uint32_t>(0x04030201u));
  // Floats share the integer byte order on every platform we build for.
  locate<float>(g_float, static_cast<uint32_t>(0x04030201u));
  locate<double>(g_double, static_cast<uint64_t>(0x0807060504030201ull));
  g_ready = true;
}

void N2IWord(const void* native, void* out) { to_le(g_word, 2, native, out); }
void N2IDWord(const void* native, void* out) { to_le(g_dword, 4, native, out); }
void N2IFloat(const void* native, void* out) { to_le(g_float, 4, native, out); }
void N2IDouble(const void* native, void* out) { to_le(g_double, 8, native, out); }
void I2NWord(const void* le, void* out) { from_le(g_word, 2, le, out); }
void I2NDWord(const void* le, void* out) { from_le(g_dword, 4, le, out); }
void I2NFloat(const void* le, void* out) { from_le(g_float, 4, le, out); }
void I2NDouble(const void* le, void* out) { from_le(g_double, 8, le, out); }
