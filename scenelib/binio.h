// Bounded binary reading and writing for the binary formats, in little- or
// big-endian byte order, and a read-only view of a whole file.
//
// A reader never reads past its end: a short read marks it failed and yields
// zeros from then on, so a format reads its records in a straight line and
// checks Ok() where it matters. Sub() gives a reader over the next n bytes
// (a chunk inside its parent), clamped to what the parent holds.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

enum class MByteOrder { kLittle, kBig };

class MBinReader {
 public:
  MBinReader() = default;
  MBinReader(const uint8_t* data, size_t size, MByteOrder order = MByteOrder::kLittle)
      : begin_(data), p_(data), end_(data + size), order_(order) {}

  // Inline: formats read their records field by field.
  uint8_t U8() { return Load<uint8_t>(); }
  uint16_t U16() { return Load<uint16_t>(); }
  uint32_t U32() { return Load<uint32_t>(); }
  uint64_t U64() { return Load<uint64_t>(); }
  int8_t I8() { return static_cast<int8_t>(U8()); }
  int16_t I16() { return static_cast<int16_t>(U16()); }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  float F32() {
    uint32_t bits = U32();
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
  }
  double F64() {
    uint64_t bits = U64();
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
  }
  // n bytes into out; zeros and false on a short read.
  bool Bytes(void* out, size_t n);
  // Up to a NUL that must come within the data (else the reader fails and
  // the rest is taken); at most max_len characters are kept.
  std::string CString(size_t max_len);
  // A field of n bytes holding text up to its first NUL.
  std::string FixedString(size_t n);

  void Skip(size_t n);
  // Absolute position inside this reader; false (and failed) past the end.
  bool Seek(size_t pos);
  size_t Pos() const { return static_cast<size_t>(p_ - begin_); }
  size_t Left() const { return static_cast<size_t>(end_ - p_); }
  size_t Size() const { return static_cast<size_t>(end_ - begin_); }
  const uint8_t* Here() const { return p_; }
  bool AtEnd() const { return p_ == end_; }
  bool Ok() const { return ok_; }
  void SetFailed() { ok_ = false; }
  MByteOrder order() const { return order_; }

  // The next n bytes as their own reader; this one moves past them. When
  // fewer are left, the sub-reader holds what there is and this one fails.
  MBinReader Sub(size_t n);
  // Clamps a count of items of item_size bytes to what is left.
  size_t FitCount(size_t n, size_t item_size) const;

 private:
  bool Need(size_t n);
  template <class T>
  T Load() {
    if (!ok_ || static_cast<size_t>(end_ - p_) < sizeof(T)) {
      Need(sizeof(T));  // fails the reader
      return 0;
    }
    T v = 0;
    if (order_ == MByteOrder::kLittle) {
      for (size_t i = sizeof(T); i-- > 0;) v = static_cast<T>((v << 8) | p_[i]);
    } else {
      for (size_t i = 0; i < sizeof(T); ++i) v = static_cast<T>((v << 8) | p_[i]);
    }
    p_ += sizeof(T);
    return v;
  }
  const uint8_t* begin_ = nullptr;
  const uint8_t* p_ = nullptr;
  const uint8_t* end_ = nullptr;
  MByteOrder order_ = MByteOrder::kLittle;
  bool ok_ = true;
};

// Appends to a byte vector; lengths written before their contents are
// patched in afterwards at the position they were reserved at.
class MBinWriter {
 public:
  explicit MBinWriter(std::vector<uint8_t>* out, MByteOrder order = MByteOrder::kLittle)
      : out_(out), order_(order) {}
  // Inline, as the reader's.
  void U8(uint8_t v) { out_->push_back(v); }
  void U16(uint16_t v) { Append(v); }
  void U32(uint32_t v) { Append(v); }
  void U64(uint64_t v) { Append(v); }
  void I16(int16_t v) { U16(static_cast<uint16_t>(v)); }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void F32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    U32(bits);
  }
  void F64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    U64(bits);
  }
  void Bytes(const void* p, size_t n);
  // s cut at max_len characters, then a NUL.
  void CString(const char* s, size_t max_len);
  // s in a field of exactly n bytes, NUL-padded (cut to n - 1 characters).
  void FixedString(const char* s, size_t n);
  void Zeros(size_t n) { out_->insert(out_->end(), n, 0); }

  size_t Pos() const { return out_->size(); }
  void PatchU16(size_t at, uint16_t v);
  void PatchU32(size_t at, uint32_t v);

 private:
  template <class T>
  void Append(T v) {
    uint8_t b[sizeof(T)];
    for (size_t i = 0; i < sizeof(T); ++i)
      b[order_ == MByteOrder::kLittle ? i : sizeof(T) - 1 - i] = static_cast<uint8_t>(v >> (8 * i));
    out_->insert(out_->end(), b, b + sizeof(T));
  }
  std::vector<uint8_t>* out_;
  MByteOrder order_;
};

// A whole file, read-only: mapped into memory where possible (nothing is
// read until it is touched, so a signature check of a huge file costs
// nothing), else read.
class MFileView {
 public:
  MFileView() = default;
  ~MFileView();
  MFileView(const MFileView&) = delete;
  MFileView& operator=(const MFileView&) = delete;

  // false when path is no readable regular file (error() is the errno).
  bool Open(const char* path);
  void Close();
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  int error() const { return error_; }
  MBinReader Reader(MByteOrder order = MByteOrder::kLittle) const { return MBinReader(data_, size_, order); }
  // The first n bytes equal magic (false for a shorter file).
  bool StartsWith(const void* magic, size_t n) const;
  // The view's pages wholly inside [p, p + n) are not needed for now: they
  // leave memory, and come back from the file if read again. Parts outside
  // the view, and a file that was read rather than mapped, are left alone.
  void Release(const uint8_t* p, size_t n) const;

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  bool mapped_ = false;
  std::vector<uint8_t> copy_;
  int error_ = 0;
};
