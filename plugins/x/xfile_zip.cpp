// Compressed .x bodies (tzip, bzip): blocks of raw deflate data, each of
// which may refer back into the output of the block before.
#include <zlib.h>

#include <cstring>

#include "binio.h"
#include "xfile.h"
#include "xfile_format.h"

namespace kvx {

namespace {

struct Inflater {
  z_stream z{};
  bool ok = false;
  Inflater() { ok = inflateInit2(&z, -MAX_WBITS) == Z_OK; }
  ~Inflater() {
    if (ok) inflateEnd(&z);
  }
};

struct Deflater {
  z_stream z{};
  bool ok = false;
  Deflater() { ok = deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK; }
  ~Deflater() {
    if (ok) deflateEnd(&z);
  }
};

struct Block {
  size_t data;   // offset of the deflate data
  size_t csize;  // its length
  size_t usize;
};

}  // namespace

bool InflateBody(const uint8_t* data, size_t size, std::vector<uint8_t>* out, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    out->clear();
    return false;
  };
  MBinReader in(data, size);
  const uint32_t stated = in.U32();
  if (!in.Ok()) return fail("compressed .x file without its size");
  if (stated < kHeaderSize) return fail("compressed .x file states a size of " + std::to_string(stated) + " bytes");
  // First the block headers alone: they must add up to the stated size
  // before anything is allocated.
  std::vector<Block> blocks;
  size_t total = 0;
  while (!in.AtEnd()) {
    const size_t at = in.Pos();
    const uint16_t usize = in.U16();
    const uint16_t csize = in.U16();
    if (!in.Ok()) return fail("cut block header at offset " + std::to_string(at + kHeaderSize));
    if (csize < 2 || csize - 2u > in.Left() || std::memcmp(in.Here(), kZipMarker, 2) != 0)
      return fail("damaged block header at offset " + std::to_string(at + kHeaderSize));
    if (usize == 0 || usize > kZipBlockMax || usize > (csize - 2u) * kInflateRatioMax + 64)
      return fail("block at offset " + std::to_string(at + kHeaderSize) + " claims " + std::to_string(usize) +
                  " bytes from " + std::to_string(csize) + " compressed ones");
    blocks.push_back(Block{in.Pos() + 2, csize - 2u, usize});
    in.Skip(csize);
    total += usize;
  }
  if (total != stated - kHeaderSize)
    return fail("the compressed blocks hold " + std::to_string(total) + " bytes, the file states " +
                std::to_string(stated - kHeaderSize));
  Inflater inf;
  if (!inf.ok) return fail("cannot start decompression");
  // The output grows with the blocks that inflate: a file of lying blocks
  // fails before it costs the memory it claims.
  out->clear();
  size_t produced = 0;
  for (size_t k = 0; k < blocks.size(); ++k) {
    const Block& b = blocks[k];
    out->resize(produced + b.usize);
    if (k > 0) {
      inflateReset(&inf.z);
      const size_t dict = produced < kZipWindow ? produced : kZipWindow;
      inflateSetDictionary(&inf.z, out->data() + produced - dict, static_cast<uInt>(dict));
    }
    inf.z.next_in = const_cast<Bytef*>(data + b.data);
    inf.z.avail_in = static_cast<uInt>(b.csize);
    inf.z.next_out = out->data() + produced;
    inf.z.avail_out = static_cast<uInt>(b.usize);
    const int rc = inflate(&inf.z, Z_FINISH);
    const bool whole = inf.z.avail_out == 0 && (rc == Z_STREAM_END || rc == Z_OK || rc == Z_BUF_ERROR);
    if (!whole)
      return fail("compressed block " + std::to_string(k + 1) + " of " + std::to_string(blocks.size()) +
                  " is damaged" + (inf.z.msg ? std::string(" (") + inf.z.msg + ")" : std::string()));
    produced += b.usize;
  }
  return true;
}

bool DeflateBody(const uint8_t* body, size_t size, std::vector<uint8_t>* out, std::string* error) {
  if (size > 0xFFFFFFFFu - kHeaderSize) {
    if (error) *error = "the body is too large for a compressed .x file";
    return false;
  }
  Deflater def;
  if (!def.ok) {
    if (error) *error = "cannot start compression";
    return false;
  }
  MBinWriter w(out);
  w.U32(static_cast<uint32_t>(size + kHeaderSize));
  std::vector<uint8_t> buf(deflateBound(&def.z, kZipBlockMax) + 16);
  // Every block stands alone (no dictionary): readers that hand the block
  // before to the inflater and readers that do not both read it.
  for (size_t pos = 0; pos < size; pos += kZipBlockMax) {
    const size_t n = size - pos < kZipBlockMax ? size - pos : kZipBlockMax;
    deflateReset(&def.z);
    def.z.next_in = const_cast<Bytef*>(body + pos);
    def.z.avail_in = static_cast<uInt>(n);
    def.z.next_out = buf.data();
    def.z.avail_out = static_cast<uInt>(buf.size());
    if (deflate(&def.z, Z_FINISH) != Z_STREAM_END) {
      if (error) *error = "compression failed";
      return false;
    }
    const size_t c = buf.size() - def.z.avail_out;
    w.U16(static_cast<uint16_t>(n));
    w.U16(static_cast<uint16_t>(c + 2));
    w.Bytes(kZipMarker, 2);
    w.Bytes(buf.data(), c);
  }
  return true;
}

}  // namespace kvx
