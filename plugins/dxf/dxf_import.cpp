// DXF import: the file's sections, its entities by type, and the class the
// plug-in describes.
#include <cmath>
#include <cstring>

#include "dxf_import_parts.h"
#include "plugin_framework.h"

namespace dxf {
namespace {

const char kTitle[] = "DXF Import Plugin 1.0";
const char kDefaultSurface[] = "DEFAULT";
const char kDefaultBlock[] = "default_block";

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

}  // namespace

// ---- the entity record ---------------------------------------------------------

void Entity::Reset(const std::string& type, double start_width, double end_width) {
  for (std::string& s : str) s.clear();
  // Blanks around the type would hide it.
  size_t b = 0, e = type.size();
  while (b < e && (type[b] == ' ' || type[b] == '\t')) ++b;
  while (e > b && (type[e - 1] == ' ' || type[e - 1] == '\t')) --e;
  str[kCodeType].assign(type, b, e - b);
  for (double& r : real) r = 0;
  for (int& i : ints) i = 0;
  extrusion = MVector3(0, 0, 1);
  real_seen = 0;
  int_seen = 0;
  auto set_real = [this](int code, double v) { real[code - kFirstRealCode] = v; };
  auto set_int = [this](int code, int v) { ints[code - kFirstIntCode] = v; };
  set_int(kCodeColor, kDefaultColor);
  const std::string& t = str[kCodeType];
  if (t == "VERTEX") {
    set_real(kCodeRadius, start_width);
    set_real(kCodeEndWidth, end_width);
  } else if (t == "INSERT") {
    set_real(kCodeScaleX, 1.0);
    set_real(kCodeScaleY, 1.0);
    set_real(kCodeScaleZ, 1.0);
    set_int(kCodeFlags, 1);
    set_int(kCodeCount1, 1);
  } else if (t == "SHAPE") {
    set_real(kCodeRadius, 1.0);
  } else if (t != "POLYLINE" && t != "3DFACE") {
    set_real(kCodeEndWidth, 1.0);
  }
}

void Entity::Take(const GroupReader& g) {
  const int c = g.code();
  switch (g.kind()) {
    case ValueKind::kString:
      if (c > kCodeType && c <= kLastStringCode) str[c] = g.text();
      break;
    case ValueKind::kReal:
      if (c <= kLastRealCode) {
        real[c - kFirstRealCode] = g.real();
        real_seen |= uint64_t(1) << (c - kFirstRealCode);
      } else if (c == kCodeExtrusionX) {
        extrusion.x = g.real();
      } else if (c == kCodeExtrusionY) {
        extrusion.y = g.real();
      } else if (c == kCodeExtrusionZ) {
        extrusion.z = g.real();
      }
      break;
    case ValueKind::kInt:
      ints[c - kFirstIntCode] = g.integer();
      int_seen |= uint32_t(1) << (c - kFirstIntCode);
      break;
  }
}

MVector3 Entity::Point(int base) const {
  MVector3 p(Real(base), Real(base + 10), Real(base + 20));
  const double elevation = Real(kCodeElevation);
  if (elevation != 0) p.z = elevation;
  return p;
}

// ---- object coordinates ----------------------------------------------------------

Ocs::Ocs(const MVector3& normal) {
  const double len = normal.Length();
  if (!(len > 0) || !std::isfinite(len)) return;  // no usable direction: the world axes
  const MVector3 n = normal / len;
  if (n.x == 0 && n.y == 0 && n.z == 1) return;
  // The Arbitrary Axis Algorithm of the format.
  constexpr double kNear = 1.0 / 64.0;
  const MVector3 wy(0, 1, 0), wz(0, 0, 1);
  ax = vect_normalize(std::fabs(n.x) < kNear && std::fabs(n.y) < kNear ? vect_cross(wy, n) : vect_cross(wz, n));
  ay = vect_normalize(vect_cross(n, ax));
  az = n;
  identity = false;
}

MMatrix Ocs::Matrix() const {
  MMatrix m(1);
  const MVector3 rows[3] = {ax, ay, az};
  for (int r = 0; r < 3; ++r) {
    m.m[r][0] = rows[r].x;
    m.m[r][1] = rows[r].y;
    m.m[r][2] = rows[r].z;
  }
  return m;
}

// ---- the importer ------------------------------------------------------------------

Importer::Importer(MScene* scene, DxfImportOption* options, kvpf::ImportRun& run)
    : scene_(scene),
      o_(options),
      run_(run),
      log_(run.log()),
      cb_(run.cb()),
      mode_(options->ObjMode()),
      arc_step_(options->ArcStep()),
      zero_extrusion_(options->ZeroExtrusion()),
      weld_tol_(options->weld_tol),
      caps_(options->dxf_cap_flag != 0),
      backside_(options->dxf_backside_flag != 0),
      block_names_(options->dxf_block_names != 0),
      surface_made_(kPaletteSize, false),
      current_block_name_(kDefaultBlock) {}

Importer::~Importer() {
  // Meshes not handed to the scene (block definitions, a failed run).
  for (auto& s : slots_) delete s->mesh;
}

void Importer::Progress(const GroupReader& in) {
  if (!cb_ || !cb_->progress1) return;
  const long pos = in.Position();
  const long size = in.Size();
  const long step = size / 256 > (1L << 16) ? size / 256 : (1L << 16);
  if (last_progress_ >= 0 && pos - last_progress_ < step) return;
  last_progress_ = pos;
  cb_->progress1(pos, size);
}

void Importer::DumpError(const GroupReader& in) {
  log_.write("### Error in DXF file!\n");
  log_.write("gcode = %2d: ", in.code());
  switch (in.kind()) {
    case ValueKind::kReal: log_.write("%9.4f\n", in.real()); break;
    case ValueKind::kInt: log_.write("%hd\n", static_cast<short>(in.integer())); break;
    case ValueKind::kString: log_.write("Unknown type\n"); break;
  }
}

void Importer::Read(GroupReader& in) {
  bool have = in.Next();
  while (have) {
    Progress(in);
    if (in.Is(kCodeType, kEndOfFile)) break;
    if (!in.Is(kCodeType, kSection)) {
      have = in.Next();
      continue;
    }
    if (!in.Next()) break;
    if (in.code() != kCodeName || in.kind() != ValueKind::kString) {
      // The pair stays: it may open the next section.
      DumpError(in);
      continue;
    }
    ++sections_;
    const std::string name = Trim(in.text());
    if (!in.Next()) break;
    if (name == kBlocks) {
      log_.write("Parsing BLOCKS ...\n");
      have = ReadEntities(in, true);
    } else if (name == kEntities) {
      log_.write("Parsing ENTITIES ...\n");
      have = ReadEntities(in, false);
    } else if (name == kTables) {
      have = ReadTables(in);
    } else if (name == kHeader) {
      have = ReadHeader(in);
    } else {
      have = SkipSection(in);
    }
  }
  // A section cut off by the end of the file or a bad pair ends here too.
  if (pl_.open) EndPolyline();
  if (in.Failed()) log_.write("Error reading DXF file\n");
}

bool Importer::SkipSection(GroupReader& in) {
  for (;;) {
    if (in.Is(kCodeType, kEndSection)) return in.Next();
    if (in.Is(kCodeType, kSection) || in.Is(kCodeType, kEndOfFile)) return true;
    if (!in.Next()) return false;
  }
}

bool Importer::ReadHeader(GroupReader& in) {
  bool version = false;
  for (;;) {
    if (in.code() == kCodeType) return SkipSection(in);
    if (in.code() == kCodeVariable) {
      version = in.text() == kVersionVariable;
    } else if (version && in.code() == kCodeText) {
      log_.write("DXF version %s\n", in.text().c_str());
      version = false;
    }
    if (!in.Next()) return false;
  }
}

bool Importer::ReadRecord(GroupReader& in) {
  e_.Reset(in.text(), pl_.start_width, pl_.end_width);
  while (in.Next()) {
    if (in.code() == kCodeType) return true;
    e_.Take(in);
  }
  return false;
}

bool Importer::ReadTables(GroupReader& in) {
  for (;;) {
    if (in.code() != kCodeType) {
      if (!in.Next()) return false;
      continue;
    }
    if (in.Is(kCodeType, kEndSection)) return in.Next();
    if (in.Is(kCodeType, kSection) || in.Is(kCodeType, kEndOfFile)) return true;
    const bool have = ReadRecord(in);
    if (have && e_.type() == kLayerEntry && !e_.Name().empty()) {
      // A switched-off layer has its colour negated.
      int c = Magnitude(e_.Int(kCodeColor));
      if (c < 1 || c >= kPaletteSize) c = kDefaultColor;
      layer_colors_[FoldName(e_.Name())] = c;
    }
    if (!have) return false;
  }
}

bool Importer::ReadEntities(GroupReader& in, bool blocks) {
  in_blocks_ = blocks;
  current_block_ = -1;
  current_block_name_ = kDefaultBlock;
  current_base_ = MVector3();
  auto end = [this] {
    if (pl_.open) EndPolyline();
    in_blocks_ = false;
  };
  for (;;) {
    if (in.code() != kCodeType) {
      if (!in.Next()) break;
      continue;
    }
    if (in.Is(kCodeType, kEndSection)) {
      end();
      return in.Next();
    }
    if (in.Is(kCodeType, kSection) || in.Is(kCodeType, kEndOfFile)) {
      end();
      return true;
    }
    if (!ReadRecord(in)) {
      // Without the next 0 group nothing says the entity is complete.
      log_.write("### %s entity cut off by the end of the file\n", e_.type().c_str());
      cut_short_ = true;
      break;
    }
    Dispatch();
    Progress(in);
  }
  end();
  return false;
}

void Importer::Dispatch() {
  const std::string& t = e_.type();
  const bool vertex = t == "VERTEX";
  if (pl_.open && !vertex && t != "SEQEND") {
    log_.write("### Polyline without SEQEND\n");
    EndPolyline();
  }
  if (vertex) {
    Vertex();
  } else if (t == "3DFACE") {
    Face3d();
  } else if (t == "POLYLINE") {
    StartPolyline();
  } else if (t == "SEQEND") {
    if (pl_.open) {
      EndPolyline();
    } else {
      log_.write("### SEQEND without POLYLINE\n");
    }
  } else if (t == "LINE") {
    Line();
  } else if (t == "CIRCLE") {
    Circle(false);
  } else if (t == "ARC") {
    Circle(true);
  } else if (t == "SOLID" || t == "TRACE") {
    Solid();
  } else if (t == "INSERT") {
    Insert();
  } else if (t == "BLOCK" && in_blocks_) {
    StartBlock();
  } else if (t == "ENDBLK" && in_blocks_) {
    EndBlock();
  } else if (t == "POINT") {
    log_.write("Point is not supported\n");
  } else if (t == "TEXT") {
    log_.write("Text is not supported\n");
  } else if (t != "DUMMY") {
    log_.write("Ignored %s entity\n", t.c_str());
  }
}

void Importer::Finish() {
  ExpandInserts();
  for (int index : model_order_) {
    Slot& s = *slots_[index];
    if (s.mesh->Get_Face_Count() > 0) {
      scene_->objects->Append(s.mesh);
      log_.write("Mesh %s: %d vertices, %d faces\n", s.mesh->get_name(), s.mesh->Get_Vertex_Count(),
                 s.mesh->Get_Face_Count());
    } else {
      delete s.mesh;
    }
    s.mesh = nullptr;
  }
}

// ---- the import routine ------------------------------------------------------------

namespace {

static_assert(sizeof(double) == 8 && sizeof(int16_t) == 2 && sizeof(int32_t) == 4, "binary DXF sizes");

void ImportDxf(MScene* scene, Import_FileOption* base, MessageCallBack1* cb) {
  DxfImportOption* o = static_cast<DxfImportOption*>(base);
  kvpf::ImportRun run(o, cb, kTitle);
  LogFile& log = run.log();
  scene->surfaces->Append(new MSurface(kDefaultSurface));

  MFileView view;
  if (!run.OpenInput(&view)) return;
  const long size = static_cast<long>(view.size());
  Importer importer(scene, o, run);
  std::string reason;
  bool failed = false;
  if (view.StartsWith(kBinarySentinel, kBinarySentinelLength)) {
    const bool wide = view.size() > kBinaryReleaseByte && view.data()[kBinaryReleaseByte] == 0;
    log.write("Binary DXF file ");
    log.write(wide ? "Rel. 13 or higher\n" : "Rel. 12 or less\n");
    const size_t skip = view.size() < kBinaryHeaderLength ? view.size() : kBinaryHeaderLength;
    GroupReader in(view.data() + skip, view.size() - skip, wide, log);
    importer.Read(in);
    failed = in.Failed();
    reason = in.reason();
  } else {
    log.write("Ascii DXF file\n");
    view.Close();
    FILE* f = run.OpenInputStream();
    if (!f) return;
    GroupReader in(f, size, log);
    importer.Read(in);
    failed = in.Failed();
    reason = in.reason();
    std::fclose(f);
  }
  if (!importer.SawSection())
    return run.Fail("%s is not a DXF file: %s", run.path().c_str(), failed ? reason.c_str() : "no SECTION in it");
  importer.Finish();
  if (failed) {
    run.Warn("%s: reading stopped (%s); the %ld faces read before are kept", run.path().c_str(), reason.c_str(),
             importer.FaceCount());
  } else if (importer.CutShort()) {
    run.Warn("%s ends inside a section; its last entity is left out", run.path().c_str());
  }
  run.Finish(scene);
}

Import_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new DxfImportOption(argc, argv);
  return new DxfImportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  DxfImportOption* o = static_cast<DxfImportOption*>(base);
  const KvOptionField fields[] = {
      {1026, "Object Mode (0 layer, 1 colour, 2 entity)", KV_FIELD_INT, &o->dxf_obj_mode, sizeof o->dxf_obj_mode},
      {1027, "Arc Step (radians)", KV_FIELD_DOUBLE, &o->dxf_arc_step, sizeof o->dxf_arc_step},
      {1028, "Zero Extrusion", KV_FIELD_DOUBLE, &o->dxf_zero_extrusion, sizeof o->dxf_zero_extrusion},
      {1029, "Close Extrusions", KV_FIELD_FLAG, &o->dxf_cap_flag, sizeof o->dxf_cap_flag},
      {1030, "Backsides", KV_FIELD_FLAG, &o->dxf_backside_flag, sizeof o->dxf_backside_flag},
      {1031, "Meshes Named After Blocks", KV_FIELD_FLAG, &o->dxf_block_names, sizeof o->dxf_block_names},
      {1032, "Weld Tolerance", KV_FIELD_DOUBLE, &o->weld_tol, sizeof o->weld_tol},
  };
  int n = 0;
  for (const KvOptionField& f : fields)
    if (n < max) out[n++] = f;
  return n;
}

kvpf::ImportClassDesc dxf_import_desc(kvpf::ImportClassInfo{"Autocad  (*.dxf)", 0x43CE4169u,
                                                            kvpf::PluginTexts{"DXF", DxfImportOption::Help()},
                                                            NewOptions, ImportDxf, OptionFields}, kAxesZUp);

PluginClassDesc* const kClasses[] = {&dxf_import_desc};

}  // namespace
}  // namespace dxf

KV_PLUGIN_LIBRARY("DXF Import Lib", dxf::kClasses)
