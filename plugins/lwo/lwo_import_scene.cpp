// LightWave scenes (LWSC): the items of the file in order (objects, null
// objects, lights, cameras) with their first key of motion, then the
// objects loaded and placed along their parent chains.
#include <sys/stat.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "lwo_chunks.h"
#include "lwo_import_parts.h"
#include "plugin_framework.h"

namespace lwoimp {
namespace {

enum Kind { kNull = 0, kObject = 1, kLight = 2, kCamera = 3 };

// A parent or target as the file names it; resolved once every item is known.
struct ItemRef {
  enum Form { kNone, kObjectNumber, kHexId };
  Form form = kNone;
  uint32_t value = 0;
};

struct Item {
  std::string name;
  int kind = kNull;
  ItemRef parent_ref, target_ref;
  int parent = -1, master = -1, target = -1;
  MVector3 scale{1, 1, 1}, rotate{0, 0, 0}, translate{0, 0, 0}, pivot{0, 0, 0};
  std::string path;  // objects: the file, resolved
  int layer = -1;    // objects: the layer a format above 2 loads
  // lights
  int light_type = 1;
  MColor color{1, 1, 1, 1};
  double intensity = 1.0, falloff = 0.35, cone = 30.0;
  // cameras
  double zoom = 3.2, roll = 0.0;
  bool awaiting_show = false;  // made by AddCamera; its ShowCamera makes no other
  MObj3d* built = nullptr;     // the mesh or reference of an object item
};

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }
inline char* SkipBlanks(char* s) {
  while (IsBlank(*s)) ++s;
  return s;
}

// The text with blanks and line-end characters cut from both ends.
std::string Trimmed(const char* s) {
  while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r') ++s;
  size_t n = std::strlen(s);
  while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\t' || s[n - 1] == '\n' || s[n - 1] == '\r')) --n;
  return std::string(s, n);
}

// The numbers a line holds, as many as fit into out.
int Numbers(const char* s, double* out, int max) { return m_scan_numbers(s, std::strlen(s), out, max); }

// A number of the file as a count or code; far-out values (and NaN) are
// held to a range any loop over them survives.
int Int(double v) {
  if (!(v > -1e9)) return v < 0 ? -1000000000 : 0;
  return v < 1e9 ? static_cast<int>(v) : 1000000000;
}

// A line of numbers only (the keys of an old motion).
bool AllNumbers(const char* s) {
  const char* end = s + std::strlen(s);
  bool any = false;
  for (;;) {
    while (IsBlank(*s)) ++s;
    if (!*s) return any;
    double v;
    const char* next = m_scan_double(s, end, &v);
    if (!next || (*next && !IsBlank(*next))) return false;
    s = next;
    any = true;
  }
}

// Eight hex digits followed by more text: the item id of a newer scene.
bool SkipItemId(char** s) {
  char* p = *s;
  int n = 0;
  while (std::isxdigit(static_cast<unsigned char>(p[n]))) ++n;
  if (n != 8 || !IsBlank(p[n])) return false;
  char* rest = SkipBlanks(p + n);
  if (!*rest) return false;
  *s = rest;
  return true;
}

bool IsFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

class SceneReader {
 public:
  SceneReader(Context& ctx, FILE* f) : ctx_(ctx), log_(ctx.log), in_(f, MLineReader::kKeepTabs) {
    scene_dir_ = m_split_path(ctx.run.path().c_str()).dir;
  }
  void Read();

 private:
  char* Next();
  void Back() { pushed_ = true; }
  void Line(char* line);
  Item* Current() { return items_.empty() ? nullptr : &items_.back(); }
  Item* CurrentOf(int kind) {
    Item* it = Current();
    return it && it->kind == kind ? it : nullptr;
  }
  Item& NewItem(int kind, const std::string& name);
  std::string UniqueItemName(const std::string& name);
  void LoadObject(char* rest, bool layered);
  std::string ResolvePath(const std::string& given) const;
  void Motion(Item* it, bool camera);
  void OldMotion(Item* it, bool camera);
  void NewMotion(Item* it, bool camera);
  void ApplyChannels(Item* it, const double* v, bool radians);
  ItemRef ParseRef(const char* rest, bool hex);
  int Resolve(const ItemRef& r) const;
  void ResolveAll();
  void BreakCycles();
  MMatrix Local(const Item& it) const;
  MMatrix World(int i) const;
  void Build();
  void BuildLight(Item& it, const MMatrix& world);
  void BuildCamera(Item& it, const MMatrix& world);
  void BuildObject(int i, const MMatrix& world);
  MVector3 TargetPoint(const Item& it, const MMatrix& world) const;
  void LogItem(int i);

