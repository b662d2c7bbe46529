// Running the built VRML exporter for the tests, and reading back what it
// wrote.
#pragma once
#include <string>
#include <vector>

#include "korvanelib.h"
#include "plugin_test_support.h"
#include "test_support.h"

namespace vrmltest {

int VrmlExport();

// Exports with these -key=value options; the written file's text ("" when
// nothing was written), the result in *result.
std::string Export(MScene* scene, const std::string& path, const std::vector<std::string>& options,
                   int* result = nullptr);

// Every "USE name" follows a "DEF name", and no name is defined twice.
// Empty when so, else what is wrong.
std::string CheckDefUse(const std::string& text);
// The numbers after the first occurrence of `field` (a line's first word).
std::vector<double> FieldNumbers(const std::string& text, const std::string& field);
long Count(const std::string& text, const std::string& what);

}  // namespace vrmltest
