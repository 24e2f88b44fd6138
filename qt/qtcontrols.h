// Internal to xrddata-qt: widgets for dialog-model controls and the transfers between them. A ControlView pairs a
// model control with its widget; Refresh writes the model's state into the widgets, Collect reads what the user
// changed back into the model.
#pragma once

#include <QFont>
#include <QPoint>
#include <QString>
#include <vector>

#include "xrddata/platform/dialogcontrol.h"

class QButtonGroup;
class QWidget;
class CDialog;

namespace xrddata_qt {

QString ToQt(const CString& s);
CString FromQt(const QString& s);
// A control text with its '&' mnemonic markers as Qt reads them ("&&" stays a literal '&').
QString ButtonText(const CString& s);
// A label text without the markers (labels show no mnemonic without a buddy).
QString LabelText(const CString& s);

// Pixels per 4 horizontal and per 8 vertical dialog units for the template's font.
struct DialogUnits {
    explicit DialogUnits(const QFont& font);
    int X(int dlu) const { return (dlu * baseX + 2) / 4; }
    int Y(int dlu) const { return (dlu * baseY + 4) / 8; }
    int baseX, baseY;
};

// The template's font when the system has it, else the application's font at the template's size.
QFont TemplateFont(const DialogTemplate& t);

struct ControlView {
    CDialogControl* control;
    QWidget* widget;
};

// Creates the widget of one control as a child of parent, placed from its dialog units.
QWidget* CreateWidget(CDialogControl& c, QWidget* parent, const DialogUnits& units);

// Writes the model's texts, checks, enabled states and combo lists into the widgets (unchanged values are left
// alone, so the cursor of an edit being typed in stays where it is).
void Refresh(const std::vector<ControlView>& views);
// Reads edit texts, checks and combo selections from the widgets into the model.
void Collect(const std::vector<ControlView>& views);

}  // namespace xrddata_qt
