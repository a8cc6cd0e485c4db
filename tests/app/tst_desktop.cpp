// SPDX-License-Identifier: GPL-3.0-or-later
// The windows on a real X display (Xvfb with the openbox window manager), driven by real mouse
// input through xdotool: what an offscreen test cannot see, such as a window left holding the
// mouse. Skipped when Xvfb, openbox or xdotool is missing.
#include "manager/app/framewindow.h"
#include "manager/inventory/itemeditor.h"
#include "manager/inventory/itemwindow.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testenvironment.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {
// An X server of its own with a window manager, for the life of the test program.
struct XDisplay {
    QProcess server;
    QProcess manager;
    bool running = false;

    XDisplay() {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        if (xvfb.isEmpty() || openbox.isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            return;
        int number = 90;
        while (number < 200 && QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)))
            ++number;
        const QString name = QStringLiteral(":%1").arg(number);
        server.start(xvfb, {name, QStringLiteral("-screen"), QStringLiteral("0"),
                            QStringLiteral("1280x900x24"), QStringLiteral("-nolisten"),
                            QStringLiteral("tcp")});
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
        for (int wait = 0; wait < 100 && !QFile::exists(socket); ++wait)
            QThread::msleep(50);
        if (!QFile::exists(socket))
            return;
        qputenv("DISPLAY", name.toLatin1());
        manager.start(openbox, {});
        QThread::msleep(500);
        running = manager.waitForStarted() && !manager.waitForFinished(0);
    }
    ~XDisplay() {
        for (QProcess* process : {&manager, &server}) {
            process->terminate();
            process->waitForFinished(2000);
        }
    }
};

std::unique_ptr<XDisplay> g_display;

void clickAt(const QPoint& global) {
    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("mousemove"), QString::number(global.x()),
                       QString::number(global.y()), QStringLiteral("click"), QStringLiteral("1")});
}
} // namespace

class DesktopTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        if (!g_display || !g_display->running)
            QSKIP("needs Xvfb, openbox and xdotool");
    }

    // The item editor's trip to the storefront, then the editor closed: a real click on the
    // frame's menu still opens it.
    void theMouseWorksAfterTheStorefrontTrip() {
        TestEnvironment env;
        ScriptedDialogs dialogs;
        const QString folder = env.makeCompany(QStringLiteral("Shop"));
        TestEnvironment::writeBytes(folder + QStringLiteral("Kitchen"), QByteArray());
        frmFrame frame;
        QVERIFY(frame.Form_Load());
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        auto* items = new frmMain(folder, QStringLiteral("Shop"));
        frmFrame::showWindow(items);
        dialogs.modalActions << [](QDialog* editor) {
            QTimer::singleShot(300, editor,
                               [editor] { static_cast<frmAddEdit*>(editor)->cmdAdd->click(); });
            return editor->exec();
        };
        items->cmdNewItem_Click();
        frmAddEdit* editor = items->findChild<frmAddEdit*>();
        QVERIFY(editor && editor->isVisible());
        QTest::qWait(300);
        clickAt(editor->cmdCancel->mapToGlobal(editor->cmdCancel->rect().center()));
        QTRY_VERIFY(!editor->isVisible());
        QMenuBar* bar = frame.menuBar();
        clickAt(bar->mapToGlobal(bar->actionGeometry(frame.mnuFile->menuAction()).center()));
        QTRY_COMPARE(QApplication::activePopupWidget(), frame.mnuFile);
        frame.mnuFile->close();
    }
};

int main(int argc, char** argv) {
    g_display = std::make_unique<XDisplay>();
    if (g_display->running)
        qputenv("QT_QPA_PLATFORM", "xcb");
    int status = 0;
    {
        QApplication app(argc, argv);
        DesktopTest test;
        status = QTest::qExec(&test, argc, argv);
    }
    g_display.reset();
    return status;
}

#include "tst_desktop.moc"
