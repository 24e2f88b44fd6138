// Umbrella header: every public header of the library.
#pragma once

#include "xrddata/platform/archive.h"
#include "xrddata/platform/carray.h"
#include "xrddata/platform/datetime.h"
#include "xrddata/platform/exceptions.h"
#include "xrddata/platform/file.h"
#include "xrddata/platform/memfile.h"
#include "xrddata/platform/scan.h"
#include "xrddata/platform/stdiofile.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/types.h"
#include "xrddata/platform/ui.h"

#include "xrddata/arrays/dblarray.h"
#include "xrddata/arrays/graphdata.h"
#include "xrddata/calc/background.h"
#include "xrddata/pattern/radiation.h"
#include "xrddata/platform/sharedmem.h"
#include "xrddata/platform/variant.h"