  Context& ctx_;
  LogFile& log_;
  MLineReader in_;
  std::string scene_dir_;
  char* line_ = nullptr;
  bool pushed_ = false;
  int format_ = 0;
  int name_counter_ = 0;
  std::vector<Item> items_;
  std::vector<int> objects_, lights_, cameras_;  // item indices by kind (nulls are objects)
  std::unordered_map<std::string, int> used_names_;
  long bad_refs_ = 0;
  bool lost_lines_ = false;
};

char* SceneReader::Next() {
  if (pushed_) {
    pushed_ = false;
    return line_;
  }
  line_ = in_.Next();
  if (line_ && in_.LineCut()) lost_lines_ = true;
  return line_;
}

Item& SceneReader::NewItem(int kind, const std::string& name) {
  items_.emplace_back();
  Item& it = items_.back();
  it.kind = kind;
  it.name = name;
  const int index = static_cast<int>(items_.size()) - 1;
  if (kind == kNull || kind == kObject) objects_.push_back(index);
  if (kind == kLight) lights_.push_back(index);
  if (kind == kCamera) cameras_.push_back(index);
  return it;
}

// A light named like another item gets the counter appended.
std::string SceneReader::UniqueItemName(const std::string& name) {
  for (const Item& it : items_)
    if (&it != Current() && it.name == name) return name + std::to_string(name_counter_++);
  return name;
}

void SceneReader::Read() {
  // "LWSC", then the format number.
  char* first = Next();
  if (!first || std::strncmp(SkipBlanks(first), "LWSC", 4) != 0) {
    ctx_.run.Fail("%s is not a LightWave scene (no LWSC)", ctx_.run.path().c_str());
    return;
  }
  double f = 0;
  char* l = SkipBlanks(first) + 4;
  while (l && Numbers(l, &f, 1) != 1) l = Next();
  format_ = Int(f);
  log_.write("LWS Scene format %d\n", format_);
  while (char* line = Next()) Line(line);
  if (lost_lines_) ctx_.run.Warn("%s holds lines too long to read: cut", ctx_.run.path().c_str());
  ResolveAll();
  BreakCycles();
  Build();
}

void SceneReader::Line(char* line) {
  char* s = SkipBlanks(line);
  char* w = s;
  while (*s && !IsBlank(*s)) ++s;
  const std::string tok(w, static_cast<size_t>(s - w));
  char* rest = SkipBlanks(s);
  const bool modern = format_ > 2;
  double v[3];
  if (tok == "LoadObject" || tok == "LoadObjectLayer") {
    LoadObject(rest, modern);
  } else if (tok == "AddNullObject") {
    if (modern) SkipItemId(&rest);
    std::string trimmed = Trimmed(rest);
    const char* u = m_unifymeshname(trimmed.c_str(), 20);
    std::string name = m_strip_spaces(u ? u : "");
    log_.write("-> AddNullObject %s\n", name.c_str());
    NewItem(kNull, name);
  } else if (tok == "ObjectMotion") {
    if (Item* it = Current()) {
      log_.write("-> ObjectMotion\n");
      Motion(it, false);
    }
  } else if (tok == "PivotPoint" || tok == "PivotPosition") {
    if (Current() && Numbers(rest, v, 3) == 3) Current()->pivot = MVector3(v[0], v[2], v[1]);
  } else if (tok == "ParentObject" || tok == "ParentItem") {
    if (Current()) Current()->parent_ref = ParseRef(rest, modern && tok == "ParentItem");
  } else if (tok == "TargetObject") {
    if (Current()) {
      Current()->target_ref = ParseRef(rest, false);
      log_.write("-> TargetObject %d\n", static_cast<int>(Current()->target_ref.value));
    }
  } else if (tok == "AmbientColor") {
    if (Numbers(rest, v, 3) == 3) {
      const double k = modern ? 1.0 : 1.0 / 255.0;
      ctx_.scene->options.ambient_color.Init_RGB(v[0] * k, v[1] * k, v[2] * k, 1.0);
      ctx_.scene->options.ambient_intensity = 1.0;
    }
  } else if (tok == "AmbIntensity") {
    if (Numbers(rest, v, 1) == 1) ctx_.scene->options.ambient_intensity = v[0];
  } else if (tok == "AddLight") {
    NewItem(kLight, "def_light");
  } else if (tok == "LightName") {
    if (Item* it = CurrentOf(kLight)) {
      it->name = UniqueItemName(Trimmed(rest));
      log_.write("-> AddLight %s\n", it->name.c_str());
    }
  } else if (tok == "LightType") {
    if (Item* it = CurrentOf(kLight); it && Numbers(rest, v, 1) == 1) it->light_type = Int(v[0]);
  } else if (tok == "LightColor") {
    if (Item* it = CurrentOf(kLight); it && Numbers(rest, v, 3) == 3) {
      const double k = modern ? 1.0 : 1.0 / 255.0;
      it->color.Init_RGB(v[0] * k, v[1] * k, v[2] * k, 1.0);
    }
  } else if (tok == "LgtIntensity") {
    if (Item* it = CurrentOf(kLight); it && Numbers(rest, v, 1) == 1) it->intensity = v[0];
  } else if (tok == "Falloff") {
    if (Item* it = CurrentOf(kLight); it && Numbers(rest, v, 1) == 1) it->falloff = v[0];
  } else if (tok == "ConeAngle") {
    if (Item* it = CurrentOf(kLight); it && Numbers(rest, v, 1) == 1) it->cone = v[0];
  } else if (tok == "LightMotion") {
    if (Item* it = Current()) Motion(it, false);
  } else if (tok == "ShowCamera") {
    if (modern) return;
    Item* cam = CurrentOf(kCamera);
    if (cam && cam->awaiting_show) {
      cam->awaiting_show = false;
      return;
    }
    log_.write("-> AddCamera %s\n", "def_cam");
    NewItem(kCamera, "def_cam");
  } else if (tok == "AddCamera") {
    NewItem(kCamera, "def_cam").awaiting_show = true;
  } else if (tok == "CameraName") {
    if (Item* it = CurrentOf(kCamera)) it->name = Trimmed(rest);
  } else if (tok == "ZoomFactor") {
    if (Item* it = CurrentOf(kCamera); it && Numbers(rest, v, 1) == 1) it->zoom = v[0];
  } else if (tok == "CameraMotion") {
    if (Item* it = Current()) {
      log_.write("-> CameraMotion\n");
      Motion(it, it->kind == kCamera);
    }
  }
  // EndBehavior and every other keyword: the rest of the line is skipped.
}

void SceneReader::LoadObject(char* rest, bool modern) {
  int layer = -1;
  if (modern) {
    // The layer number, then (in newer scenes) the item id.
    char* p = rest;
    char* end = nullptr;
    const long n = std::strtol(p, &end, 10);
    if (end != p && IsBlank(*end)) {
      layer = n > 0 && n < 0x10000 ? static_cast<int>(n - 1) : -1;
      rest = SkipBlanks(end);
    }
    SkipItemId(&rest);
  }
  const std::string given = SlashPath(Trimmed(rest));
  const std::string path = ResolvePath(given);
  const MPathParts parts = m_split_path(path.c_str());
  Item& it = NewItem(kObject, parts.fname);
  it.path = path;
  it.layer = layer;
  log_.write("-> LoadObject %s (%s)\n", it.name.c_str(), path.c_str());
}

// A path with a drive or from the root stands as it is, one with a folder is
// below the content folder, a bare name beside the scene. Scenes carried to
// another machine seldom fit that: the scene's folder, the folder above it
// (scenes usually sit in a folder of the content folder) and a file of that
// name beside the scene are tried next.
std::string SceneReader::ResolvePath(const std::string& given) const {
  if (given.empty()) return given;
  const MPathParts parts = m_split_path(given.c_str());
  const bool drive = given.size() > 1 && given[1] == ':';
  const bool rooted = given[0] == '/';
  std::vector<std::string> tries;
  if (drive || rooted) {
    tries.push_back(given);
  } else if (!parts.dir.empty()) {
    tries.push_back(ctx_.content_dir + given);
  } else {
    tries.push_back(scene_dir_ + given);
  }
  std::string rel = drive ? given.substr(2) : given;
  while (!rel.empty() && rel[0] == '/') rel.erase(0, 1);
  tries.push_back(scene_dir_ + rel);
  tries.push_back(scene_dir_ + "../" + rel);
  tries.push_back(scene_dir_ + parts.fname + parts.ext);
  for (const std::string& t : tries)
    if (IsFile(t)) return t;
  // Names that differ in letter case only.
  for (const std::string& t : tries) {
    const MPathParts p = m_split_path(t.c_str());
    const std::string dir = p.dir.empty() ? std::string("./") : p.dir;
    if (const char* found = m_find_file((p.fname + p.ext).c_str(), dir.c_str())) return found;
  }
  return tries.front();
}

void SceneReader::Motion(Item* it, bool camera) {
  if (format_ > 2) {
    NewMotion(it, camera);
  } else {
    OldMotion(it, camera);
  }
}

// Channels x y z h p b sx sy sz, as LightWave has them; rotations in
// degrees (format 2 and below) or radians.
void SceneReader::ApplyChannels(Item* it, const double* v, bool radians) {
  const double k = radians ? lwo::kDegPerRad : 1.0;
  it->translate = MVector3(v[0], v[2], v[1]);
  if (radians) {
    it->rotate = MVector3(-v[5] * k, -v[3] * k, -v[4] * k);
  } else {
    it->rotate = MVector3(-v[4], -v[5], -v[3]);
  }
  it->scale = MVector3(v[6], v[8], v[7]);
  if (it->kind == kCamera) {
    const double roll = std::fabs(it->rotate.y);
    it->roll = roll > 179.0 ? 179.0 : roll;
  }
  log_.write("=> Scale     %s\n", it->scale.Print());
  log_.write("=> Rotate    %s\n", it->rotate.Print());
  log_.write("=> Translate %s\n", it->translate.Print());
}

// Format 2 and below: the channel count, the key count, then per key one
// line of nine values and one of five (a line of six and one of eight in
// some files); or, as later LightWave 5 writes it, one envelope per channel:
// its key count and one line per key starting with the value.
void SceneReader::OldMotion(Item* it, bool camera) {
  double n = 0, keys = 0;
  char* l = Next();
  if (!l || Numbers(l, &n, 1) != 1) return Back();
  l = Next();
  if (!l || Numbers(l, &keys, 1) != 1) return Back();
  double v[9] = {0, 0, 0, 0, 0, 0, 1, 1, 1};
  double first[9];
  l = Next();
  if (!l || !AllNumbers(l)) return Back();
  const int c1 = Numbers(l, first, 9);
  bool apply = false;
  if (c1 >= 9 && n == 9) {
    std::memcpy(v, first, sizeof v);
    apply = true;
  } else if (c1 == 6) {
    double second[8];
    char* l2 = Next();
    const int c2 = l2 && AllNumbers(l2) ? Numbers(l2, second, 8) : 0;
    if (c2 == 8 && n == 9) {
      std::memcpy(v, first, 6 * sizeof(double));
      std::memcpy(v + 6, second, 3 * sizeof(double));
      apply = true;
    } else {
      // One envelope per channel; channel 0's first key is read.
      if (l2) Back();
      const int channels = Int(n);
      apply = channels == 9 || (camera && channels == 6);
      v[0] = first[0];
      for (int k = 1; k < Int(keys); ++k) {
        if (!(l = Next()) || !AllNumbers(l)) return Back();
      }
      for (int c = 1; c < channels; ++c) {
        double count = 0;
        if (!(l = Next()) || Numbers(l, &count, 1) != 1 || !AllNumbers(l)) return Back();
        for (int k = 0; k < Int(count); ++k) {
          if (!(l = Next()) || !AllNumbers(l)) return Back();
          double value;
          if (k == 0 && c < 9 && Numbers(l, &value, 1) == 1) v[c] = value;
        }
      }
    }
  }
  // The other keys and their spline lines.
  while ((l = Next()) && AllNumbers(l)) {
  }
  if (l) Back();
  if (apply) ApplyChannels(it, v, false);
}

// Above format 2: "NumChannels n", then per channel "Channel c", "{ Envelope",
// the key count, "Key value time ..." lines, "Behaviors ..." and "}".
void SceneReader::NewMotion(Item* it, bool camera) {
  char* l = Next();
  if (!l) return;
  char* s = SkipBlanks(l);
  if (std::strncmp(s, "NumChannels", 11) != 0) return Back();
  double n = 0;
  if (Numbers(s + 11, &n, 1) != 1) return;
  const int channels = Int(n);
  const bool apply = channels == 9 || (camera && channels == 6);
  double v[9] = {0, 0, 0, 0, 0, 0, 1, 1, 1};
  bool seen[9] = {};
  int channel = -1, closed = 0, key = 0;
  while (closed < channels && (l = Next())) {
    s = SkipBlanks(l);
    double x[2];
    if (std::strncmp(s, "Channel", 7) == 0 && Numbers(s + 7, x, 1) == 1) {
      channel = Int(x[0]);
      key = 0;
      log_.write("-> Channel %d \n", channel);
    } else if (*s == '{') {
    } else if (*s == '}') {
      ++closed;
    } else if (std::strncmp(s, "Key", 3) == 0 && IsBlank(s[3])) {
      const int got = Numbers(s + 3, x, 2);
      if (got >= 1) log_.write("-> Key %d (%.3lf, %.3lf)\n", key, x[0], got > 1 ? x[1] : 0.0);
      if (got >= 1 && key == 0 && channel >= 0 && channel < 9 && !seen[channel]) {
        v[channel] = x[0];
        seen[channel] = true;
      }
      ++key;
    } else if (std::strncmp(s, "Behaviors", 9) == 0 || AllNumbers(s)) {
    } else {
      Back();
      break;
    }
  }
  if (apply) ApplyChannels(it, v, true);
}

ItemRef SceneReader::ParseRef(const char* rest, bool hex) {
  ItemRef r;
  char* end = nullptr;
  const unsigned long v = std::strtoul(rest, &end, hex ? 16 : 10);
  if (end == rest) return r;
  r.form = hex ? ItemRef::kHexId : ItemRef::kObjectNumber;
  r.value = static_cast<uint32_t>(v);
  return r;
}

// -1 for no item or one that does not exist.
int SceneReader::Resolve(const ItemRef& r) const {
  auto at = [](const std::vector<int>& list, uint32_t i) { return i < list.size() ? list[i] : -1; };
  switch (r.form) {
    case ItemRef::kNone: return -1;
    case ItemRef::kObjectNumber: return r.value >= 1 ? at(objects_, r.value - 1) : -1;
    case ItemRef::kHexId: {
      const uint32_t index = r.value & lwo::kItemIndexMask;
      switch (r.value >> 28) {
        case lwo::kItemObject: return at(objects_, index);
        case lwo::kItemLight: return at(lights_, index);
        case lwo::kItemCamera: return at(cameras_, index);
        default: return -1;  // bones are not items of the scene
      }
    }
  }
  return -1;
}

void SceneReader::ResolveAll() {
  for (Item& it : items_) {
    it.parent = Resolve(it.parent_ref);
    it.target = Resolve(it.target_ref);
    if (it.parent_ref.form != ItemRef::kNone && it.parent < 0) ++bad_refs_;
    if (it.target_ref.form != ItemRef::kNone && it.target < 0) ++bad_refs_;
  }
  if (bad_refs_)
    ctx_.run.Warn("%s: %ld parents or targets name items that do not exist: ignored", ctx_.run.path().c_str(),
                  bad_refs_);
  // Later objects of the same file (and layer) are instances of the first.
  std::unordered_map<std::string, int> first;
  for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
    Item& it = items_[static_cast<size_t>(i)];
    if (it.kind != kObject) continue;
    const std::string key = it.path + '\n' + std::to_string(it.layer);
    auto [pos, fresh] = first.emplace(key, i);
    if (!fresh) it.master = pos->second;
  }
}

