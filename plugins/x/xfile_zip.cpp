// Compressed .x bodies (tzip, bzip): blocks of raw deflate data, each of
// which may refer back into the output of the block before.
#include <zlib.h>

#include <cerrno>
#include <cstdio>
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

// Deflates block after block of the body, every block standing alone (no
// dictionary): readers that hand the block before to the inflater and
// readers that do not both read it. A block goes to the file, or to held
// bytes, as soon as it is full.
class XZipWriter::Blocks {
 public:
  Blocks(FILE* file, std::vector<uint8_t>* held) : file_(file), held_(held) {
    block_.reserve(kZipBlockMax);
    if (def_.ok) packed_.resize(deflateBound(&def_.z, kZipBlockMax) + 16);
  }
  bool Write(const uint8_t* p, size_t n) {
    if (!error.empty()) return false;
    while (n > 0) {
      if (block_.empty() && n >= kZipBlockMax) {
        // Whole blocks straight from the caller's bytes.
        if (!Compress(p, kZipBlockMax)) return false;
        p += kZipBlockMax;
        n -= kZipBlockMax;
        continue;
      }
      const size_t take = n < kZipBlockMax - block_.size() ? n : kZipBlockMax - block_.size();
      block_.insert(block_.end(), p, p + take);
      p += take;
      n -= take;
      if (block_.size() == kZipBlockMax && !Flush()) return false;
    }
    return true;
  }
  bool Finish() { return error.empty() && Flush(); }
  uint64_t total() const { return total_; }
  std::string error;

 private:
  bool Flush() {
    if (block_.empty()) return true;
    const bool ok = Compress(block_.data(), block_.size());
    block_.clear();
    return ok;
  }
  bool Compress(const uint8_t* p, size_t n) {
    if (!def_.ok) return Failed("cannot start compression");
    deflateReset(&def_.z);
    def_.z.next_in = const_cast<Bytef*>(p);
    def_.z.avail_in = static_cast<uInt>(n);
    def_.z.next_out = packed_.data() + 6;
    def_.z.avail_out = static_cast<uInt>(packed_.size() - 6);
    if (deflate(&def_.z, Z_FINISH) != Z_STREAM_END) return Failed("compression failed");
    const size_t c = packed_.size() - 6 - def_.z.avail_out;
    // The block header: uint16 sizes, then the marker.
    packed_[0] = static_cast<uint8_t>(n);
    packed_[1] = static_cast<uint8_t>(n >> 8);
    packed_[2] = static_cast<uint8_t>(c + 2);
    packed_[3] = static_cast<uint8_t>((c + 2) >> 8);
    std::memcpy(packed_.data() + 4, kZipMarker, 2);
    total_ += n;
    if (held_) {
      held_->insert(held_->end(), packed_.data(), packed_.data() + 6 + c);
      return true;
    }
    if (std::fwrite(packed_.data(), 1, 6 + c, file_) != 6 + c) return Failed(std::strerror(errno));
    return true;
  }
  bool Failed(const char* why) {
    if (error.empty()) error = why;
    return false;
  }
  Deflater def_;
  FILE* file_;
  std::vector<uint8_t>* held_;
  std::vector<uint8_t> block_;
  std::vector<uint8_t> packed_;
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
