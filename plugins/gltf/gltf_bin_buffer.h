// The binary buffer of a glTF export.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class MOutputFile;

namespace kvgltf {

// The binary buffer, kept in blocks so that it grows without copying what
// it holds (a growing vector would hold the old and the new copy at once).
class BinBuffer {
 public:
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  void Append(const void* data, size_t n);
  // Zero bytes up to the next multiple of align.
  void PadTo(size_t align);
  // The bytes in order, block by block.
  bool WriteTo(MOutputFile& out) const;
  // All of it in one piece (for a data URI).
  std::vector<uint8_t> Joined() const;

 private:
  std::vector<std::vector<uint8_t>> blocks_;
  size_t size_ = 0;
};

}  // namespace kvgltf
