#include "rib_checker.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <set>

namespace ribtest {
namespace {

struct Value {
  enum Kind { kNumber, kString, kNumbers, kStrings } kind;
  std::vector<double> numbers;
  std::vector<std::string> strings;
  size_t size() const { return kind == kNumber || kind == kString ? 1 : (kind == kNumbers ? numbers.size() : strings.size()); }
  bool numeric() const { return kind == kNumber || kind == kNumbers; }
};

struct Request {
  std::string name;
  int line = 0;
  std::vector<Value> args;
};

class Lexer {
 public:
  Lexer(const std::string& text, std::vector<std::string>* errors) : s_(text), errors_(errors) {}

  std::vector<Request> Requests() {
    std::vector<Request> out;
    for (;;) {
      SkipSpace();
      if (at_ >= s_.size()) break;
      const char c = s_[at_];
      if (std::isalpha(static_cast<unsigned char>(c))) {
        Request r;
        r.line = line_;
        while (at_ < s_.size() && std::isalnum(static_cast<unsigned char>(s_[at_]))) r.name += s_[at_++];
        out.push_back(r);
      } else if (out.empty()) {
        Error("a value before any request");
        Value v;
        if (!ReadValue(&v)) ++at_;
      } else {
        Value v;
        if (ReadValue(&v)) out.back().args.push_back(v);
        else ++at_;
      }
      if (errors_->size() > 50) break;
    }
    return out;
  }

 private:
  void Error(const std::string& what) { errors_->push_back("line " + std::to_string(line_) + ": " + what); }

  void SkipSpace() {
    while (at_ < s_.size()) {
      const char c = s_[at_];
      if (c == '\n') {
        ++line_;
        ++at_;
      } else if (c == ' ' || c == '\t' || c == '\r') {
        ++at_;
      } else if (c == '#') {
        while (at_ < s_.size() && s_[at_] != '\n' && s_[at_] != '\r') ++at_;
      } else {
        break;
      }
    }
  }

  bool ReadString(std::string* out) {
    const int start = line_;
    ++at_;
    while (at_ < s_.size() && s_[at_] != '"') {
      char c = s_[at_++];
      if (c == '\n' || c == '\r') {
        errors_->push_back("line " + std::to_string(start) + ": a line end inside a string");
        ++line_;
      }
      if (c == '\\' && at_ < s_.size()) {
        c = s_[at_++];
        switch (c) {
          case 'n': c = '\n'; break;
          case 't': c = '\t'; break;
          case 'r': c = '\r'; break;
          case 'b': c = '\b'; break;
          case 'f': c = '\f'; break;
          default:
            if (c >= '0' && c <= '7') {
              int v = c - '0';
              for (int k = 0; k < 2 && at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '7'; ++k) v = v * 8 + (s_[at_++] - '0');
              c = static_cast<char>(v);
            }
        }
      }
      out->push_back(c);
    }
    if (at_ >= s_.size()) {
      errors_->push_back("line " + std::to_string(start) + ": unbalanced quotes");
      return false;
    }
    ++at_;
    return true;
  }

  bool ReadNumber(double* out) {
    const char* begin = s_.c_str() + at_;
    char* end = nullptr;
    *out = std::strtod(begin, &end);
    if (end == begin) return false;
    at_ += static_cast<size_t>(end - begin);
    if (!std::isfinite(*out)) Error("a number that is not finite");
    return true;
  }

