// RAW export: every mesh and solid of a scene as triangle lines.
#include <cstring>

#include "format_run.h"
#include "korvanelib.h"
#include "plugin_framework.h"
#include "raw_options.h"

namespace {

const char kTitle[] = "RAW Export Plugin 1.0";
const char kHelp[] =
    "Raw Export Plugin 1.0\n\nExports *.raw, generic ASCII file\n\nCommon Settings:\n\n\tVerbose: enable detailed "
    "logging\n\tLog File name: enter new log file name\n\tSubDir: adds import filename as sub dir to full export "
    "file name\n\nSpecific Settings:\n\n\tSmooth flag: enables smoothed raw output\n\n";

inline bool IsDigitStart(const char* s) { return *s >= '0' && *s <= '9'; }

bool IsIdentity(const MMatrix& M) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (M.m[r][c] != (r == c ? 1.0 : 0.0)) return false;
  return true;
}

void WriteMesh(MTextWriter& out, const MExportMesh& e, int smoothed, kvpf::ExportRun& run, MessageCallBack1* cb) {
  MMesh_P* m = e.mesh;
  const MMatrix& M = e.matrix;
  // A reference is written as a copy under the name of what it names.
  const char* nm = e.source->get_name() ? e.source->get_name() : "";
  const char* listed = e.object->get_name() ? e.object->get_name() : "";
  run.log().write("Working on: %s\n", nm);
  // The name line, cut to 1023 characters; a leading digit would read back
  // as a triangle, and a control character would break the line apart.
  char line[1025];
  size_t n = 0;
  bool changed = IsDigitStart(nm);
  if (changed) line[n++] = '_';
  const char* p = nm;
  for (; *p && n < 1023; ++p) {
    changed |= static_cast<unsigned char>(*p) < 32;
    line[n++] = static_cast<unsigned char>(*p) < 32 ? '_' : *p;
  }
  out.Put(line, n);
  out.EndLine();
  // What a triangle list cannot hold.
  if (*p) run.Lose(nm, KV_LOSS_NAME_CUT);
  if (changed) run.Lose(nm, KV_LOSS_NAME_CHANGED);
  run.LoseWalkChanges(e);
  run.LoseMaterials(e);
  if (e.object != e.source) run.Lose(listed, KV_LOSS_HIERARCHY_FLATTENED);
  if (m->UVUsed()) run.Lose(listed, KV_LOSS_UVS_DROPPED);
  if (cb) cb->msg1("Faces ...");
  int faces = m->Get_Face_Count();
  bool normals = smoothed && m->NormalsUsed() && m->Get_NFace_Count() >= faces;
  if (m->NormalsUsed() && !normals) run.Lose(listed, KV_LOSS_NORMALS_DROPPED);
  long short_faces = 0;
  // Multiplying by the identity would turn -0 into 0 and change the text of
  // a round trip; an untransformed object is written as it is.
  bool identity = IsIdentity(M);
  MVector3 a, b, c;
  for (int i = 0; i < faces; ++i) {
    if (cb) cb->progress3(i, faces);
    if (m->Get_VertexperFace_Count(i) < 3) {
      ++short_faces;
      continue;
    }
    m->Get_Tri(i, a, b, c);
    out.Vector(identity ? a : M.Transform(a));
    out.Put(' ');
    out.Vector(identity ? b : M.Transform(b));
    out.Put(' ');
    out.Vector(identity ? c : M.Transform(c));
    if (normals && m->Get_NVertexperFace_Count(i) >= 3) {
      m->Get_NTri(i, a, b, c);
      out.Put(' ');
      out.Vector(vect_normalize(identity ? a : M.NTransform(a)));
      out.Put(' ');
      out.Vector(vect_normalize(identity ? b : M.NTransform(b)));
      out.Put(' ');
      out.Vector(vect_normalize(identity ? c : M.NTransform(c)));
    }
    out.EndLine();
  }
  run.Lose(listed, KV_LOSS_FACES_DROPPED, short_faces);
}

int ExportRaw(MScene* scene, Export_FileOption* base, MessageCallBack1* cb) {
  RawExportOption* o = static_cast<RawExportOption*>(base);
  kvpf::ExportRun run(o, cb, kTitle);
  run.AccountLosses();
  MOutputFile* f = run.Open();
  if (!f) return 0;
  if (cb) cb->msg1("Mesh");
  if (cb) cb->progress1(0, 1);
  {
    MTextWriter out(*f, o->ld_mode);
    ForEachExportMesh(scene, cb, MExportWalkOptions{}, [&](const MExportMesh& m) {
      WriteMesh(out, m, o->smoothed, run, cb);
    });
  }
  run.LoseCameras(scene);
  run.LoseLights(scene);
  run.LoseMaps(scene);
  return run.Finish();
}

Export_FileOption* NewOptions(int cmd_mode, int argc, char** argv) {
  if (cmd_mode) return new RawExportOption(argc, argv);
  return new RawExportOption();
}

int OptionFields(Base_FileOption* base, KvOptionField* out, int max) {
  if (max < 1) return 0;
  RawExportOption* o = static_cast<RawExportOption*>(base);
  out[0] = KvOptionField{1030, "Smoothed Raw", KV_FIELD_FLAG, &o->smoothed, sizeof o->smoothed};
  return 1;
}

kvpf::ExportClassDesc raw_export_desc(kvpf::ExportClassInfo{
    "Raw (*.raw)", 0x38B21086u, kvpf::PluginTexts{"Raw", kHelp}, NewOptions, ExportRaw, OptionFields});

PluginClassDesc* const kClasses[] = {&raw_export_desc};

}  // namespace

KV_PLUGIN_LIBRARY("Raw Export Lib", kClasses)
