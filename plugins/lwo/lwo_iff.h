// The chunk layer of LightWave objects on the bounded big-endian reader and
// writer: IFF FORM and chunk walking with every length held to its parent,
// variable-length indices and padded strings.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "binio.h"

namespace lwo {

// One chunk or sub-chunk of a parent.
struct Chunk {
  uint32_t id = 0;
  size_t offset = 0;       // of its header within the parent
  uint32_t length = 0;     // as stored
  MBinReader data;         // its data, never more than the parent holds
  bool truncated = false;  // the stored length ran past the parent
};

// Walks the chunks of a parent: 4-character id, long length (sub-chunks:
// word length), data, a pad byte after odd data. A chunk whose length claims
// more than its parent has left gets what there is and ends the walk.
class ChunkWalker {
 public:
  enum Header { kLongLength, kWordLength };
  ChunkWalker(const MBinReader& parent, Header header);
  bool Next(Chunk* out);
  // Some chunk claimed more than its parent held.
  bool Truncated() const { return truncated_; }
  // Bytes at the end too few for a header (0 for a clean end).
  size_t Leftover() const { return leftover_; }

 private:
  MBinReader in_;
  size_t header_size_;
  bool word_length_;
  bool done_ = false;
  bool truncated_ = false;
  size_t leftover_ = 0;
};

// The FORM that is a whole object file.
struct Form {
  uint32_t type = 0;       // LWOB, LWO2, ...
  MBinReader body;         // the chunks after the form type
  bool truncated = false;  // the FORM length claims more than the file holds
};
// False when the data does not start with a FORM of at least its type.
bool ReadForm(const MBinReader& file, Form* out);

// A variable-length index: a word below 0xFF00, else a long whose first byte
// is 0xFF and whose low 24 bits are the index.
uint32_t ReadVX(MBinReader& in);
// A NUL-terminated string and its pad byte (the whole takes an even number
// of bytes); at most max_len characters are kept, the rest is skipped.
std::string ReadS0(MBinReader& in, size_t max_len);
// An id for the log: its four characters, unprintable ones as '?'.
std::string IdText(uint32_t id);

// Chunks into a byte vector: lengths patched in when a chunk ends, odd data
// padded.
class IffWriter {
 public:
  explicit IffWriter(std::vector<uint8_t>* out) : w_(out, MByteOrder::kBig) {}
  MBinWriter& w() { return w_; }

  size_t BeginChunk(uint32_t id);
  void EndChunk(size_t start);
  size_t BeginSub(uint32_t id);
  void EndSub(size_t start);

  void Id(uint32_t id) { w_.U32(id); }
  void VX(uint32_t index);
  // s cut at max_len characters, its NUL and the pad byte when needed.
  void S0(const char* s, size_t max_len);
  // Sub-chunk data beyond 65535 bytes or chunk data beyond 4 GiB: the file
  // would be unreadable.
  bool Overflow() const { return overflow_; }

 private:
  void End(size_t start, size_t header, bool word);
  MBinWriter w_;
  bool overflow_ = false;
};

}  // namespace lwo