  bool ReadValue(Value* v) {
    const char c = s_[at_];
    if (c == '"') {
      v->kind = Value::kString;
      v->strings.emplace_back();
      return ReadString(&v->strings.back());
    }
    if (c == '[') {
      ++at_;
      bool strings = false, numbers = false;
      for (;;) {
        SkipSpace();
        if (at_ >= s_.size()) {
          Error("unbalanced brackets");
          return false;
        }
        if (s_[at_] == ']') {
          ++at_;
          break;
        }
        if (s_[at_] == '"') {
          strings = true;
          v->strings.emplace_back();
          if (!ReadString(&v->strings.back())) return false;
        } else {
          double d;
          if (!ReadNumber(&d)) {
            Error(std::string("unexpected '") + s_[at_] + "' in an array");
            return false;
          }
          numbers = true;
          v->numbers.push_back(d);
        }
      }
      if (strings && numbers) Error("an array of numbers and strings");
      v->kind = strings ? Value::kStrings : Value::kNumbers;
      return true;
    }
    double d;
    if (ReadNumber(&d)) {
      v->kind = Value::kNumber;
      v->numbers.push_back(d);
      return true;
    }
    Error(std::string("unexpected '") + c + "'");
    return false;
  }

  const std::string& s_;
  std::vector<std::string>* errors_;
  size_t at_ = 0;
  int line_ = 1;
};

// ---- declarations ----------------------------------------------------------

struct Declared {
  std::string storage = "uniform";  // constant, uniform, varying, vertex, facevarying
  std::string type;                 // float, color, point, normal, vector, string, ...
  int array = 1;
  int Size() const {
    int n = (type == "color" || type == "point" || type == "normal" || type == "vector") ? 3 : (type == "hpoint" ? 4 : 1);
    return n * array;
  }
};

bool ParseDeclaration(const std::string& text, Declared* d, std::string* name) {
  std::vector<std::string> words;
  std::string w;
  for (char c : text + " ") {
    if (c == ' ' || c == '\t') {
      if (!w.empty()) words.push_back(w);
      w.clear();
    } else {
      w += c;
    }
  }
  static const std::set<std::string> kStorage = {"constant", "uniform", "varying", "vertex", "facevarying"};
  static const std::set<std::string> kTypes = {"float", "integer", "int", "color", "point", "normal",
                                               "vector", "hpoint", "string", "matrix"};
  size_t i = 0;
  if (i < words.size() && kStorage.count(words[i])) d->storage = words[i++];
  if (i >= words.size()) return false;
  std::string type = words[i++];
  const size_t bracket = type.find('[');
  if (bracket != std::string::npos) {
    d->array = std::atoi(type.c_str() + bracket + 1);
    type.resize(bracket);
  }
  if (!kTypes.count(type) || d->array < 1) return false;
  d->type = type;
  if (name) {
    if (i + 1 != words.size()) return false;
    *name = words[i];
  } else if (i != words.size()) {
    return false;
  }
  return true;
}

struct Checker {
  explicit Checker(RibScene* scene) : out(scene) {}
  RibScene* out;
  std::map<std::string, Declared> declared;
  std::vector<std::string> blocks;
  bool world_seen = false;
  // Column-vector transforms: object -> current space.
  struct M4 {
    double m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  };
  M4 ctm;
  std::vector<M4> saved;
  int color = -1;
  int line = 0;

  void Error(const std::string& what) { out->errors.push_back("line " + std::to_string(line) + ": " + what); }

  void Standard() {
    const char* const std_decls[][2] = {
        {"P", "vertex point"},       {"N", "varying normal"},       {"Cs", "varying color"},
        {"Os", "varying color"},     {"st", "varying float[2]"},    {"s", "varying float"},
        {"t", "varying float"},      {"Pw", "vertex hpoint"},       {"fov", "float"},
        {"Ka", "float"},             {"Kd", "float"},               {"Ks", "float"},
        {"roughness", "float"},      {"specularcolor", "color"},    {"texturename", "string"},
        {"intensity", "float"},      {"lightcolor", "color"},       {"from", "point"},
        {"to", "point"},             {"coneangle", "float"},        {"conedeltaangle", "float"},
        {"beamdistribution", "float"}, {"distance", "float"},       {"background", "color"}};
    for (const auto& d : std_decls) {
      Declared decl;
      ParseDeclaration(d[1], &decl, nullptr);
      declared[d[0]] = decl;
    }
  }

