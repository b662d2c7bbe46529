#include "dxf_options.h"

#include <cmath>

#include "cmdline.h"
#include "profile.h"

namespace {

char kImportKey[] = "import_dxf";
char kImportLog[] = "importdxf.log";
char kExportKey[] = "exportdxf";
char kExportLog[] = "exportdxf.log";
char kExt[] = "dxf";
char kSpecific[] = "Specific Settings";

constexpr double kTwoPi = 6.283185307179586;
// A full circle has at most 3600 and at least 3 segments.
constexpr double kMinArcStep = kTwoPi / 3600.0;
constexpr double kMaxArcStep = kTwoPi / 3.0;

struct IntKey {
  const char* key;
  int DxfImportOption::*value;
};
struct DoubleKey {
  const char* key;
  double DxfImportOption::*value;
};

const IntKey kIntKeys[] = {{"dxf_obj_mode", &DxfImportOption::dxf_obj_mode},
                           {"dxf_cap_flag", &DxfImportOption::dxf_cap_flag},
                           {"dxf_backside_flag", &DxfImportOption::dxf_backside_flag},
                           {"dxf_block_names", &DxfImportOption::dxf_block_names}};
const DoubleKey kDoubleKeys[] = {{"dxf_arc_step", &DxfImportOption::dxf_arc_step},
                                 {"dxf_zero_extrusion", &DxfImportOption::dxf_zero_extrusion}};

}  // namespace

const char* DxfImportOption::Filter() { return "DXF Ascii File            (*.dxf)|*.dxf|All Files (*.*)|*.*||"; }

const char* DxfImportOption::Help() {
  return "** DXF Import Plugin 1.0 **\n\tImports *.dxf, ASCII and binary AutoCAD DXF up to release 13\n"
         "\t-dxf_obj_mode=IVAL; // meshes by 0 = layer, 1 = colour, 2 = entity\n"
         "\t-dxf_arc_step=DVAL; // angle step in radians for circles and arcs\n"
         "\t-dxf_zero_extrusion=DVAL; // thickness of entities without one\n"
         "\t-dxf_cap_flag=FLAG; // close extruded circles, solids and closed polylines\n"
         "\t-dxf_backside_flag=FLAG; // add every face a second time, reversed\n"
         "\t-dxf_block_names=FLAG; // inserted blocks go into meshes named after the block\n\n";
}

DxfImportOption::DxfImportOption() : Import_FileOption(kImportKey, kImportLog) {
  Set_Filter(Filter());
  Profile store(kImportKey);
  for (const IntKey& k : kIntKeys) {
    int& field = this->*k.value;
    unsigned long v = static_cast<unsigned long>(field);
    if (store.GetInt(kSpecific, k.key, field, &v)) field = static_cast<int>(v);
  }
  for (const DoubleKey& k : kDoubleKeys) {
    double& field = this->*k.value;
    double v = field;
    if (store.GetDouble(kSpecific, k.key, field, &v)) field = v;
  }
}

DxfImportOption::DxfImportOption(int argc, char** argv) : Import_FileOption(argc, argv, kImportLog) {
  Set_Filter(Filter());
  for (const IntKey& k : kIntKeys) {
    int& field = this->*k.value;
    int v = field;
    if (m_get_cmdl_int(argc, argv, k.key, field, &v)) field = v;
  }
  for (const DoubleKey& k : kDoubleKeys) {
    double& field = this->*k.value;
    double v = field;
    if (m_get_cmdl_double(argc, argv, k.key, field, &v)) field = v;
  }
}

DxfImportOption::~DxfImportOption() {
  // Command-line records never write the store.
  if (cmd_mode) return;
  Profile store(kImportKey);
  for (const IntKey& k : kIntKeys)
    store.WriteInt(kSpecific, k.key, static_cast<unsigned long>(static_cast<long>(this->*k.value)));
  for (const DoubleKey& k : kDoubleKeys) store.WriteDouble(kSpecific, k.key, this->*k.value);
}

void DxfImportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Import_FileOption::Print_Options(fp);
  std::fprintf(fp, "\t dxf_obj_mode      : %d\n", dxf_obj_mode);
  std::fprintf(fp, "\t dxf_arc_step      : %lf\n", dxf_arc_step);
  std::fprintf(fp, "\t dxf_zero_extrusion: %lf\n", dxf_zero_extrusion);
  std::fprintf(fp, "\t dxf_cap_flag      : %d\n", dxf_cap_flag);
  std::fprintf(fp, "\t dxf_backside_flag : %d\n", dxf_backside_flag);
  std::fprintf(fp, "\t dxf_block_names   : %d\n", dxf_block_names);
}

int DxfImportOption::ObjMode() const { return dxf_obj_mode >= 0 && dxf_obj_mode <= 2 ? dxf_obj_mode : 0; }

double DxfImportOption::ArcStep() const {
  const double s = dxf_arc_step;
  if (!(s >= kMinArcStep)) return std::isnan(s) ? 0.15707963267948966 : kMinArcStep;
  return s > kMaxArcStep ? kMaxArcStep : s;
}

double DxfImportOption::ZeroExtrusion() const {
  return std::isfinite(dxf_zero_extrusion) ? dxf_zero_extrusion : 0.001;
}

const char* DxfExportOption::Filter() {
  return "Autodesk ASCII Mesh File     (*.dxf)|*.dxf|All Files (*.*)|*.*||";
}

const char* DxfExportOption::Help() {
  return "** DXF Export Plugin 1.0 **\n\tExports *.dxf, ASCII AutoCAD DXF (release 12)\n"
         "\t-export_dxf_type=IFLAG; // 0 = 3DFace, 1 = PolyMesh\n\n";
}

DxfExportOption::DxfExportOption() : Export_FileOption(kExportKey, kExportLog) {
  Set_Filter(Filter());
  Set_Ext(kExt);
  Profile store(kExportKey);
  unsigned long v = static_cast<unsigned long>(export_dxf_type);
  if (store.GetInt(kSpecific, "export_dxf_type", export_dxf_type, &v)) export_dxf_type = static_cast<int>(v);
}

DxfExportOption::DxfExportOption(int argc, char** argv) : Export_FileOption(argc, argv, kExportLog) {
  Set_Filter(Filter());
  Set_Ext(kExt);
  int v = export_dxf_type;
  if (m_get_cmdl_int(argc, argv, "export_dxf_type", export_dxf_type, &v)) export_dxf_type = v;
}

DxfExportOption::~DxfExportOption() {
  if (cmd_mode) return;
  Profile store(kExportKey);
  store.WriteInt(kSpecific, "export_dxf_type", static_cast<unsigned long>(static_cast<long>(export_dxf_type)));
}

void DxfExportOption::Print_Options(FILE* fp) {
  if (!fp) return;
  Export_FileOption::Print_Options(fp);
  std::fprintf(fp, "\t export_dxf_type: %d\n", export_dxf_type);
}
