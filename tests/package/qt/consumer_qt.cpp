// A desktop host outside the project: installs the Qt rendering as the library's user interface and checks that
// the library now routes its messages through it.
#include <QApplication>
#include <cstdio>

#include <xrddata-qt/qtui.h>
#include <xrddata/version.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    CQtUserInterface* ui = InstallQtUserInterface();
    const bool installed = ui != nullptr && AfxGetUserInterface() == ui;
    std::printf("qt %s %s\n", installed ? "installed" : "missing", XRDDATA_VERSION_STRING);
    return installed ? 0 : 1;
}
