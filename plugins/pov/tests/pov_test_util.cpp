#include "pov_test_util.h"

namespace povtest {

int PovExport() { return kvtest::FindClass("POV-Ray/Moray (*.pov, *.mdl)", MESH_EXPORT_CLASS_ID); }

int Export(MScene* scene, const std::string& dir, const std::string& base, std::vector<std::string> options) {
  options.insert(options.begin(), "-ld_mode=1");
  kvtest::UseCommandLine(options);
  return kvtest::ExportWith(PovExport(), scene, dir + "/" + base + ".pov");
}

long Count(const std::string& text, const std::string& what) {
  long n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

}  // namespace povtest
