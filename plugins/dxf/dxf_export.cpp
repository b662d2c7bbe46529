// DXF export: the file's head (comments, HEADER, TABLES with a layer per
// object, BLOCKS), every mesh of the scene in ENTITIES, and the class the
// plug-in describes.
#include <cmath>
#include <cstring>
#include <ctime>
#include <unordered_set>

#include "dxf_export_parts.h"
#include "dxf_options.h"
#include "format_run.h"
#include "plugin_framework.h"

namespace dxf {

// ---- group pairs ----------------------------------------------------------------

void GroupWriter::Code(int code) {
  out_.Int(code);
  out_.EndLine();
}

void GroupWriter::Text(int code, const char* s) {
  Code(code);
  // A line end or other control character inside would split the pair.
  const char* p = s ? s : "";
  size_t n = std::strlen(p);
  if (n > kMaxString) n = kMaxString;
  for (size_t i = 0; i < n; ++i) out_.Put(static_cast<unsigned char>(p[i]) < 32 ? ' ' : p[i]);
  out_.EndLine();
}

void GroupWriter::Int(int code, long v) {
  Code(code);
  out_.Int(v);
  out_.EndLine();
}

void GroupWriter::Real(int code, double v) {
  Code(code);
  if (!std::isfinite(v)) {
    ++bad_numbers_;
    v = 0;
  }
  out_.General(v, 15);
  out_.EndLine();
}

void GroupWriter::Point(int base, const MVector3& p) {
  Real(base, p.x);
  Real(base + 10, p.y);
  Real(base + 20, p.z);
}

std::string LayerName(const char* object_name) {
  // Characters a layer name may not hold, control characters included.
  static const char kInvalid[] = "<>/\\\":;?*|=`";
  std::string s = object_name ? object_name : "";
  for (char& c : s)
    if (static_cast<unsigned char>(c) < 32 || std::strchr(kInvalid, c)) c = '_';
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  s = s.substr(b, e - b);
  if (s.size() > kMaxString) s.resize(kMaxString);
  return s.empty() ? std::string("0") : s;
}

namespace {

const char kTitle[] = "DXF Export Plugin 1.0";
const char kNotice[] = "AutoCAD DXF (release 12) of polygon meshes";

void Section(GroupWriter& out, const char* name) {
  out.Text(kCodeType, kSection);
  out.Text(kCodeName, name);
}

void EndSection(GroupWriter& out) { out.Text(kCodeType, kEndSection); }

void Head(GroupWriter& out, const std::string& path) {
  out.Text(kCodeComment, kNotice);
  char when[64] = "";
  const std::time_t now = std::time(nullptr);
  // ctime's text ends in a line end of its own: left out.
  if (const char* t = std::ctime(&now)) {
    std::strncpy(when, t, sizeof when - 1);
    when[std::strcspn(when, "\r\n")] = 0;
  }
  out.Text(kCodeComment, std::string("Created by DXF Export Plugin 1.0 at ") + when);
  out.Text(kCodeComment, "File " + path);
  Section(out, kHeader);
  out.Text(kCodeVariable, kVersionVariable);
  out.Text(kCodeText, "AC1009");
  EndSection(out);
}

// The linetype every layer names, and one layer per object.
void Tables(GroupWriter& out, const std::vector<std::string>& layers) {
  Section(out, kTables);
  out.Text(kCodeType, kTable);
  out.Text(kCodeName, "LTYPE");
  out.Int(kCodeFlags, 1);
  out.Text(kCodeType, "LTYPE");
  out.Text(kCodeName, "CONTINUOUS");
  out.Int(kCodeFlags, 0);
  out.Text(3, "Solid line");
  out.Int(kCodeCount2, 65);
  out.Int(kCodeCount3, 0);
  out.Real(kCodeRadius, 0.0);
  out.Text(kCodeType, kEndTable);
  out.Text(kCodeType, kTable);
  out.Text(kCodeName, kLayerEntry);
  out.Int(kCodeFlags, static_cast<long>(layers.size()));
  for (const std::string& name : layers) {
    out.Text(kCodeType, kLayerEntry);
    out.Text(kCodeName, name);
    out.Int(kCodeFlags, 0);
    out.Int(kCodeColor, 7);
    out.Text(kCodeLinetype, "CONTINUOUS");
  }
  out.Text(kCodeType, kEndTable);
  EndSection(out);
}

const char* ObjectName(const MExportMesh& m) {
  const char* name = m.object->get_name();
  if (name && *name) return name;
  return m.source->get_name();
}

int ExportDxf(MScene* scene, Export_FileOption* base, MessageCallBack1* cb) {
  DxfExportOption* o = static_cast<DxfExportOption*>(base);
  kvpf::ExportRun run(o, cb, kTitle);
  LogFile& log = run.log();
  MOutputFile* f = run.Open();
  if (!f) return 0;

  // The layer table comes before the entities: one walk for the names.
  MExportWalkOptions names_only;
  names_only.triangulate = false;
  names_only.report_objects = false;
  std::vector<std::string> layers{"0"};
  std::unordered_set<std::string> seen{"0"};
  ForEachExportMesh(scene, nullptr, names_only, [&](const MExportMesh& m) {
    std::string layer = LayerName(ObjectName(m));
    if (seen.insert(FoldName(layer)).second) layers.push_back(layer);
  });

  ExportCounts counts;
  long bad_numbers = 0;
  {
    MTextWriter text(*f, o->ld_mode);
    GroupWriter out(text);
    Head(out, run.path());
    Tables(out, layers);
    Section(out, kBlocks);
    EndSection(out);
    Section(out, kEntities);
    const char* steps[] = {"Settings ...", "Background ...", "Atmosphere ...", "Cameras ...", "Lights ..."};
    for (int i = 0; i < 5; ++i) kvpf::ReportStep(cb, i, 6, steps[i]);
    kvpf::ReportStep(cb, 5, 6, "Meshes ...");
    MExportWalkOptions walk;
    walk.triangulate = false;  // quads stay quads; larger polygons are cut here
    ForEachExportMesh(scene, cb, walk, [&](const MExportMesh& m) {
      WriteMesh(out, scene, m.mesh, m.matrix, LayerName(ObjectName(m)), o->export_dxf_type != 0, log, cb, &counts);
    });
    log.write("Writing %s finished       \n", run.path().c_str());
    EndSection(out);
    out.Text(kCodeType, kEndOfFile);
    bad_numbers = out.bad_numbers();
  }
  if (counts.faces_skipped)
    run.Warn("%ld faces with fewer than three corners or corners outside their mesh were left out",
             counts.faces_skipped);
  if (counts.meshes_as_3dface)
    run.Warn("%ld meshes past the polyface limit of %d vertices or faces were written as 3DFACE entities",
             counts.meshes_as_3dface, kMaxPolyfaceIndex);
  if (bad_numbers) run.Warn("%ld coordinates that were not finite numbers were written as 0", bad_numbers);
  return run.Finish();
}

Export_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new DxfExportOption(argc, argv);
  return new DxfExportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  if (max < 1) return 0;
  DxfExportOption* o = static_cast<DxfExportOption*>(base);
  out[0] = KvOptionField{1030, "Polyface Meshes (0 = 3DFACE)", KV_FIELD_INT, &o->export_dxf_type,
                         sizeof o->export_dxf_type};
  return 1;
}

kvpf::ExportClassDesc dxf_export_desc(kvpf::ExportClassInfo{"Autocad ASCII (*.dxf)", 0x4C010CF1u,
                                                            kvpf::PluginTexts{"DXF", DxfExportOption::Help()},
                                                            NewOptions, ExportDxf, OptionFields}, kAxesZUp);

PluginClassDesc* const kClasses[] = {&dxf_export_desc};

}  // namespace
}  // namespace dxf

KV_PLUGIN_LIBRARY("DXF Export Lib", dxf::kClasses)
