// The writers behind the three export classes.
#pragma once
#include <cstdio>

#include "export_3ds_options.h"
#include "korvanelib.h"

namespace k3ds {

// The build stamp of the log header is fixed: logs are compared across builds.
inline constexpr char kBuildDate[] = "Oct 22 2000";
inline constexpr char kBuildTime[] = "09:26:05";

// The head of an export log: title with the build stamp, then the options.
template <class Option>
void WriteLogHead(LogFile& log, const char* title, Option* o) {
  log.write("%s %s %s %s\n", title, kBuildDate, kBuildTime, "VC++50");
  if (FILE* lf = log.Get_FILE()) {
    std::fputs("Options:\n", lf);
    o->Print_Options(lf);
    o->Print_Specific(lf);
    std::fflush(lf);
  }
}

int ExportBinary(MScene* scene, Export3dsOption* o, MessageCallBack1* cb);
int ExportAsc(MScene* scene, ExportAscOption* o, MessageCallBack1* cb);

}  // namespace k3ds
