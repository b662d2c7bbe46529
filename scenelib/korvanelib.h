// The whole public interface of the scene library. A program that includes
// this header and links korvanelib can use every class and function.
#pragma once

#include "allocator.h"
#include "byteorder.h"
#include "cmdline.h"
#include "pathutil.h"
#include "strutil.h"
#include "cp1252.h"
#include "textio.h"
#include "linereader.h"
#include "textwriter.h"
#include "numtext.h"
#include "binio.h"
#include "outfile.h"

#include "geometry.h"
#include "axes.h"
#include "mlist.h"
#include "msgcallback.h"
#include "mobj3d.h"

#include "mesh_arrays.h"
#include "mesh.h"
#include "mesh_hash.h"
#include "names.h"
#include "solids.h"
#include "gridweld.h"
#include "export_walk.h"

#include "color.h"
#include "surface.h"
#include "maplist.h"
#include "camera.h"
#include "environment.h"
#include "mscene.h"

#include "profile.h"
#include "logfile.h"
#include "fileoption.h"
#include "objmod.h"
#include "mihandler.h"