// A parent chain that comes back to where it started would never end: the
// link that closes it is dropped.
void SceneReader::BreakCycles() {
  const int n = static_cast<int>(items_.size());
  std::vector<int> state(static_cast<size_t>(n), 0);  // 0 new, 1 on the walk, 2 done
  long broken = 0;
  for (int start = 0; start < n; ++start) {
    std::vector<int> chain;
    int i = start;
    while (i >= 0 && state[static_cast<size_t>(i)] == 0) {
      state[static_cast<size_t>(i)] = 1;
      chain.push_back(i);
      const int p = items_[static_cast<size_t>(i)].parent;
      if (p >= 0 && state[static_cast<size_t>(p)] == 1) {
        items_[static_cast<size_t>(i)].parent = -1;
        ++broken;
        break;
      }
      i = p;
    }
    for (int c : chain) state[static_cast<size_t>(c)] = 2;
  }
  if (broken)
    ctx_.run.Warn("%s: the parents of %ld items form a cycle: those items are placed without that parent",
                  ctx_.run.path().c_str(), broken);
}

MMatrix SceneReader::Local(const Item& it) const {
  MMatrix m(1);
  m.Translate(MVector3(-it.pivot.x, -it.pivot.y, -it.pivot.z));
  m.Scale(it.scale);
  m.RotateDeg(it.rotate);
  m.Translate(it.translate);
  return m;
}

