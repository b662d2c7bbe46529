// The option record of the triangle list import.
#pragma once
#include "fileoption.h"

// Only the common import options (-iv=1 writes the log importtri.log).
class TriImportOption : public Import_FileOption {
 public:
  TriImportOption();                       // settings-store mode
  TriImportOption(int argc, char** argv);  // command-line mode

  static const char* Filter();
};
