// The writers behind the three export classes.
#pragma once
#include "export_3ds_options.h"
#include "korvanelib.h"

namespace k3ds {

// The build stamp of the log header is fixed: logs are compared across builds.
inline constexpr char kBuildDate[] = "Oct 22 2000";
inline constexpr char kBuildTime[] = "09:26:05";

int ExportBinary(MScene* scene, Export3dsOption* o, MessageCallBack1* cb);
int ExportAsc(MScene* scene, ExportAscOption* o, MessageCallBack1* cb);

}  // namespace k3ds
