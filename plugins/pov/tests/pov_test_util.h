// Running the built POV-Ray exporter for the tests.
#pragma once
#include <string>
#include <vector>

#include "korvanelib.h"
#include "plugin_test_support.h"
#include "test_support.h"

namespace povtest {

int PovExport();

// Exports to <dir>/<base>.pov with these -key=value options (and -ld_mode=1);
// LibLastExport's result.
int Export(MScene* scene, const std::string& dir, const std::string& base, std::vector<std::string> options = {});

long Count(const std::string& text, const std::string& what);
bool Has(const std::string& text, const std::string& what);

}  // namespace povtest
