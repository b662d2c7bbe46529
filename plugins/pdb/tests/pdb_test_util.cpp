#include "pdb_test_util.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace pdbtest {

int ImportClass() { return kvtest::FindClass("Protein Data Bank  (*.pdb)", MESH_IMPORT_CLASS_ID); }

MScene* Import(const std::string& path, const std::vector<std::string>& options) {
  kvtest::UseCommandLine(options);
  return kvtest::ImportWith(ImportClass(), path);
}

std::string LastImportError() { return kvtest::Plugins().LastError(ImportClass()); }
std::vector<std::string> LastImportWarnings() { return kvtest::Plugins().LastWarnings(ImportClass()); }

std::string AtomLine::Text() const {
  char buf[128];
  std::snprintf(buf, sizeof buf, "%-6s%5s %-4.4s%c%-3.3s %c%4d    %8.3f%8.3f%8.3f%6.2f%6.2f", record.c_str(),
                serial.c_str(), name.c_str(), alt_loc, res_name.c_str(), chain, res_seq, x, y, z, 1.0, 0.0);
  std::string s = buf;
  if (!element.empty()) {
    char el[8];
    std::snprintf(el, sizeof el, "%2.2s", element.c_str());
    s += std::string(10, ' ') + el;
  }
  return s;
}

AtomLine Atom(int serial, const char* name, double x, double y, double z, const char* element) {
  AtomLine a;
  a.serial = std::to_string(serial);
  a.name = name;
  a.x = x;
  a.y = y;
  a.z = z;
  a.element = element;
  return a;
}

std::string Conect(const std::vector<std::string>& serials) {
  std::string s = "CONECT";
  char buf[16];
  for (const std::string& v : serials) {
    std::snprintf(buf, sizeof buf, "%5s", v.c_str());
    s += buf;
  }
  return s;
}

std::string Conect(const std::vector<int>& serials) {
  std::vector<std::string> s;
  for (int v : serials) s.push_back(std::to_string(v));
  return Conect(s);
}

namespace {
template <class T>
std::vector<T*> Solids(MScene* scene, MSolid_Types type) {
  std::vector<T*> out;
  for (int i = 0; i < scene->objects->count; ++i) {
    MObj3d* o = static_cast<MObj3d*>(scene->objects->GetAt(i));
    if (o->get_type() == TSOLID && static_cast<MSolid*>(o)->get_type() == type) out.push_back(static_cast<T*>(o));
  }
  return out;
}
}  // namespace

std::vector<MSphere*> Spheres(MScene* scene) { return Solids<MSphere>(scene, SOLID_SPHERE); }
std::vector<MCylinder*> Cylinders(MScene* scene) { return Solids<MCylinder>(scene, SOLID_CYLINDER); }

MVector3 Origin(MObj3d* o) { return o->transformation.Get_LocalMatrix().Transform(MVector3(0, 0, 0)); }

MVector3 FarEnd(MCylinder* c) { return c->transformation.Get_LocalMatrix().Transform(MVector3(0, 0, c->length)); }

std::string SurfaceOf(MObj3d* o) { return ref_name_or_empty(o->surface_refs, 0); }

bool HaveOpenbabel() { return std::system("command -v obabel >/dev/null 2>&1") == 0; }

BabelMolecule BabelRead(const std::string& path) {
  BabelMolecule m;
  std::istringstream in(kvtest::command_output("obabel -ipdb '" + path + "' -omol2 -ab 2>/dev/null"));
  std::string line, section;
  while (std::getline(in, line)) {
    if (line.rfind("@<TRIPOS>", 0) == 0) {
      if (!section.empty() && line == "@<TRIPOS>MOLECULE") break;  // the next molecule
      section = line;
      continue;
    }
    std::istringstream f(line);
    if (section == "@<TRIPOS>ATOM") {
      int id;
      std::string name;
      double x, y, z;
      if (f >> id >> name >> x >> y >> z) m.atoms.emplace_back(x, y, z);
    } else if (section == "@<TRIPOS>BOND") {
      int id, a, b;
      if (f >> id >> a >> b) m.bonds.emplace_back(a - 1, b - 1);
    }
  }
  return m;
}

long BabelCount(const std::string& path, const char* what) {
  const std::string bonds_only = std::string(what) == "bonds" ? " -ab" : "";
  std::string out = kvtest::command_output("obabel -ipdb '" + path + "' -otxt" + bonds_only + " --append " + what +
                                           " 2>/dev/null");
  // "<title> <count>"
  const size_t blank = out.find_last_of(' ');
  if (blank == std::string::npos) return -1;
  return std::strtol(out.c_str() + blank + 1, nullptr, 10);
}

}  // namespace pdbtest
