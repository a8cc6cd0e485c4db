// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane: the desktop program. Start-up shows the frame with the company chooser.

#include "manager/app/framewindow.h"
#include "manager/shell/appicon.h"
#include "manager/shell/dialogs.h"
#include "manager/shell/singleline.h"
#include "manager/shell/splashwindow.h"
#include "manager/shell/updatewindow.h"
#include "manager/store/companystore.h"
#include "manager/store/settings.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    // The two options answer on the terminal, without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("tallyvane %d.%d.%d\n", TALLYVANE_VERSION_MAJOR, TALLYVANE_VERSION_MINOR,
                        TALLYVANE_VERSION_REVISION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("Usage: tallyvane [--help | --version]\n"
                        "Starts the Tallyvane desktop program; see tallyvane(1).\n");
            return 0;
        }
    }
#if defined(Q_OS_LINUX)
    // Without a display Qt would abort with a long message; one clear line is kinder.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs(
            "tallyvane needs a graphical display: neither DISPLAY nor WAYLAND_DISPLAY is set.\n",
            stderr);
        return 1;
    }
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallyvane"));
    QApplication::setOrganizationName(QStringLiteral("Tallyvane"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(TALLYVANE_VERSION_MAJOR)
                                            .arg(TALLYVANE_VERSION_MINOR)
                                            .arg(TALLYVANE_VERSION_REVISION));
    QApplication::setWindowIcon(tallyvaneIcon());
    installStandardErrorReporter();
    installLockWaitMessage();
    keepTextBoxesSingleLine(&app);

    // A first run has no company folder root yet: make the default one. A root chosen in the
    // options is left alone (it may be a drive that is not attached right now).
    if (settings::companyRootText(QString()).isEmpty())
        QDir().mkpath(defaultCompanyRoot());

    // The splash shows for its moment while the update check runs, then the frame takes over;
    // the frame's closing ends the program.
    auto* splash = new frmSplash(nullptr, [] { return new StartupUpdateCheck; });
    QObject::connect(splash, &frmSplash::finished, [] {
        auto* frame = new frmFrame;
        frame->setAttribute(Qt::WA_DeleteOnClose);
        if (!frame->Form_Load())
            QCoreApplication::exit(0);
    });
    splash->show();
    return app.exec();
}
