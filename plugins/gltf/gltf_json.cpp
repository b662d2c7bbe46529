#include "gltf_json.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "gltf_format.h"

namespace kvgltf {
namespace {

// The deepest nesting of the text, strings skipped; stops past limit.
int Depth(const char* s, size_t n, int limit) {
  int depth = 0, deepest = 0;
  bool in_string = false;
  for (size_t i = 0; i < n; ++i) {
    const char c = s[i];
    if (in_string) {
      if (c == '\\') ++i;
      else if (c == '"') in_string = false;
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > deepest && (deepest = depth) > limit) return deepest;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

// A value as a fault names it, cut short.
std::string Shown(const Json& v) {
  std::string s = v.dump(-1, ' ', false, Json::error_handler_t::replace);
  return s.size() > 40 ? s.substr(0, 37) + "..." : s;
}

bool AsInteger(const Json& v, int64_t* out) {
  if (v.is_number_unsigned()) {
    uint64_t u = v.get<uint64_t>();
    if (u > static_cast<uint64_t>(INT64_MAX)) return false;
    *out = static_cast<int64_t>(u);
    return true;
  }
  if (v.is_number_integer()) {
    *out = v.get<int64_t>();
    return true;
  }
  if (v.is_number_float()) {
    // 3.0 is written by some tools where 3 is meant.
    double d = v.get<double>();
    if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 9.0e15) return false;
    *out = static_cast<int64_t>(d);
    return true;
  }
  return false;
}

}  // namespace

bool ParseDocument(const char* text, size_t n, Json* out, std::string* why) {
  if (Depth(text, n, gltf::kMaxJsonDepth) > gltf::kMaxJsonDepth) {
    *why = "the JSON is nested deeper than " + std::to_string(gltf::kMaxJsonDepth) + " levels";
    return false;
  }
  try {
    *out = Json::parse(text, text + n);
  } catch (const Json::exception& e) {
    *why = std::string("the JSON cannot be read: ") + e.what();
    return false;
  }
  if (!out->is_object()) {
    *why = "the JSON is no object";
    return false;
  }
  return true;
}

void Faults::Note(const std::string& where, const std::string& why) {
  if (first_.empty()) first_ = where.empty() ? why : where + ": " + why;
}

Fields::Fields(const Json* obj, std::string where, Faults& faults)
    : obj_(obj && obj->is_object() ? obj : nullptr), where_(std::move(where)), faults_(faults) {
  if (obj && !obj->is_object() && !obj->is_null()) Fault("is no object");
}

const Json* Fields::Member(const char* key) const {
  if (!obj_) return nullptr;
  auto it = obj_->find(key);
  return it == obj_->end() ? nullptr : &*it;
}

bool Fields::Has(const char* key) const { return Member(key) != nullptr; }

int64_t Fields::Index(const char* key, size_t count, bool required) {
  const Json* v = Member(key);
  if (!v) {
    if (required) Fault(std::string(key) + " is missing");
    return -1;
  }
  int64_t i;
  if (!AsInteger(*v, &i) || i < 0 || static_cast<uint64_t>(i) >= count) {
    Fault(std::string(key) + " " + Shown(*v) + " names none of the " + std::to_string(count) + " entries");
    return -1;
  }
  return i;
}

int64_t Fields::Int(const char* key, int64_t def, int64_t lo, int64_t hi, bool required) {
  const Json* v = Member(key);
  if (!v) {
    if (required) Fault(std::string(key) + " is missing");
    return def;
  }
  int64_t i;
  if (!AsInteger(*v, &i) || i < lo || i > hi) {
    Fault(std::string(key) + " " + Shown(*v) + " is no whole number from " + std::to_string(lo) + " to " +
          std::to_string(hi));
    return def;
  }
  return i;
}

double Fields::Number(const char* key, double def) {
  const Json* v = Member(key);
  if (!v) return def;
  if (!v->is_number() || !std::isfinite(v->get<double>())) {
    Fault(std::string(key) + " is no number");
    return def;
  }
  return v->get<double>();
}

bool Fields::Flag(const char* key, bool def) {
  const Json* v = Member(key);
  if (!v) return def;
  if (!v->is_boolean()) {
    Fault(std::string(key) + " is neither true nor false");
    return def;
  }
  return v->get<bool>();
}

std::string Fields::String(const char* key, const char* def) {
  const Json* v = Member(key);
  if (!v) return def;
  if (!v->is_string()) {
    Fault(std::string(key) + " is no string");
    return def;
  }
  return v->get<std::string>();
}

bool Fields::Numbers(const char* key, double* out, size_t n) {
  const Json* v = Member(key);
  if (!v) return false;
  bool ok = v->is_array() && v->size() == n;
  for (size_t i = 0; ok && i < n; ++i) ok = (*v)[i].is_number() && std::isfinite((*v)[i].get<double>());
  if (!ok) {
    Fault(std::string(key) + " is no list of " + std::to_string(n) + " numbers");
    return false;
  }
  for (size_t i = 0; i < n; ++i) out[i] = (*v)[i].get<double>();
  return true;
}

const Json* Fields::Object(const char* key) {
  const Json* v = Member(key);
  if (v && !v->is_object()) {
    Fault(std::string(key) + " is no object");
    return nullptr;
  }
  return v;
}

const Json* Fields::Array(const char* key) {
  const Json* v = Member(key);
  if (v && !v->is_array()) {
    Fault(std::string(key) + " is no list");
    return nullptr;
  }
  return v;
}

size_t ArraySize(const Json* a) { return a && a->is_array() ? a->size() : 0; }

const Json* At(const Json* a, size_t i) { return a && a->is_array() && i < a->size() ? &(*a)[i] : nullptr; }

std::string Where(const char* name, size_t i) { return std::string(name) + "[" + std::to_string(i) + "]"; }

}  // namespace kvgltf
