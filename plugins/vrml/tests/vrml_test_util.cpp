#include "vrml_test_util.h"

#include <regex>
#include <set>
#include <sstream>

namespace vrmltest {

int VrmlExport() { return kvtest::FindClass("VRML (*.wrl)", MESH_EXPORT_CLASS_ID); }

std::string Export(MScene* scene, const std::string& path, const std::vector<std::string>& options, int* result) {
  kvtest::UseCommandLine(options);
  std::string written;
  int r = kvtest::ExportWith(VrmlExport(), scene, path, &written);
  if (result) *result = r;
  return r == 1 ? kvtest::read_file(written) : std::string();
}

std::string CheckDefUse(const std::string& text) {
  static const std::regex word(R"((DEF|USE)\s+([^\s{}\[\]]+))");
  std::set<std::string> defined;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), word); it != std::sregex_iterator(); ++it) {
    const std::string kind = (*it)[1], name = (*it)[2];
    if (kind == "DEF" && !defined.insert(name).second) return "defined twice: " + name;
    if (kind == "USE" && !defined.count(name)) return "used before its DEF: " + name;
  }
  return "";
}

std::vector<double> FieldNumbers(const std::string& text, const std::string& field) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream l(line);
    std::string first;
    l >> first;
    if (first != field) continue;
    std::vector<double> out;
    double v;
    while (l >> v) out.push_back(v);
    return out;
  }
  return {};
}

long Count(const std::string& text, const std::string& what) {
  long n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

}  // namespace vrmltest
