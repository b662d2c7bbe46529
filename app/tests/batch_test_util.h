// Batch entries for the batch tests.
#pragma once
#include <string>

#include "batch_list.h"

namespace kvtest {

// An entry from RAW to RAW.
inline BatchEntry RawEntry(const std::string& input, const std::string& target = "/out/") {
  BatchEntry e;
  e.import_class = "RAW (*.raw)";
  e.export_class = "Raw (*.raw)";
  e.input = input;
  e.target = target;
  return e;
}

}  // namespace kvtest
