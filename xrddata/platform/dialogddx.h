// Data exchange and validation between dialog members and controls: DDX_ functions move one value in the direction
// of the exchange; DDV_ functions check a value after it was read from its control. A value that does not parse
// or fails a check is refused with a message box (exclamation icon) and ends the exchange with the focus on its
// control.
#pragma once

#include "xrddata/platform/dialog.h"

// An edit as a number: written with 15 significant digits ("%.15g", three-digit exponents), read as a decimal
// number with '.' whatever the locale, blanks around it allowed. Empty, partial and non-finite texts are refused
// with "Please enter a number.".
XRDDATA_API void DDX_Text(CDataExchange* pDX, int nIDC, double& value);
// An edit as text, unchanged.
XRDDATA_API void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
// A multi-line edit as text, unchanged: line ends stay as the text has them (the system writes CR LF); a renderer
// shows each line end as a line break and writes new ones as CR LF.
XRDDATA_API void DDX_MultiLineText(CDataExchange* pDX, int nIDC, CString& value);
// A radio group starting at nIDC: value is the index of the checked button in the group, -1 for none.
XRDDATA_API void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
// A check box: 0 unchecked, 1 checked.
XRDDATA_API void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// Refuses a value read from the last control outside [minVal, maxVal] with "Please enter a number between MIN and
// MAX." (bounds as "%.15g"). Only checked when reading from the controls.
XRDDATA_API void DDV_MinMaxDouble(CDataExchange* pDX, double const& value, double minVal, double maxVal);

// The text of a number in an edit, and the number an edit text holds (false when it holds none).
XRDDATA_API CString DialogNumberText(double value);
XRDDATA_API bool ParseDialogNumber(const CString& text, double& value);