  // What the standard shaders take; other shaders take what was declared.
  static const std::set<std::string>* StandardShader(const std::string& name) {
    static const std::map<std::string, std::set<std::string>> kShaders = {
        {"plastic", {"Ka", "Kd", "Ks", "roughness", "specularcolor"}},
        {"paintedplastic", {"Ka", "Kd", "Ks", "roughness", "specularcolor", "texturename"}},
        {"matte", {"Ka", "Kd"}},
        {"ambientlight", {"intensity", "lightcolor"}},
        {"pointlight", {"intensity", "lightcolor", "from"}},
        {"distantlight", {"intensity", "lightcolor", "from", "to"}},
        {"spotlight", {"intensity", "lightcolor", "from", "to", "coneangle", "conedeltaangle", "beamdistribution"}},
        {"fog", {"distance", "background"}}};
    auto it = kShaders.find(name);
    return it == kShaders.end() ? nullptr : &it->second;
  }

  // The parameter list from args[first] on; sizes checked unless the
  // request is geometry (which checks them itself).
  std::map<std::string, std::pair<Declared, const Value*>> Params(const Request& r, size_t first,
                                                                   const std::set<std::string>* allowed, bool geometry) {
    std::map<std::string, std::pair<Declared, const Value*>> params;
    if ((r.args.size() - first) % 2 != 0) Error(r.name + ": a parameter without a value");
    for (size_t i = first; i + 1 < r.args.size(); i += 2) {
      const Value& n = r.args[i];
      const Value& v = r.args[i + 1];
      if (n.kind != Value::kString) {
        Error(r.name + ": a parameter name that is not a string");
        continue;
      }
      std::string name = n.strings[0];
      Declared d;
      if (name.find(' ') != std::string::npos) {
        std::string inline_name;
        if (!ParseDeclaration(name, &d, &inline_name)) {
          Error(r.name + ": bad inline declaration \"" + name + "\"");
          continue;
        }
        name = inline_name;
      } else {
        auto it = declared.find(name);
        if (it == declared.end()) {
          Error(r.name + ": parameter \"" + name + "\" not declared");
          continue;
        }
        d = it->second;
      }
      if (allowed && !allowed->count(name)) Error(r.name + ": \"" + name + "\" is not a parameter of the shader");
      if ((d.type == "string") == v.numeric()) Error(r.name + ": \"" + name + "\" has a value of the wrong type");
      if (!geometry && static_cast<int>(v.size()) != d.Size())
        Error(r.name + ": \"" + name + "\" has " + std::to_string(v.size()) + " values, not " + std::to_string(d.Size()));
      if (params.count(name)) Error(r.name + ": \"" + name + "\" given twice");
      params[name] = {d, &v};
    }
    return params;
  }

  bool Positional(const Request& r, const char* kinds) {
    size_t n = 0;
    for (const char* k = kinds; *k; ++k, ++n) {
      if (n >= r.args.size()) {
        Error(r.name + ": too few arguments");
        return false;
      }
      const Value& v = r.args[n];
      const bool ok = *k == 's' ? v.kind == Value::kString : (*k == 'n' ? v.kind == Value::kNumber : v.kind == Value::kNumbers);
      if (!ok) {
        Error(r.name + ": argument " + std::to_string(n + 1) + " of the wrong kind");
        return false;
      }
    }
    return true;
  }

  void Exactly(const Request& r, size_t n) {
    if (r.args.size() != n) Error(r.name + ": " + std::to_string(r.args.size()) + " arguments, not " + std::to_string(n));
  }

  void Concat(const double m[4][4]) {
    M4 out;
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) {
        out.m[i][j] = 0;
        for (int k = 0; k < 4; ++k) out.m[i][j] += ctm.m[i][k] * m[k][j];
      }
    ctm = out;
  }

