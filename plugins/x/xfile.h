// The .x file layer: reads a whole DirectX file (text or binary, 32- or
// 64-bit floats, plain or compressed) into a tree of data objects whose
// data blocks are read on demand through a cursor, and writes such files.
//
//   kvx::XFile x;
//   if (!x.Load(view.data(), view.size())) ... x.error() ...
//   for (int top : x.top_level()) { const kvx::XObject& o = x.object(top); ... }
//   kvx::XData d = x.Data(top);  uint32_t n; d.Int(&n); ...
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kvx {

struct XHeader {
  int major = 0, minor = 0;
  bool binary = false;
  bool compressed = false;
  int float_bits = 32;
};

// Parses the 16-byte header; false (with the reason) when it is not one.
bool ParseHeader(const uint8_t* data, size_t size, XHeader* header, std::string* error);

struct XGuid {
  uint8_t b[16] = {};
  bool operator==(const XGuid& o) const;
};

// A child of an object: another object (index) or a reference by name
// and/or GUID, resolved with XFile::Resolve.
struct XChild {
  int object = -1;
  std::string ref_name;
  bool ref_guid = false;
  XGuid guid;
};

struct XObject {
  std::string type;  // the template name
  std::string name;  // empty when unnamed
  bool has_guid = false;
  XGuid guid;
  int parent = -1;
  // The data block: byte offsets into the body, children excluded.
  size_t data_begin = 0, data_end = 0;
  std::vector<XChild> children;
};

struct XTemplate {
  std::string name;
  XGuid guid;
};

// Reads the values of one data block in order. Separators (';' ','),
// comments and, in binary files, the list boundaries are invisible: a block
// is a run of numbers and strings. Every read is bounded by the block.
class XData {
 public:
  XData() = default;
  XData(const uint8_t* begin, const uint8_t* end, bool binary, int float_bits)
      : p_(begin), end_(end), binary_(binary), float_bits_(float_bits) {}

  // False at the end of the block or when the next value is not a number.
  bool Int(uint32_t* v);
  bool Float(double* v);
  bool String(std::string* s);
  // At most this many values can still follow (a bound for counts read
  // from the file, checked before anything is allocated).
  size_t MaxValues() const;
  bool AtEnd();

 private:
  bool NextNumber(double* d, uint32_t* u, bool want_int);
  bool TextNumber(double* d, uint32_t* u, bool want_int);
  bool BinNumber(double* d, uint32_t* u, bool want_int);
  bool BinString(std::string* s);
  void SkipTextSpace();
  const uint8_t* p_ = nullptr;
  const uint8_t* end_ = nullptr;
  bool binary_ = false;
  int float_bits_ = 32;
  // Binary: what is left of the current integer or float list.
  uint32_t list_left_ = 0;
  bool list_float_ = false;
};

class XFile {
 public:
  // Header, decompression and the object tree. False with error() when the
  // file is not a .x file or cannot be read at all. A body that breaks off
  // or goes wrong part way keeps every object up to that point (truncated()
  // and error() tell).
  bool Load(const uint8_t* data, size_t size);

  const XHeader& header() const { return header_; }
  const std::string& error() const { return error_; }
  bool truncated() const { return truncated_; }
  const std::vector<int>& top_level() const { return top_; }
  int object_count() const { return static_cast<int>(objects_.size()); }
  const XObject& object(int i) const { return objects_[static_cast<size_t>(i)]; }
  const std::vector<XTemplate>& templates() const { return templates_; }
  // The object a reference names (name first, then GUID), or -1.
  int Resolve(const XChild& ref) const;
  XData Data(int i) const;
  // The decompressed (or plain) body, after the header.
  size_t body_size() const { return body_size_; }

  // The parsers fill the tree through these.
  int AddObject(XObject&& o);
  void AddTemplate(XTemplate&& t) { templates_.push_back(std::move(t)); }
  XObject& object_ref(int i) { return objects_[static_cast<size_t>(i)]; }
  void AddTopLevel(int i) { top_.push_back(i); }

 private:
  void Index();
  XHeader header_;
  std::string error_;
  bool truncated_ = false;
  std::vector<uint8_t> inflated_;
  const uint8_t* body_ = nullptr;
  size_t body_size_ = 0;
  std::vector<XObject> objects_;
  std::vector<int> top_;
  std::vector<XTemplate> templates_;
  std::unordered_map<std::string, int> by_name_;
  std::unordered_map<std::string, int> by_guid_;  // the 16 bytes as a string
};

// Case-insensitive comparison of a template name (files spell
// TextureFilename also TextureFileName).
bool SameType(const std::string& type, const char* name);

// ---- the body parsers (xfile_text.cpp, xfile_binary.cpp) ---------------

// Fill x from the body; false with the reason where the body goes wrong
// (objects complete or open up to there are kept, open ones end there).
bool ParseTextBody(const uint8_t* body, size_t size, XFile* x, std::string* error);
bool ParseBinaryBody(const uint8_t* body, size_t size, int float_bits, XFile* x, std::string* error);

// ---- compressed bodies (xfile_zip.cpp) ---------------------------------

// The body of a tzip/bzip file (what follows the header) inflated into out
// (the decompressed body without its header). False with the reason when a
// block is damaged or the blocks do not add up to the stated size.
bool InflateBody(const uint8_t* data, size_t size, std::vector<uint8_t>* out, std::string* error);
// The compressed form of a body: the size field and the blocks.
bool DeflateBody(const uint8_t* body, size_t size, std::vector<uint8_t>* out, std::string* error);

// A compressed body written as it is made: what goes into body() is cut
// into blocks of kZipBlockMax bytes, and each block goes to out compressed
// as soon as it is full, so that nothing grows with the body. The stated
// size goes first: Close seeks back to fill it in, or, when out cannot seek
// (a pipe), the compressed blocks are held until Close. Gives the same
// bytes as DeflateBody of the whole body.
class XZipWriter {
 public:
  // out: positioned after the 16-byte header.
  explicit XZipWriter(FILE* out);
  ~XZipWriter();
  XZipWriter(const XZipWriter&) = delete;
  XZipWriter& operator=(const XZipWriter&) = delete;

  // The stream the body is written to; nullptr when it could not be made.
  FILE* body() const { return body_; }
  // The last block and the size; false with the reason when anything failed.
  bool Close(std::string* error);

  // The block compressor behind body().
  class Blocks;

 private:
  FILE* out_;
  FILE* body_ = nullptr;
  Blocks* blocks_ = nullptr;
  long size_at_ = -1;  // where the stated size goes; -1: out cannot seek
  std::vector<uint8_t> held_;  // the blocks, when out cannot seek
};

}  // namespace kvx
