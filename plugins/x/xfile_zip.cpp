// Compressed .x bodies (tzip, bzip): blocks of raw deflate data, each of
// which may refer back into the output of the block before.
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <thread>

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

namespace {

// Packs blocks one after another into out, each with its header.
struct BlockPacker {
  Deflater def;
  std::vector<uint8_t> out;
  bool Pack(const uint8_t* p, size_t n) {
    if (!def.ok) return false;
    const size_t at = out.size();
    out.resize(at + 6 + deflateBound(&def.z, static_cast<uLong>(n)) + 16);
    deflateReset(&def.z);
    def.z.next_in = const_cast<Bytef*>(p);
    def.z.avail_in = static_cast<uInt>(n);
    def.z.next_out = out.data() + at + 6;
    def.z.avail_out = static_cast<uInt>(out.size() - at - 6);
    if (deflate(&def.z, Z_FINISH) != Z_STREAM_END) return false;
    const size_t c = out.size() - at - 6 - def.z.avail_out;
    // The block header: uint16 sizes, then the marker.
    uint8_t* h = out.data() + at;
    h[0] = static_cast<uint8_t>(n);
    h[1] = static_cast<uint8_t>(n >> 8);
    h[2] = static_cast<uint8_t>(c + 2);
    h[3] = static_cast<uint8_t>((c + 2) >> 8);
    std::memcpy(h + 4, kZipMarker, 2);
    out.resize(at + 6 + c);
    return true;
  }
  // Blocks [first, end) of the batch.
  bool PackRange(const std::vector<uint8_t>& batch, size_t first, size_t end) {
    for (size_t k = first; k < end; ++k) {
      const size_t from = k * kZipBlockMax;
      const size_t n = batch.size() - from < kZipBlockMax ? batch.size() - from : kZipBlockMax;
      if (!Pack(batch.data() + from, n)) return false;
    }
    return true;
  }
};

// Blocks in a batch from which a second thread packs half of them.
constexpr size_t kBatchBlocks = 64;
constexpr size_t kSecondThreadFromBlocks = 8;

}  // namespace

// Deflates block after block of the body, every block standing alone (no
// dictionary): readers that hand the block before to the inflater and
// readers that do not both read it. Standing alone, the blocks of a batch
// are packed on two threads and go out in order, to the file or to held
// bytes.
class XZipWriter::Blocks {
 public:
  Blocks(FILE* file, std::vector<uint8_t>* held) : file_(file), held_(held) {
    batch_.reserve(kBatchBlocks * kZipBlockMax);
  }
  bool Write(const uint8_t* p, size_t n) {
    if (!error.empty()) return false;
    while (n > 0) {
      const size_t room = kBatchBlocks * kZipBlockMax - batch_.size();
      const size_t take = n < room ? n : room;
      batch_.insert(batch_.end(), p, p + take);
      p += take;
      n -= take;
      if (batch_.size() == kBatchBlocks * kZipBlockMax && !Flush()) return false;
    }
    return true;
  }
  bool Finish() { return error.empty() && Flush(); }
  uint64_t total() const { return total_; }
  std::string error;

 private:
  bool Flush() {
    if (batch_.empty()) return true;
    if (!front_.def.ok || !back_.def.ok) return Failed("cannot start compression");
    const size_t blocks = (batch_.size() + kZipBlockMax - 1) / kZipBlockMax;
    size_t split = blocks >= kSecondThreadFromBlocks ? blocks / 2 : 0;
    bool front_ok = true;
    std::thread helper;
    if (split > 0) {
      try {
        helper = std::thread([&] { front_ok = front_.PackRange(batch_, 0, split); });
      } catch (const std::system_error&) {
        split = 0;
      }
    }
    const bool back_ok = back_.PackRange(batch_, split, blocks);
    if (helper.joinable()) helper.join();
    total_ += batch_.size();
    batch_.clear();
    const bool ok = front_ok && back_ok && Emit(front_.out) && Emit(back_.out);
    front_.out.clear();
    back_.out.clear();
    return ok || Failed("compression failed");
  }
  bool Emit(const std::vector<uint8_t>& packed) {
    if (packed.empty()) return true;
    if (held_) {
      held_->insert(held_->end(), packed.begin(), packed.end());
      return true;
    }
    if (std::fwrite(packed.data(), 1, packed.size(), file_) != packed.size()) return Failed(std::strerror(errno));
    return true;
  }
  bool Failed(const char* why) {
    if (error.empty()) error = why;
    return false;
  }
  FILE* file_;
  std::vector<uint8_t>* held_;
  std::vector<uint8_t> batch_;
  BlockPacker front_, back_;  // the first half of a batch (second thread), the rest
  uint64_t total_ = 0;
};

namespace {

ssize_t WriteToBlocks(void* cookie, const char* p, size_t n) {
  if (static_cast<XZipWriter::Blocks*>(cookie)->Write(reinterpret_cast<const uint8_t*>(p), n))
    return static_cast<ssize_t>(n);
  errno = EIO;
  return -1;
}

void PutU32(uint8_t* b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

bool DeflateBody(const uint8_t* body, size_t size, std::vector<uint8_t>* out, std::string* error) {
  if (size > 0xFFFFFFFFu - kHeaderSize) {
    if (error) *error = "the body is too large for a compressed .x file";
    return false;
  }
  out->resize(4);
  PutU32(out->data(), static_cast<uint32_t>(size + kHeaderSize));
  XZipWriter::Blocks blocks(nullptr, out);
  if (blocks.Write(body, size) && blocks.Finish()) return true;
  if (error) *error = blocks.error;
  return false;
}

XZipWriter::XZipWriter(FILE* out) : out_(out) {
  size_at_ = std::ftell(out);
  // The size is filled in at the end; a pipe gets it ahead of held blocks.
  if (size_at_ >= 0) {
    const uint8_t none[4] = {0, 0, 0, 0};
    if (std::fwrite(none, 1, 4, out) != 4) return;
  }
  blocks_ = new Blocks(size_at_ >= 0 ? out : nullptr, size_at_ >= 0 ? nullptr : &held_);
  cookie_io_functions_t io{};
  io.write = WriteToBlocks;
  body_ = fopencookie(blocks_, "w", io);
  // Unbuffered: the writers on top buffer already.
  if (body_) std::setvbuf(body_, nullptr, _IONBF, 0);
}

XZipWriter::~XZipWriter() {
  if (body_) std::fclose(body_);
  delete blocks_;
}

bool XZipWriter::Close(std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (!blocks_) return fail(std::string("cannot write the compressed body: ") + std::strerror(errno));
  const bool streamed = body_ && std::fclose(body_) == 0;
  body_ = nullptr;
  if (!streamed || !blocks_->Finish())
    return fail(blocks_->error.empty() ? "cannot write the compressed body" : blocks_->error);
  const uint64_t size = blocks_->total() + kHeaderSize;
  if (size > 0xFFFFFFFFu) return fail("the body is too large for a compressed .x file");
  uint8_t stated[4];
  PutU32(stated, static_cast<uint32_t>(size));
  bool ok;
  if (size_at_ < 0) {
    ok = std::fwrite(stated, 1, 4, out_) == 4 && std::fwrite(held_.data(), 1, held_.size(), out_) == held_.size();
  } else {
    ok = std::fflush(out_) == 0 && std::fseek(out_, size_at_, SEEK_SET) == 0 && std::fwrite(stated, 1, 4, out_) == 4 &&
         std::fseek(out_, 0, SEEK_END) == 0;
  }
  if (!ok) return fail(std::string("cannot write the compressed body: ") + std::strerror(errno));
  return true;
}

}  // namespace kvx