MMatrix SceneReader::World(int i) const {
  MMatrix m = Local(items_[static_cast<size_t>(i)]);
  // Cycles are broken already; the bound keeps the walk finite regardless.
  size_t steps = 0;
  for (int p = items_[static_cast<size_t>(i)].parent; p >= 0 && steps < items_.size(); ++steps) {
    m *= Local(items_[static_cast<size_t>(p)]);
    p = items_[static_cast<size_t>(p)].parent;
  }
  return m;
}

MVector3 SceneReader::TargetPoint(const Item& it, const MMatrix& world) const {
  if (it.target >= 0) {
    const MMatrix t = World(it.target);
    return MVector3(t.m[3][0], t.m[3][1], t.m[3][2]);
  }
  return world.Transform(MVector3(0, 1, 0));
}

void SceneReader::LogItem(int i) {
  const Item& it = items_[static_cast<size_t>(i)];
  static const char* const kLabels[] = {"(%d) NullObject:  %s\n", "(%d) Object:      %s\n",
                                        "(%d) LightObject: %s\n", "(%d) CamObject:   %s\n"};
  log_.write(kLabels[it.kind], i, it.name.c_str());
  if (it.kind == kLight || it.kind == kCamera) log_.write("Target            %d\n", it.target);
  if (it.parent < 0) {
    log_.write("Parent\n");
  } else {
    log_.write("Child of %d\n", it.parent);
  }
  if (it.master < 0) {
    log_.write("MasterObject\n");
  } else {
    log_.write("Instance of %d\n", it.master);
  }
  log_.write("Pivot:     %s\n", it.pivot.Print());
  log_.write("Scale:     %s\n", it.scale.Print());
  log_.write("Rotate:    %s\n", it.rotate.Print());
  log_.write("Translate: %s\n", it.translate.Print());
  log_.write("LocMatrix: %s\n", Local(it).Print());
}

