#include "gltf_bin_buffer.h"

#include <algorithm>

#include "outfile.h"

namespace kvgltf {
namespace {

constexpr size_t kBinBlock = 4u << 20;

}  // namespace

void BinBuffer::Append(const void* data, size_t n) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  size_ += n;
  if (!blocks_.empty()) {
    std::vector<uint8_t>& last = blocks_.back();
    const size_t room = std::min(n, last.capacity() - last.size());
    last.insert(last.end(), p, p + room);
    p += room;
    n -= room;
  }
  if (n == 0) return;
  blocks_.emplace_back();
  blocks_.back().reserve(std::max(n, kBinBlock));
  blocks_.back().assign(p, p + n);
}

void BinBuffer::PadTo(size_t align) {
  static const uint8_t kZeros[16] = {};
  while (size_ % align) Append(kZeros, std::min(sizeof kZeros, align - size_ % align));
}

bool BinBuffer::WriteTo(MOutputFile& out) const {
  for (const std::vector<uint8_t>& b : blocks_)
    if (!out.Write(b.data(), b.size())) return false;
  return true;
}

std::vector<uint8_t> BinBuffer::Joined() const {
  std::vector<uint8_t> all;
  all.reserve(size_);
  for (const std::vector<uint8_t>& b : blocks_) all.insert(all.end(), b.begin(), b.end());
  return all;
}

}  // namespace kvgltf
