// The eleven processing defaults of the settings store (background scale length and stiffness, feature width,
// error model) as one value, with access by the settings' own names for the tool's `settings` command.
#pragma once

#include <string>
#include <vector>

#include "xrddata/platform/types.h"

struct ProcessingDefaults {
    double backgroundLength = 5.0;
    double backgroundScale = 1.0;
    int autoWidth = 1;
    int widthType = 0;
    double fixedWidth = 0.1;
    double u = 0.0;
    double v = 0.0;
    double w = 0.01;
    int countType = 0;
    double scaleFactor = 1.0;
    double esds = 1.0;
};

// The names in the store's order: "BackgroundLength", "BackgroundScale", "AutoWidth", "WidthType", "FixedWidth",
// "U", "V", "W", "CountType", "ScaleFactor", "Esds".
const std::vector<CString>& ProcessingSettingNames();

// The values a new pattern starts with: the factory values, then what the user stored.
ProcessingDefaults LoadUserDefaults();
ProcessingDefaults FactoryDefaults();
// Stores all eleven values as the user's defaults (silently nothing when the store cannot be written).
void SaveUserDefaults(const ProcessingDefaults& d);

// The value of a setting as the store writes it ("%g" for reals, the integer for the three integer settings).
// name is matched ignoring case; throws std::invalid_argument for an unknown name.
CString GetSetting(const ProcessingDefaults& d, const CString& name);
// Sets one value from text. Integers: AutoWidth and WidthType 0 or 1, CountType 0, 1 or 2; reals: any finite
// number. Throws std::invalid_argument with the reason (unknown name, not a number, out of range).
void SetSetting(ProcessingDefaults& d, const CString& name, const CString& value);