void SceneReader::BuildLight(Item& it, const MMatrix& world) {
  log_.write("Type: %d\n", it.light_type);
  log_.write("Color/Int.: (%.3lf, %.3lf, %.3lf) , %.3lf\n", it.color.r, it.color.g, it.color.b, it.intensity);
  // Distant lights are read as point lights; linear and area lights are
  // not kept.
  if (it.light_type != 0 && it.light_type != 1 && it.light_type != 2) return;
  MLight* l = new MLight(it.name.c_str());
  l->position = MVector3(world.m[3][0], world.m[3][1], world.m[3][2]);
  l->color = it.color;
  l->intensity = it.intensity;
  l->active = 1;
  if (it.light_type == 2) {
    log_.write("Falloff: %.3lf\n", it.falloff);
    log_.write("ConeAngle: %.3lf\n", it.cone);
    l->type = SPOTLIGHT;
    l->hotspot = 2.0 * it.cone;
    l->falloff = 200.0 * it.falloff;
    l->target = TargetPoint(it, world);
  }
  ctx_.scene->lights->Append(l);
}

void SceneReader::BuildCamera(Item& it, const MMatrix& world) {
  log_.write("Zoom: %.3lf\n", it.zoom);
  log_.write("Roll: %.3lf\n", it.roll);
  MCamera* c = new MCamera(it.name.c_str());
  c->position = MVector3(world.m[3][0], world.m[3][1], world.m[3][2]);
  c->target = TargetPoint(it, world);
  c->lens = it.zoom * 16.3;
  if (c->lens > 0 && std::isfinite(c->lens)) c->fov = 2.0 * std::atan(c->film_size / (2.0 * c->lens)) * lwo::kDegPerRad;
  c->roll_angle = it.roll;
  ctx_.scene->cameras->Append(c);
}

