// Keeps the host library non-empty until the host and driver sources land.
#include "allocator.h"

const char* korvane_host_version() { return korvanelib_version(); }