  void Rotate(double deg, double x, double y, double z) {
    const double l = std::sqrt(x * x + y * y + z * z);
    if (l == 0) {
      Error("Rotate about a zero axis");
      return;
    }
    x /= l, y /= l, z /= l;
    const double a = deg * 3.141592653589793 / 180, c = std::cos(a), s = std::sin(a), t = 1 - c;
    const double r[4][4] = {{t * x * x + c, t * x * y - s * z, t * x * z + s * y, 0},
                            {t * x * y + s * z, t * y * y + c, t * y * z - s * x, 0},
                            {t * x * z - s * y, t * y * z + s * x, t * z * z + c, 0},
                            {0, 0, 0, 1}};
    Concat(r);
  }

  kvtest::Vec3 Apply(double x, double y, double z) const {
    return {ctm.m[0][0] * x + ctm.m[0][1] * y + ctm.m[0][2] * z + ctm.m[0][3],
            ctm.m[1][0] * x + ctm.m[1][1] * y + ctm.m[1][2] * z + ctm.m[1][3],
            ctm.m[2][0] * x + ctm.m[2][1] * y + ctm.m[2][2] * z + ctm.m[2][3]};
  }

  bool InWorld() const {
    for (const std::string& b : blocks)
      if (b == "World") return true;
    return false;
  }

  void Begin(const std::string& kind) {
    blocks.push_back(kind);
    saved.push_back(ctm);
  }

  void End(const std::string& kind) {
    if (blocks.empty() || blocks.back() != kind) {
      Error(kind + "End without its " + kind + "Begin");
      return;
    }
    blocks.pop_back();
    ctm = saved.back();
    saved.pop_back();
  }

  void ColorRequest(const Request& r, bool is_color) {
    std::vector<double> c;
    for (const Value& v : r.args) {
      if (!v.numeric()) Error(r.name + ": a value that is not a number");
      c.insert(c.end(), v.numbers.begin(), v.numbers.end());
    }
    if (c.size() != 3) {
      Error(r.name + ": " + std::to_string(c.size()) + " components, not 3");
      return;
    }
    if (is_color) {
      out->colors.push_back({c[0], c[1], c[2]});
      color = static_cast<int>(out->colors.size()) - 1;
    }
  }

  void PointsPolygons(const Request& r) {
    if (!InWorld()) Error("PointsPolygons outside the world block");
    if (!Positional(r, "aa")) return;
    const std::vector<double>& nverts = r.args[0].numbers;
    const std::vector<double>& verts = r.args[1].numbers;
    long corners = 0, npoints = 0;
    for (double n : nverts) {
      if (n < 3 || n != std::floor(n)) Error("PointsPolygons: a polygon of " + std::to_string(n) + " corners");
      corners += static_cast<long>(n);
    }
    if (corners != static_cast<long>(verts.size()))
      Error("PointsPolygons: " + std::to_string(verts.size()) + " vertex indices for " + std::to_string(corners) + " corners");
    for (double v : verts) {
      if (v < 0 || v != std::floor(v)) Error("PointsPolygons: bad vertex index");
      npoints = std::max(npoints, static_cast<long>(v) + 1);
    }
    auto params = Params(r, 2, nullptr, true);
    if (!params.count("P")) {
      Error("PointsPolygons without P");
      return;
    }
    for (const auto& [name, dv] : params) {
      const Declared& d = dv.first;
      long expect = d.storage == "vertex" || d.storage == "varying" ? npoints
                    : d.storage == "facevarying"                    ? corners
                    : d.storage == "uniform"                        ? static_cast<long>(nverts.size())
                                                                    : 1;
      expect *= d.Size();
      if (static_cast<long>(dv.second->size()) != expect)
        Error("PointsPolygons: \"" + name + "\" has " + std::to_string(dv.second->size()) + " values, not " +
              std::to_string(expect));
    }
    const std::vector<double>& P = params["P"].second->numbers;
    if (static_cast<long>(P.size()) != 3 * npoints || corners != static_cast<long>(verts.size())) return;
    if (params.count("N")) out->normals += npoints;
    if (params.count("st")) out->texture_coordinates += npoints;
    out->polygons += static_cast<long>(nverts.size());
    out->points += npoints;
    size_t at = 0;
    for (double n : nverts) {
      const int count = static_cast<int>(n);
      auto point = [&](int k) {
        const size_t i = static_cast<size_t>(verts[at + static_cast<size_t>(k)]) * 3;
        return Apply(P[i], P[i + 1], P[i + 2]);
      };
      for (int k = 1; k + 1 < count; ++k) out->triangles.push_back({point(0), point(k), point(k + 1), color});
      at += static_cast<size_t>(count);
    }
  }

