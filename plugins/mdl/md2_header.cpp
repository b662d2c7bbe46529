// The header lines of an MD2 file in a log, as read and as written.
#include "korvanelib.h"
#include "quake_format.h"

namespace quake {

void LogMd2Header(LogFile& log, const int32_t (&h)[kMd2HeaderInts]) {
  log.write("Model Properties:\n");
  log.write("\t%s\n", "IDP2");
  log.write("\t%s: %d\n", "Version", h[kMd2VersionField]);
  log.write("\t%s: %d\n", "Skin Width", h[kMd2SkinWidth]);
  log.write("\t%s: %d\n", "Skin Height", h[kMd2SkinHeight]);
  log.write("\t%s: %d\n", "Num Skins", h[kMd2NumSkins]);
  log.write("\t%s: %d\n", "Num Vertices", h[kMd2NumVertices]);
  log.write("\t%s: %d\n", "Num TextCoords", h[kMd2NumTexCoords]);
  log.write("\t%s: %d\n", "Num Triangles", h[kMd2NumTriangles]);
  log.write("\t%s: %d\n", "Num GLCommand", h[kMd2NumGlCommands]);
  log.write("\t%s: %d\n", "Num Frames", h[kMd2NumFrames]);
  log.write("\n");
}

}  // namespace quake
