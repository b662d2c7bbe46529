#include "conversion.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "korvanelib.h"
#include "plugin_host.h"

namespace {

const char* const kTypeNames[] = {"TNULL", "MESH2", "BSPLINES", "NURBS", "GROUP", "CSG", "OREF", "TSOLID"};

bool IsImportClass(PluginClassDesc* d) { return d && d->SuperClassID() == MESH_IMPORT_CLASS_ID; }
bool IsExportClass(PluginClassDesc* d) { return d && d->SuperClassID() == MESH_EXPORT_CLASS_ID; }

// "path/base.ext" -> "path/base_k.ext".
std::string WithSuffix(const std::string& path, int k) {
  size_t slash = path.find_last_of("/\\");
  size_t start = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < start) dot = path.size();
  return path.substr(0, dot) + "_" + std::to_string(k) + path.substr(dot);
}

// Creates the import or export object of a class, hands it to call and
// destroys it; 0 when the class is neither or cannot create one.
template <class Call>
int WithClassObject(PluginClassDesc* d, Call call) {
  if (IsImportClass(d)) {
    if (MeshImporter* o = static_cast<MeshImporter*>(d->Create())) {
      call(o);
      o->Destroy();
      return 1;
    }
  } else if (IsExportClass(d)) {
    if (MeshExporter* o = static_cast<MeshExporter*>(d->Create())) {
      call(o);
      o->Destroy();
      return 1;
    }
  }
  return 0;
}

}  // namespace

const char* ObjectTypeName(int type) {
  if (type < 0 || type >= static_cast<int>(sizeof kTypeNames / sizeof kTypeNames[0])) return "UNKNOWN";
  return kTypeNames[type];
}

std::string ObjectListLine(MObj3d* obj) {
  if (!obj) return "";
  const char* prefix = nullptr;
  switch (obj->get_type()) {
    case MESH2: prefix = "(M) "; break;
    case OREF: prefix = "(R) "; break;
    case TSOLID: prefix = "(S) "; break;
    default: return "";
  }
  const char* name = obj->get_name();
  return std::string(prefix) + (name ? name : "");
}

void DeleteScene(void* p) {
  MScene* scene = static_cast<MScene*>(p);
  if (!scene) return;
  scene->~MScene();
  my_free(scene);
}

ConversionDriver::ConversionDriver(PluginRegistry& registry)
    : scenes(new MList(DeleteScene)), registry_(registry) {}

namespace {
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kLeaksChecked = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(leak_sanitizer)
constexpr bool kLeaksChecked = true;
#else
constexpr bool kLeaksChecked = false;
#endif
#else
constexpr bool kLeaksChecked = false;
#endif
}  // namespace

ConversionDriver::~ConversionDriver() {
  if (leave_scenes_ && !kLeaksChecked) return;
  delete scenes;
}

void ConversionDriver::ReplaceScenes(MScene* scene) {
  scenes->Clear();
  scenes->Append(scene);
}

int ConversionDriver::ImportFile(int class_index, const char* path) {
  last_error.clear();
  warnings.clear();
  PluginClassDesc* d = registry_.GetClass(class_index);
  if (!IsImportClass(d)) {
    last_error = "No import class";
    return 0;
  }
  MeshImporter* o = static_cast<MeshImporter*>(d->Create());
  if (!o) {
    last_error = "Out of memory";
    return 0;
  }
  MScene* scene = o->ImportFile(path ? path : "");
  o->Destroy();
  warnings = registry_.LastWarnings(class_index);
  if (!scene) {
    last_error = registry_.LastError(class_index);
    if (last_error.empty()) last_error = "No scene";
    return 0;
  }
  ReplaceScenes(scene);
  return 1;
}

int ConversionDriver::ImportByName(const char* path) {
  last_error.clear();
  int i = registry_.FindImportClass(path ? path : "");
  if (i < 0) {
    last_error = "Extension not recognized!";
    return -1;
  }
  return ImportFile(i, path);
}

int ConversionDriver::ImportInteractive(int class_index) {
  last_error.clear();
  PluginClassDesc* d = registry_.GetClass(class_index);
  if (!IsImportClass(d)) {
    last_error = "No import class";
    return 0;
  }
  MeshImporter* o = static_cast<MeshImporter*>(d->Create());
  if (!o) return 0;
  MScene* scene = o->ImportInteractive();
  o->Destroy();
  if (!scene) return 0;  // cancelled: nothing changes
  ReplaceScenes(scene);
  return 1;
}

