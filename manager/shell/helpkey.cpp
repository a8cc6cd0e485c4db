// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/shell/helpkey.h"

#include "manager/store/programfiles.h"
#include "manager/store/runtimeerror.h"

#include <QApplication>
#include <QFileInfo>
#include <QHash>
#include <QKeyEvent>
#include <QPointer>
#include <QProcess>
#include <QWidget>

namespace {

const QString kContents = QStringLiteral("index.html");

// The one table from a window (its object name) to its page in the book. A window without a
// page of its own points to the closest one; a window not listed gets the contents.
const QHash<QString, QString>& windowPages() {
    static const QHash<QString, QString> pages = {
        {QStringLiteral("frmFrame"), QStringLiteral("main.html")},
        {QStringLiteral("frmAbout"), QStringLiteral("main.html")},
        {QStringLiteral("frmUpdate"), QStringLiteral("main.html")},
        {QStringLiteral("frmCompany"), QStringLiteral("choose.html")},
        {QStringLiteral("frmMain"), QStringLiteral("opened.html")},
        {QStringLiteral("frmAddEdit"), QStringLiteral("editor.html")},
        {QStringLiteral("frmFilter"), QStringLiteral("filter.html")},
        {QStringLiteral("frmRepChoose"), QStringLiteral("reports.html")},
        {QStringLiteral("frmResults"), QStringLiteral("reports.html")},
        {QStringLiteral("frmSalesCharts"), QStringLiteral("charts.html")},
        {QStringLiteral("frmScan"), QStringLiteral("scan.html")},
        {QStringLiteral("frmLowStock"), QStringLiteral("stocklevels.html")},
        {QStringLiteral("frmServer"), QStringLiteral("server.html")},
        {QStringLiteral("frmXferOptions"), QStringLiteral("storefront.html")},
        {QStringLiteral("frmTransferOne"), QStringLiteral("storefront.html")},
        {QStringLiteral("frmTransferAll"), QStringLiteral("storefront.html")},
        {QStringLiteral("frmUPC"), QStringLiteral("upc.html")},
        {QStringLiteral("frmCode39"), QStringLiteral("code39.html")},
        {QStringLiteral("frmLabels"), QStringLiteral("labels.html")},
        {QStringLiteral("frmCSV"), QStringLiteral("csv.html")},
        {QStringLiteral("frmOptions"), QStringLiteral("options.html")},
    };
    return pages;
}

HelpStarter& starter() {
    static HelpStarter current;
    return current;
}

void startDetached(const QString& program, const QStringList& arguments) {
    if (!QFileInfo(program).isExecutable())
        throw RuntimeError::fileNotFound();
    if (!QProcess::startDetached(program, arguments))
        throw RuntimeError::invalidCall();
}

// Sees every key before the window it is meant for; F1 is taken by the help.
class HelpKey : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !target->isWidgetType())
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier)
            return false;
        const QString page = helpPageFor(static_cast<QWidget*>(target));
        guarded(QStringLiteral("Form_KeyDown"), [&] { startHelp(page); });
        return true;
    }
};

} // namespace

void startHelp(const QString& page) {
    const QString program = programExecutable(QStringLiteral("tallyvane-help"));
    const QStringList arguments =
        page.isEmpty() ? QStringList() : QStringList{QStringLiteral("--page"), page};
    if (starter())
        starter()(program, arguments);
    else
        startDetached(program, arguments);
}

void setHelpStarter(HelpStarter s) {
    starter() = std::move(s);
}

QString helpPageFor(const QWidget* widget) {
    for (; widget; widget = widget->parentWidget()) {
        const auto page = windowPages().constFind(widget->objectName());
        if (page != windowPages().constEnd())
            return *page;
    }
    return kContents;
}

void installHelpKey() {
    static QPointer<HelpKey> installed;
    if (installed || !qApp)
        return;
    installed = new HelpKey(qApp);
    qApp->installEventFilter(installed);
}
