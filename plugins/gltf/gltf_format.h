// glTF 2.0: a JSON document (.gltf) or the binary container (.glb) that
// holds the JSON and one binary buffer. Numbers and names of the format.
#pragma once
#include <cstddef>
#include <cstdint>

namespace gltf {

// The binary container: a 12-byte header (magic, version, total length),
// then chunks of (length, type, data), the data padded to 4 bytes: the JSON
// chunk first, the binary chunk second.
constexpr uint32_t kGlbMagic = 0x46546C67;  // "glTF" as a little-endian word
constexpr uint32_t kGlbVersion = 2;
constexpr uint32_t kChunkJson = 0x4E4F534A;  // "JSON"
constexpr uint32_t kChunkBin = 0x004E4942;   // "BIN\0"
constexpr size_t kGlbHeaderSize = 12;
constexpr size_t kChunkHeaderSize = 8;
constexpr size_t kChunkAlign = 4;
constexpr uint64_t kGlbMaxSize = 0xFFFFFFFFull;

// accessor.componentType
constexpr int kByte = 5120;
constexpr int kUnsignedByte = 5121;
constexpr int kShort = 5122;
constexpr int kUnsignedShort = 5123;
constexpr int kUnsignedInt = 5125;
constexpr int kFloat = 5126;

// bufferView.target
constexpr int kArrayBuffer = 34962;
constexpr int kElementArrayBuffer = 34963;
// bufferView.byteStride bounds
constexpr int kMinStride = 4;
constexpr int kMaxStride = 252;

// mesh.primitives[].mode
enum Mode { kPoints = 0, kLines = 1, kLineLoop = 2, kLineStrip = 3, kTriangles = 4, kTriangleStrip = 5, kTriangleFan = 6 };

// sampler wrap modes
constexpr int kClampToEdge = 33071;
constexpr int kMirroredRepeat = 33648;
constexpr int kRepeat = 10497;

// The punctual lights extension and its light types.
constexpr char kLightsExtension[] = "KHR_lights_punctual";
constexpr char kLightPoint[] = "point";
constexpr char kLightSpot[] = "spot";
constexpr char kLightDirectional[] = "directional";

constexpr char kMimePng[] = "image/png";
constexpr char kMimeJpeg[] = "image/jpeg";

constexpr char kVersion[] = "2.0";
constexpr char kGenerator[] = "Korvane glTF Export 1.0";

// Deeper JSON is refused (glTF nests a few levels; this bounds the parser).
constexpr int kMaxJsonDepth = 64;

}  // namespace gltf