int ConversionDriver::ExportFile(int class_index, const char* path, std::vector<std::string>* written) {
  last_error.clear();
  losses.clear();
  losses_accounted = false;
  if (scenes->count == 0) {
    last_error = "No Scene available";
    return 0;
  }
  PluginClassDesc* d = registry_.GetClass(class_index);
  if (!IsExportClass(d)) {
    last_error = "No export class";
    return 0;
  }
  MeshExporter* o = static_cast<MeshExporter*>(d->Create());
  if (!o) {
    last_error = "Out of memory";
    return 0;
  }
  int ok = 1;
  warnings.clear();
  losses_accounted = true;
  for (int k = 0; k < scenes->count; ++k) {
    MScene* scene = static_cast<MScene*>(scenes->GetAt(k));
    if (export_once_) scene->keep_export_copies = false;
    std::string target = k == 0 ? std::string(path ? path : "") : WithSuffix(path ? path : "", k);
    o->ExportFile(scene, target.c_str());
    std::vector<char> out(8192, '\0');
    int result = registry_.LastExport(class_index, out.data(), out.size());
    for (std::string& w : registry_.LastWarnings(class_index)) warnings.push_back(std::move(w));
    bool accounted = false;
    for (ExportLoss& l : registry_.LastLosses(class_index, &accounted)) losses.push_back(std::move(l));
    if (!accounted) losses_accounted = false;
    if (written) written->push_back(out[0] ? std::string(out.data()) : target);
    if (result != 1) {
      ok = 0;
      if (last_error.empty()) {
        last_error = result < 0 ? std::string("the export class does not report what it wrote")
                                : registry_.LastError(class_index);
        if (last_error.empty()) last_error = std::string("Cannot write file ") + out.data();
      }
    }
  }
  o->Destroy();
  return ok;
}

int ConversionDriver::ExportInteractive(int class_index) {
  last_error.clear();
  if (scenes->count == 0) {
    last_error = "No Scene available";
    return 0;
  }
  PluginClassDesc* d = registry_.GetClass(class_index);
  if (!IsExportClass(d)) {
    last_error = "No export class";
    return 0;
  }
  MeshExporter* o = static_cast<MeshExporter*>(d->Create());
  if (!o) return 0;
  for (int k = 0; k < scenes->count; ++k) o->ExportInteractive(static_cast<MScene*>(scenes->GetAt(k)));
  o->Destroy();
  return 1;
}

int ConversionDriver::ShowHelp(int class_index) {
  return WithClassObject(registry_.GetClass(class_index), [](auto* o) { o->ShowHelp(); });
}

int ConversionDriver::ShowOptions(int class_index) {
  return WithClassObject(registry_.GetClass(class_index), [](auto* o) { o->ShowOptions(); });
}

void ConversionDriver::Clear() { scenes->Clear(); }

SceneStatistics ConversionDriver::Statistics() {
  SceneStatistics s;
  s.scenes = scenes->count;
  for (int k = 0; k < scenes->count; ++k) {
    MScene* scene = static_cast<MScene*>(scenes->GetAt(k));
    if (!scene) continue;
    if (scene->objects) {
      s.objects += scene->objects->count;
      for (int i = 0; i < scene->objects->count; ++i) {
        MObj3d* obj = static_cast<MObj3d*>(scene->objects->GetAt(i));
        if (obj && obj->get_type() == MESH2) {
          MMesh_P* mesh = static_cast<MMesh_P*>(obj);
          s.faces += mesh->Get_Face_Count();
          s.vertices += mesh->Get_Vertex_Count();
        }
      }
    }
    if (scene->cameras) s.cameras += scene->cameras->count;
    if (scene->lights) s.lights += scene->lights->count;
    if (scene->surfaces) s.materials += scene->surfaces->count;
    if (scene->maps) s.images += scene->maps->Get_Count_Maps();
  }
  return s;
}

std::vector<std::string> ConversionDriver::ObjectList() {
  std::vector<std::string> lines;
  for (int k = 0; k < scenes->count; ++k) {
    MScene* scene = static_cast<MScene*>(scenes->GetAt(k));
    if (!scene || !scene->objects) continue;
    for (int i = 0; i < scene->objects->count; ++i) {
      std::string line = ObjectListLine(static_cast<MObj3d*>(scene->objects->GetAt(i)));
      if (!line.empty()) lines.push_back(std::move(line));
    }
  }
  return lines;
}

