#include "xrddata/import/plugincount.h"

#include "xrddata/import/plugin.h"

int CountPluginFormats() {
    // Counted by a reader object of its own, as its "GetNFormats" counts them.
    CZIDEzerEzizir* reader = new CZIDEzerEzizir;
    LONG n = reader->GetNFormats();
    reader->ExternalRelease();
    return static_cast<int>(n);
}