  void Run(const Request& r) {
    line = r.line;
    ++out->requests[r.name];
    const std::string& n = r.name;
    if (n == "version") {
      Exactly(r, 1);
      Positional(r, "n");
    } else if (n == "Format") {
      Exactly(r, 3);
      if (Positional(r, "nnn")) {
        out->width = static_cast<int>(r.args[0].numbers[0]);
        out->height = static_cast<int>(r.args[1].numbers[0]);
      }
    } else if (n == "Display") {
      if (Positional(r, "sss")) Params(r, 3, nullptr, false);
    } else if (n == "Projection") {
      if (InWorld()) Error("Projection inside the world block");
      if (Positional(r, "s")) {
        auto p = Params(r, 1, nullptr, false);
        out->perspective = r.args[0].strings[0] == "perspective";
        if (p.count("fov")) out->fov = p["fov"].second->numbers[0];
        ctm = M4();  // the camera transform starts here
      }
    } else if (n == "Rotate") {
      Exactly(r, 4);
      if (Positional(r, "nnnn"))
        Rotate(r.args[0].numbers[0], r.args[1].numbers[0], r.args[2].numbers[0], r.args[3].numbers[0]);
    } else if (n == "Translate" || n == "Scale") {
      Exactly(r, 3);
      if (Positional(r, "nnn")) {
        const double x = r.args[0].numbers[0], y = r.args[1].numbers[0], z = r.args[2].numbers[0];
        if (n == "Translate") {
          const double m[4][4] = {{1, 0, 0, x}, {0, 1, 0, y}, {0, 0, 1, z}, {0, 0, 0, 1}};
          Concat(m);
        } else {
          const double m[4][4] = {{x, 0, 0, 0}, {0, y, 0, 0}, {0, 0, z, 0}, {0, 0, 0, 1}};
          Concat(m);
        }
      }
    } else if (n == "Transform" || n == "ConcatTransform") {
      Exactly(r, 1);
      if (Positional(r, "a")) {
        if (r.args[0].numbers.size() != 16) {
          Error(n + ": a matrix of " + std::to_string(r.args[0].numbers.size()) + " numbers");
          return;
        }
        double m[4][4];
        for (int i = 0; i < 4; ++i)
          for (int j = 0; j < 4; ++j) m[j][i] = r.args[0].numbers[static_cast<size_t>(4 * i + j)];
        if (n == "Transform") ctm = M4();
        Concat(m);
      }
    } else if (n == "Identity") {
      Exactly(r, 0);
      ctm = M4();
    } else if (n == "WorldBegin") {
      Exactly(r, 0);
      if (world_seen || InWorld()) Error("a second world block");
      world_seen = true;
      for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) out->camera[i][j] = ctm.m[i][j];
      Begin("World");
      ctm = M4();
    } else if (n == "WorldEnd" || n == "AttributeEnd" || n == "TransformEnd" || n == "FrameEnd") {
      Exactly(r, 0);
      End(n.substr(0, n.size() - 3));
    } else if (n == "AttributeBegin" || n == "TransformBegin") {
      Exactly(r, 0);
      Begin(n.substr(0, n.size() - 5));
    } else if (n == "FrameBegin") {
      Exactly(r, 1);
      Begin("Frame");
    } else if (n == "Orientation") {
      Exactly(r, 1);
      if (Positional(r, "s") && r.args[0].strings[0] != "rh" && r.args[0].strings[0] != "lh" &&
          r.args[0].strings[0] != "inside" && r.args[0].strings[0] != "outside")
        Error("Orientation " + r.args[0].strings[0]);
    } else if (n == "Sides") {
      Exactly(r, 1);
      if (Positional(r, "n") && r.args[0].numbers[0] != 1 && r.args[0].numbers[0] != 2) Error("Sides of 1 or 2");
    } else if (n == "Color" || n == "Opacity") {
      ColorRequest(r, n == "Color");
    } else if (n == "Declare") {
      Exactly(r, 2);
      if (Positional(r, "ss")) {
        Declared d;
        if (!ParseDeclaration(r.args[1].strings[0], &d, nullptr)) Error("Declare: bad type \"" + r.args[1].strings[0] + "\"");
        else declared[r.args[0].strings[0]] = d;
      }
    } else if (n == "Attribute") {
      if (!Positional(r, "s")) return;
      const std::string& cls = r.args[0].strings[0];
      static const std::map<std::string, std::set<std::string>> kKnown = {{"identifier", {"name"}},
                                                                           {"light", {"shadows"}}};
      auto it = kKnown.find(cls);
      if ((r.args.size() - 1) % 2 != 0 || r.args.size() < 3) Error("Attribute: a parameter without a value");
      for (size_t i = 1; i + 1 < r.args.size(); i += 2) {
        if (r.args[i].kind != Value::kString || it == kKnown.end() || !it->second.count(r.args[i].strings[0]))
          Error("Attribute: unknown \"" + cls + "\" parameter");
        else if (r.args[i + 1].kind != Value::kString && r.args[i + 1].kind != Value::kStrings)
          Error("Attribute: \"" + cls + "\" takes a string");
      }
    } else if (n == "LightSource") {
      if (!InWorld()) Error("LightSource outside the world block");
      if (Positional(r, "sn")) Params(r, 2, StandardShader(r.args[0].strings[0]), false);
    } else if (n == "Surface" || n == "Atmosphere" || n == "Imager") {
      if (n == "Surface" && !InWorld()) Error("Surface outside the world block");
      if (Positional(r, "s")) Params(r, 1, StandardShader(r.args[0].strings[0]), false);
    } else if (n == "MakeTexture") {
      if (InWorld()) Error("MakeTexture inside the world block");
      if (Positional(r, "sssssnn")) Params(r, 7, nullptr, false);
    } else if (n == "PointsPolygons") {
      PointsPolygons(r);
    } else {
      Error("unknown request " + n);
    }
  }
};

}  // namespace

RibScene CheckRib(const std::string& text) {
  RibScene scene;
  std::vector<Request> requests = Lexer(text, &scene.errors).Requests();
  Checker c(&scene);
  c.Standard();
  for (const Request& r : requests) c.Run(r);
  for (const std::string& b : c.blocks) scene.errors.push_back("at the end: " + b + "Begin without its " + b + "End");
  if (!c.world_seen) scene.errors.push_back("no world block");
  return scene;
}

kvtest::PinholeCamera CameraOf(const RibScene& s, int width, int height) {
  kvtest::PinholeCamera cam;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 4; ++j) cam.view[i][j] = s.camera[i][j];
  // The field of view spans the shorter side of the frame.
  double fov = s.fov;
  if (s.width < s.height) {
    const double t = std::tan(s.fov * 3.141592653589793 / 360) * s.height / s.width;
    fov = std::atan(t) * 360 / 3.141592653589793;
  }
  cam.fov_y_deg = fov;
  cam.width = width;
  cam.height = height;
  return cam;
}

}  // namespace ribtest
