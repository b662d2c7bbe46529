#include "tri_options.h"

namespace {
const char kSettingsKey[] = "import_tri";
const char kLogName[] = "importtri.log";
}  // namespace

const char* TriImportOption::Filter() { return "Triangle List (*.tri)|*.tri|All Files (*.*)|*.*||"; }

TriImportOption::TriImportOption() : Import_FileOption(kSettingsKey, kLogName) { Set_Filter(Filter()); }

TriImportOption::TriImportOption(int argc, char** argv) : Import_FileOption(argc, argv, kLogName) {
  Set_Filter(Filter());
}
