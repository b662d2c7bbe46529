#include "gltf_test_support.h"

#include <cstdint>
#include <cstring>

#include "test_support.h"

namespace kvgltftest {

nlohmann::json ReadDocument(const std::string& path) {
  const std::string bytes = kvtest::read_file(path);
  if (bytes.size() >= 20 && bytes.compare(0, 4, "glTF") == 0) {
    uint32_t length;
    std::memcpy(&length, bytes.data() + 12, 4);
    if (length > bytes.size() - 20) return nlohmann::json::value_t::discarded;
    return nlohmann::json::parse(bytes.substr(20, length), nullptr, false);
  }
  return nlohmann::json::parse(bytes, nullptr, false);
}

}  // namespace kvgltftest