MObj3d* ConversionDriver::ObjectAtLine(int line) {
  if (line < 0) return nullptr;
  // Counts listed objects only, over all scenes, so a line always names the
  // object it shows.
  int n = 0;
  for (int k = 0; k < scenes->count; ++k) {
    MScene* scene = static_cast<MScene*>(scenes->GetAt(k));
    if (!scene || !scene->objects) continue;
    for (int i = 0; i < scene->objects->count; ++i) {
      MObj3d* obj = static_cast<MObj3d*>(scene->objects->GetAt(i));
      if (ObjectListLine(obj).empty()) continue;
      if (n++ == line) return obj;
    }
  }
  return nullptr;
}

ObjectDetails ConversionDriver::Details(MObj3d* obj) {
  ObjectDetails d;
  if (!obj) return d;
  std::snprintf(d.name, sizeof d.name, "%s", obj->get_name() ? obj->get_name() : "");
  d.type_name = ObjectTypeName(obj->get_type());
  if (obj->get_type() == MESH2) {
    MMesh_P* mesh = static_cast<MMesh_P*>(obj);
    d.faces = mesh->Get_Face_Count();
    d.vertices = mesh->Get_Vertex_Count();
    if (mesh->NormalsUsed()) {
      d.normal_faces = mesh->Get_NFace_Count();
      d.normal_vertices = mesh->Get_NVertex_Count();
    }
    if (mesh->UVUsed()) {
      d.uv_faces = mesh->Get_UVFace_Count();
      d.uv_vertices = mesh->Get_UVVertex_Count();
    }
  }
  MVector3& lo = obj->GetBoundLeft();
  MVector3& hi = obj->GetBoundRight();
  d.min[0] = lo.x;
  d.min[1] = lo.y;
  d.min[2] = lo.z;
  d.max[0] = hi.x;
  d.max[1] = hi.y;
  d.max[2] = hi.z;
  d.surface_refs = obj->surface_refs ? obj->surface_refs->count : 0;
  return d;
}

int ConversionDriver::Rename(MObj3d* obj, const char* name) {
  if (!obj) return 0;
  char buf[1024];
  std::snprintf(buf, sizeof buf, "%s", name ? name : "");
  obj->set_name(buf);
  return 1;
}

long ConversionDriver::TriangleCount() {
  // The exporters' own walk, counted without making its copies.
  long total = 0;
  for (int k = 0; k < scenes->count; ++k)
    total += m_export_triangle_count(static_cast<MScene*>(scenes->GetAt(k)), MExportWalkOptions());
  return total;
}

int ConversionDriver::Bounds(MVector3& min, MVector3& max) {
  bool any = false;
  for (int k = 0; k < scenes->count; ++k) {
    MScene* scene = static_cast<MScene*>(scenes->GetAt(k));
    if (!scene) continue;
    const MVector3& lo = scene->GetBoundLeft();
    const MVector3& hi = scene->GetBoundRight();
    if (!any) {
      min = lo;
      max = hi;
      any = true;
      continue;
    }
    if (lo.x < min.x) min.x = lo.x;
    if (lo.y < min.y) min.y = lo.y;
    if (lo.z < min.z) min.z = lo.z;
    if (hi.x > max.x) max.x = hi.x;
    if (hi.y > max.y) max.y = hi.y;
    if (hi.z > max.z) max.z = hi.z;
  }
  return any ? 1 : 0;
}

int ConversionDriver::Dump(const char* path) {
  last_error.clear();
  if (scenes->count == 0) {
    last_error = "No Scene available";
    return 0;
  }
  if (!path || !*path) {
    last_error = "No file name";
    return 0;
  }
  // The path is used as given (a relative one resolves against the current
  // directory). Written aside and moved into place, so a failed dump never
  // leaves half a file or destroys an older one.
  MOutputFile out;
  if (!out.Open(path)) {
    last_error = "Cannot open file " + m_output_error(out);
    return 0;
  }
  for (int k = 0; k < scenes->count; ++k) {
    MScene* scene = static_cast<MScene*>(scenes->GetAt(k));
    if (scene) scene->Print(out.Get_FILE(), 0, 0);
  }
  if (!out.Commit()) {
    last_error = "Cannot write file " + m_output_error(out);
    return 0;
  }
  return 1;
}
