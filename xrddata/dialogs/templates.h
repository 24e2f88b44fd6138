// The dialog templates of the library's resources: 193 "Data Settings" and 182 "Sample Information", laid out in
// dialog units for "MS Sans Serif" 8.
#pragma once

#include "xrddata/platform/dialogcontrol.h"

enum : UINT { IDD_DATA_SETTINGS = 193, IDD_SAMPLE_INFO = 182 };

XRDDATA_API const DialogTemplate& DataSettingsTemplate();
XRDDATA_API const DialogTemplate& SampleInfoTemplate();
// The template of a resource id; an empty template (no controls) for an id the library does not have.
XRDDATA_API const DialogTemplate& FindDialogTemplate(UINT nIDTemplate);
