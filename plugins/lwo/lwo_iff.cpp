#include "lwo_iff.h"

#include <cstring>

#include "lwo_chunks.h"

namespace lwo {

ChunkWalker::ChunkWalker(const MBinReader& parent, Header header)
    : in_(parent),
      header_size_(header == kWordLength ? kSubChunkHeader : kChunkHeader),
      word_length_(header == kWordLength) {}

bool ChunkWalker::Next(Chunk* out) {
  if (done_) return false;
  if (in_.Left() < header_size_) {
    leftover_ = in_.Left();
    done_ = true;
    return false;
  }
  out->offset = in_.Pos();
  out->id = in_.U32();
  out->length = word_length_ ? in_.U16() : in_.U32();
  out->truncated = out->length > in_.Left();
  out->data = in_.Sub(out->length);
  if (out->truncated) {
    truncated_ = true;
    done_ = true;
    return true;
  }
  // The pad byte after odd data; a file that ends right there lacks it.
  if ((out->length & 1) && in_.Left() > 0) in_.Skip(1);
  return true;
}

bool ReadForm(const MBinReader& file, Form* out) {
  MBinReader in = file;
  if (in.Left() < 12 || in.U32() != kFORM) return false;
  uint32_t length = in.U32();
  if (length < 4) return false;
  out->type = in.U32();
  const size_t want = length - 4;
  out->truncated = want > in.Left();
  out->body = in.Sub(want);
  return true;
}

uint32_t ReadVX(MBinReader& in) {
  if (in.Left() >= 1 && in.Here()[0] == 0xFF) return in.U32() & kVXMax;
  return in.U16();
}

std::string ReadS0(MBinReader& in, size_t max_len) {
  const uint8_t* p = in.Here();
  const size_t left = in.Left();
  const void* nul = left ? std::memchr(p, 0, left) : nullptr;
  // Without its NUL the string runs to the end of its chunk.
  const size_t n = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - p) : left;
  std::string s(reinterpret_cast<const char*>(p), n < max_len ? n : max_len);
  size_t used = nul ? n + 1 : n;
  if ((used & 1) && used < left) ++used;
  in.Skip(used);
  return s;
}

std::string IdText(uint32_t id) {
  std::string s(4, '?');
  for (int i = 0; i < 4; ++i) {
    const unsigned char c = static_cast<unsigned char>(id >> (24 - 8 * i));
    if (c >= 32 && c < 127) s[static_cast<size_t>(i)] = static_cast<char>(c);
  }
  return s;
}

size_t IffWriter::BeginChunk(uint32_t id) {
  const size_t start = w_.Pos();
  w_.U32(id);
  w_.U32(0);
  return start;
}

size_t IffWriter::BeginSub(uint32_t id) {
  const size_t start = w_.Pos();
  w_.U32(id);
  w_.U16(0);
  return start;
}

void IffWriter::End(size_t start, size_t header, bool word) {
  const size_t length = w_.Pos() - start - header;
  if (length & 1) w_.U8(0);
  if (word) {
    if (length > 0xFFFF) overflow_ = true;
    w_.PatchU16(start + 4, static_cast<uint16_t>(length));
  } else {
    if (length > 0xFFFFFFFFull) overflow_ = true;
    w_.PatchU32(start + 4, static_cast<uint32_t>(length));
  }
}

void IffWriter::EndChunk(size_t start) { End(start, kChunkHeader, false); }
void IffWriter::EndSub(size_t start) { End(start, kSubChunkHeader, true); }

void IffWriter::VX(uint32_t index) {
  if (index < kVXWordLimit) {
    w_.U16(static_cast<uint16_t>(index));
  } else {
    if (index > kVXMax) overflow_ = true;
    w_.U32(0xFF000000u | (index & kVXMax));
  }
}

void IffWriter::S0(const char* s, size_t max_len) {
  const size_t n = s ? strnlen(s, max_len) : 0;
  w_.Bytes(s, n);
  w_.U8(0);
  if ((n + 1) & 1) w_.U8(0);
}

}  // namespace lwo
