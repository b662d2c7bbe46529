// URIs of glTF buffers and images: data URIs with base64 payloads, and
// relative references with percent escapes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kvgltf {

// Standard base64 with optional '=' padding and nothing else; false (with
// the offset of the first bad character in bad_at) when s is no base64.
bool Base64Decode(const char* s, size_t n, std::vector<uint8_t>* out, size_t* bad_at);
std::string Base64Encode(const uint8_t* p, size_t n);

// "data:[<mime>][;base64],<payload>".
struct DataUri {
  std::string mime;
  bool base64 = false;
  const char* payload = nullptr;  // inside the parsed text
  size_t size = 0;
};
bool ParseDataUri(const std::string& uri, DataUri* out);
// The bytes of a data URI's payload; false with why.
bool DataUriBytes(const DataUri& d, std::vector<uint8_t>* out, std::string* why);
// "data:<mime>;base64,<payload>".
std::string MakeDataUri(const char* mime, const uint8_t* p, size_t n);

// %XX escapes decoded; false for a malformed one.
bool PercentDecode(const std::string& s, std::string* out);
// A path as a URI reference: every byte but letters, digits, "-._~" and '/'
// escaped.
std::string PercentEncode(const std::string& s);
// A reference with a scheme ("http:", "file:"), a network path or an
// absolute path: nothing to look for beside the model.
bool IsAbsoluteUri(const std::string& uri);

}  // namespace kvgltf
