// The one export macro of the library: the shared object is built with hidden visibility and only what is marked
// XRDDATA_API is visible to hosts.
#pragma once

#define XRDDATA_API __attribute__((visibility("default")))
