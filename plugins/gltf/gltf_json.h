// The JSON layer of the glTF plug-ins: the document parsed by nlohmann-json,
// and typed, checked reads of its members. A member of the wrong type or
// out of range is a fault that names where it is; the first fault of a run
// is the reason the import fails.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include <nlohmann/json_fwd.hpp>

namespace kvgltf {

using Json = nlohmann::json;

// Parses a glTF document (a JSON object); false with why when it is no
// JSON, is nested deeper than gltf::kMaxJsonDepth, or is no object.
bool ParseDocument(const char* text, size_t n, Json* out, std::string* why);

class Faults {
 public:
  void Note(const std::string& where, const std::string& why);
  bool Any() const { return !first_.empty(); }
  const std::string& First() const { return first_; }

 private:
  std::string first_;
};

// Members of one JSON object. where names it in faults ("accessors[3]").
class Fields {
 public:
  // A null obj reads as an empty object; anything else that is no object
  // is a fault.
  Fields(const Json* obj, std::string where, Faults& faults);

  bool Has(const char* key) const;
  // An index into a list of count entries; -1 when absent (a fault when
  // required).
  int64_t Index(const char* key, size_t count, bool required = false);
  // An integer in [lo, hi]; def when absent.
  int64_t Int(const char* key, int64_t def, int64_t lo, int64_t hi, bool required = false);
  // A finite number; def when absent.
  double Number(const char* key, double def);
  bool Flag(const char* key, bool def);
  std::string String(const char* key, const char* def = "");
  // An array of exactly n finite numbers into out; false (out untouched)
  // when absent.
  bool Numbers(const char* key, double* out, size_t n);
  // Null when absent; a fault when of another type.
  const Json* Object(const char* key);
  const Json* Array(const char* key);

  const std::string& where() const { return where_; }
  void Fault(const std::string& why) { faults_.Note(where_, why); }

 private:
  const Json* Member(const char* key) const;
  const Json* obj_;
  std::string where_;
  Faults& faults_;
};

// The entries of an array (0 for null or no array), and entry i.
size_t ArraySize(const Json* a);
const Json* At(const Json* a, size_t i);
// "name[i]".
std::string Where(const char* name, size_t i);

}  // namespace kvgltf
