// What the glTF tests read of a written file: its JSON (from a .gltf or the
// first chunk of a .glb) and the validator's and assimp's view of it.
#pragma once
#include <string>

#include <nlohmann/json.hpp>

namespace kvgltftest {

// The document of a .gltf or .glb file; a discarded value when it cannot
// be read.
nlohmann::json ReadDocument(const std::string& path);

}  // namespace kvgltftest