// The reference's bounds: the master's vertices through the reference's
// matrix (a reference cannot reach its master to compute them itself).
void SetReferenceBounds(MObj3d* ref, MObj3d* master, const MMatrix& m) {
  if (master->get_type() != MESH2) return;
  MMesh_P* mesh = static_cast<MMesh_P*>(master);
  const int n = mesh->Get_Vertex_Count();
  for (int i = 0; i < n; ++i) {
    const MVector3 p = m.Transform(mesh->Get_Vertex(i));
    if (i == 0) {
      ref->bound_left = ref->bound_right = p;
      continue;
    }
    ref->bound_left = MVector3(std::fmin(ref->bound_left.x, p.x), std::fmin(ref->bound_left.y, p.y),
                               std::fmin(ref->bound_left.z, p.z));
    ref->bound_right = MVector3(std::fmax(ref->bound_right.x, p.x), std::fmax(ref->bound_right.y, p.y),
                                std::fmax(ref->bound_right.z, p.z));
  }
}

void SceneReader::BuildObject(int i, const MMatrix& world) {
  Item& it = items_[static_cast<size_t>(i)];
  MObj3d* obj = nullptr;
  if (it.master < 0) {
    log_.write("LoadObject: %s \n", it.path.c_str());
    std::string error;
    MMesh_P* mesh = ImportObjectFile(ctx_, it.path, &error, it.layer);
    if (!mesh) {
      ctx_.run.Warn("%s: object %s left out: %s", ctx_.run.path().c_str(), it.name.c_str(), error.c_str());
      return;
    }
    // Names stay unique: references find their object by name.
    const std::string base = mesh->get_name();
    if (ctx_.scene->GetObjectbyName(base.c_str()) != mesh) {
      int& k = used_names_[base];
      std::string name;
      do {
        name = base + "_" + std::to_string(++k);
      } while (ctx_.scene->GetObjectbyName(name.c_str()));
      mesh->set_name(name.c_str());
    }
    obj = mesh;
  } else {
    const Item& master = items_[static_cast<size_t>(it.master)];
    log_.write("Create Reference for: %s \n", master.name.c_str());
    if (!master.built) {
      log_.write("Error with Object: %s\n", master.name.c_str());
      return;
    }
    const int counter = master.built->Get_RefCounter();
    master.built->Inc_RefCounter();
    MRefObj* ref = new MRefObj(counter, master.built->get_name());
    ctx_.scene->objects->Append(ref);
    SetReferenceBounds(ref, master.built, world);
    obj = ref;
  }
  obj->transformation.Set_LocalMatrix(world);
  log_.write("Matrix: %s\n", world.Print());
  it.built = obj;
}

void SceneReader::Build() {
  log_.write(">>> Statistics:\n");
  const int n = static_cast<int>(items_.size());
  for (int i = 0; i < n; ++i) {
    Item& it = items_[static_cast<size_t>(i)];
    kvpf::ReportItem(ctx_.cb, it.name.c_str(), i, n);
    LogItem(i);
    const MMatrix world = World(i);
    switch (it.kind) {
      case kLight: BuildLight(it, world); break;
      case kCamera: BuildCamera(it, world); break;
      case kObject: BuildObject(i, world); break;
      default: break;  // null objects only carry others
    }
    log_.write("#############################################\n");
    log_.write("\n");
  }
}

}  // namespace

void ImportSceneFile(Context& ctx, FILE* f) {
  SceneReader reader(ctx, f);
  reader.Read();
}

}  // namespace lwoimp
