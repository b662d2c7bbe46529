// The binary form of .x bodies: uint16 tokens, names and strings with a
// uint32 length, integer and float lists with a uint32 count.
#include <cstring>

#include "binio.h"
#include "xfile.h"
#include "xfile_format.h"
#include "xfile_parse.h"

namespace kvx {

namespace {

class BinaryScanner {
 public:
  BinaryScanner(const uint8_t* body, size_t size, int float_bits)
      : in_(body, size), float_size_(float_bits == 64 ? 8 : 4) {}

  Tok Next() {
    Tok t;
    t.begin = in_.Pos();
    if (in_.Left() < 2) return t;  // a stray last byte ends the body as well
    const uint16_t code = in_.U16();
    switch (code) {
      case kTokName: {
        if (!Counted(1)) return Error(t, "a name longer than the file");
        t.kind = TokKind::kWord;
        return t;
      }
      case kTokString:
        if (!Counted(1)) return Error(t, "a string longer than the file");
        t.kind = TokKind::kString;
        return t;
      case kTokInteger: return Fixed(t, 4);
      case kTokGuid:
        if (in_.Left() < 16) return Error(t, "a cut GUID");
        in_.Skip(16);
        t.kind = TokKind::kGuid;
        return t;
      case kTokIntegerList:
        if (!Counted(4)) return Error(t, "an integer list longer than the file");
        t.kind = TokKind::kData;
        return t;
      case kTokFloatList:
        if (!Counted(float_size_)) return Error(t, "a float list longer than the file");
        t.kind = TokKind::kData;
        return t;
      case kTokOBrace: t.kind = TokKind::kOBrace; return t;
      case kTokCBrace: t.kind = TokKind::kCBrace; return t;
      case kTokTemplate: t.kind = TokKind::kTemplate; return t;
      default:
        if ((code >= kTokOParen && code <= kTokSemicolon) || (code >= kTokWord && code <= kTokArray)) {
          t.kind = TokKind::kData;
          return t;
        }
        return Error(t, ("unknown token " + std::to_string(code)).c_str());
    }
  }
  size_t Pos() const { return in_.Pos(); }
  void Seek(size_t pos) { in_.Seek(pos); }
  std::string Word(const Tok& t) const {
    MBinReader r = At(t.begin + 2);
    const uint32_t n = r.U32();
    return std::string(reinterpret_cast<const char*>(r.Here()), n <= r.Left() ? n : r.Left());
  }
  bool Guid(const Tok& t, XGuid* g) const {
    MBinReader r = At(t.begin + 2);
    return r.Bytes(g->b, 16);
  }
  const std::string& error() const { return error_; }

 private:
  MBinReader At(size_t pos) const {
    MBinReader r(in_.Here() - in_.Pos(), in_.Size());
    r.Seek(pos);
    return r;
  }
  // A uint32 count of items of item_size bytes, then the items.
  bool Counted(size_t item_size) {
    if (in_.Left() < 4) return false;
    const uint32_t n = in_.U32();
    if (n > in_.Left() / item_size) return false;
    in_.Skip(static_cast<size_t>(n) * item_size);
    return true;
  }
  Tok Fixed(Tok t, size_t n) {
    if (in_.Left() < n) return Error(t, "a cut token");
    in_.Skip(n);
    t.kind = TokKind::kData;
    return t;
  }
  Tok Error(Tok t, const char* what) {
    error_ = std::string(what) + " at offset " + std::to_string(t.begin);
    t.kind = TokKind::kError;
    return t;
  }
  MBinReader in_;
  size_t float_size_;
  std::string error_;
};

inline uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace

bool ParseBinaryBody(const uint8_t* body, size_t size, int float_bits, XFile* x, std::string* error) {
  BinaryScanner s(body, size, float_bits);
  BodyParser<BinaryScanner> p(s, x);
  return p.Run(error);
}

// ---- values of a data block ----------------------------------------------

bool XData::BinNumber(double* d, uint32_t* u, bool want_int) {
  while (list_left_ == 0) {
    if (end_ - p_ < 2) return false;
    const uint16_t code = Get16(p_);
    if (code == kTokComma || code == kTokSemicolon) {
      p_ += 2;
      continue;
    }
    if (code == kTokInteger) {
      if (end_ - p_ < 6) return false;
      const uint32_t v = Get32(p_ + 2);
      p_ += 6;
      if (want_int) *u = v; else *d = v;
      return true;
    }
    if (code != kTokIntegerList && code != kTokFloatList) return false;
    if (end_ - p_ < 6) return false;
    const uint32_t n = Get32(p_ + 2);
    const size_t item = code == kTokFloatList ? static_cast<size_t>(float_bits_ / 8) : 4;
    if (n > static_cast<size_t>(end_ - p_ - 6) / item) return false;
    p_ += 6;
    list_left_ = n;
    list_float_ = code == kTokFloatList;
  }
  double v;
  uint32_t i = 0;
  if (!list_float_) {
    i = Get32(p_);
    p_ += 4;
    v = i;
  } else if (float_bits_ == 64) {
    std::memcpy(&v, p_, 8);  // little-endian hosts, as the binary form
    p_ += 8;
  } else {
    float f;
    std::memcpy(&f, p_, 4);
    p_ += 4;
    v = f;
  }
  --list_left_;
  if (want_int) {
    if (list_float_) i = !(v >= 0) ? 0xFFFFFFFFu : v >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
    *u = i;
  } else {
    *d = v;
  }
  return true;
}

bool XData::BinString(std::string* s) {
  if (list_left_) return false;
  while (end_ - p_ >= 2 && (Get16(p_) == kTokComma || Get16(p_) == kTokSemicolon)) p_ += 2;
  if (end_ - p_ < 6) return false;
  const uint16_t code = Get16(p_);
  if (code != kTokString && code != kTokName) return false;
  const uint32_t n = Get32(p_ + 2);
  if (n > static_cast<size_t>(end_ - p_ - 6)) return false;
  s->assign(reinterpret_cast<const char*>(p_ + 6), n);
  p_ += 6 + n;
  return true;
}

}  // namespace kvx
