// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/shell/gradient.h"
#include "manager/shell/gradientbackground.h"
#include "manager/shell/optionswindow.h"
#include "manager/store/companystore.h"
#include "manager/store/settings.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/testenvironment.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QTest>

namespace {
QString stored(const char* section, const char* key) {
    return settings::read(QString::fromLatin1(section), QString::fromLatin1(key),
                          QStringLiteral("<none>"));
}

void store(const char* section, const char* key, const QString& value) {
    settings::write(QString::fromLatin1(section), QString::fromLatin1(key), value);
}

void forgetSetting(const QString& key) {
    QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tallyvane"),
              QStringLiteral("Tallyvane"))
        .remove(key);
}

// Shows the window and makes it the active one, so that focus moves as the user moves it.
void showActive(frmOptions& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
}
} // namespace

class OptionsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void firstOpeningShowsTheDefaults();
    void storedValuesAreShown();
    void leavingTheTaxBoxKeepsTheLeadingNumber_data();
    void leavingTheTaxBoxKeepsTheLeadingNumber();
    void clickingOkLeavesTheTaxBoxFirstButEnterDoesNot();
    void leavingThePathBoxAddsTheSeparator();
    void browsingChoosesTheFolder();
    void applyStoresEverythingAndStaysOpen();
    void cancelStoresNothingAndKeepsWhatApplyStored();
    void okStoresAndCloses();
    void unusableCompanyRootIsRefused_data();
    void unusableCompanyRootIsRefused();
    void chosenColorsAreStoredAndUsed();
    void showOptionsOpensModalOverTheOwnerWindow();
    void everyAccessKeyIsUniqueAndLeadsSomewhere();
};

void OptionsWindowTest::firstOpeningShowsTheDefaults() {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    forgetSetting(QStringLiteral("Path/Company"));
    frmOptions window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Options"));
    QVERIFY(window.chkDaily->isChecked());
    QVERIFY(window.chkMonthly->isChecked());
    QVERIFY(window.chkNotify->isChecked());
    QVERIFY(!window.chkAuto->isChecked());
    QCOMPARE(window.txtTax->text(), QStringLiteral("0.00"));
    QCOMPARE(window.txtPath->text(), defaultCompanyRoot());
    QVERIFY(window.txtPath->text().endsWith(QStringLiteral("Companies/")));
    QCOMPARE(window.txtGraCol1->text(), QStringLiteral("#007fff"));
    QCOMPARE(window.txtGraCol2->text(), QStringLiteral("#ffffff"));
    QCOMPARE(window.txtConCol->text(), QStringLiteral("#c0dfff"));
    QCOMPARE(window.txtConCol->palette().color(QPalette::Base), QColor(192, 223, 255));
    // Centred on the screen.
    const QRect screen = window.screen()->geometry();
    QVERIFY(qAbs(window.x() - screen.x() - (screen.width() - window.width()) / 2) <= 1);
    QVERIFY(qAbs(window.y() - screen.y() - (screen.height() - window.height()) / 2) <= 1);
    // Opening stores nothing.
    QCOMPARE(stored("Log", "Daily"), QStringLiteral("<none>"));
    QVERIFY(dialogs.shown.isEmpty());
}

void OptionsWindowTest::storedValuesAreShown() {
    TestEnvironment env;
    store("Log", "Daily", QStringLiteral("0"));
    store("Log", "Monthly", QStringLiteral("1.0"));  // flags are compared as numbers
    store("Updates", "Notify", QStringLiteral("2")); // only 1 means on
    store("Updates", "Auto", QStringLiteral("1"));
    store("Tax", "Percent", QStringLiteral("7.25"));
    store("Path", "Company", QStringLiteral("/srv/shops/"));
    store("Graphical", "Color1", QStringLiteral("#102030"));
    frmOptions window;
    QVERIFY(!window.chkDaily->isChecked());
    QVERIFY(window.chkMonthly->isChecked());
    QVERIFY(!window.chkNotify->isChecked());
    QVERIFY(window.chkAuto->isChecked());
    QCOMPARE(window.txtTax->text(), QStringLiteral("7.25"));
    QCOMPARE(window.txtPath->text(), QStringLiteral("/srv/shops/"));
    QCOMPARE(window.txtGraCol1->text(), QStringLiteral("#102030"));
}

void OptionsWindowTest::leavingTheTaxBoxKeepsTheLeadingNumber_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("percent sign") << "7.5%"
                                  << "7.5";
    QTest::newRow("negative") << "-3"
                              << "3";
    QTest::newRow("no number") << "abc"
                               << "0";
    QTest::newRow("default text") << "0.00"
                                  << "0";
    QTest::newRow("comma ends the number") << "8,25"
                                           << "8";
    QTest::newRow("leading blanks and zeros") << "  012.50"
                                              << "12.5";
    QTest::newRow("empty") << ""
                           << "0";
    QTest::newRow("second point") << "1.2.3"
                                  << "1.2";
}

void OptionsWindowTest::leavingTheTaxBoxKeepsTheLeadingNumber() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    TestEnvironment env;
    ScriptedDialogs dialogs;
    frmOptions window;
    window.txtTax->setText(typed);
    window.txtTax_LostFocus();
    QCOMPARE(window.txtTax->text(), shown);
    QVERIFY(dialogs.shown.isEmpty());
}

void OptionsWindowTest::clickingOkLeavesTheTaxBoxFirstButEnterDoesNot() {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    {
        frmOptions window;
        showActive(window);
        window.txtTax->setFocus();
        QTRY_VERIFY(window.txtTax->hasFocus());
        window.txtTax->clear();
        QTest::keyClicks(window.txtTax, QStringLiteral("8,25"));
        QTest::mouseClick(window.cmdOK, Qt::LeftButton);
        QCOMPARE(stored("Tax", "Percent"), QStringLiteral("8"));
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Accepted));
    }
    {
        frmOptions window;
        showActive(window);
        window.txtTax->setFocus();
        QTRY_VERIFY(window.txtTax->hasFocus());
        window.txtTax->selectAll();
        QTest::keyClicks(window.txtTax, QStringLiteral("8,25"));
        QTest::keyClick(window.txtTax, Qt::Key_Return);
        QCOMPARE(stored("Tax", "Percent"), QStringLiteral("8,25"));
        QVERIFY(!window.isVisible());
    }
    {
        // Tabbing away from an untouched "0.00" leaves 0, which OK then stores.
        store("Tax", "Percent", QStringLiteral("0.00"));
        frmOptions window;
        showActive(window);
        window.txtTax->setFocus();
        QTRY_VERIFY(window.txtTax->hasFocus());
        QTest::keyClick(window.txtTax, Qt::Key_Tab);
        QCOMPARE(window.txtTax->text(), QStringLiteral("0"));
        window.cmdOK_Click();
        QCOMPARE(stored("Tax", "Percent"), QStringLiteral("0"));
    }
    QVERIFY(dialogs.shown.isEmpty());
}

void OptionsWindowTest::leavingThePathBoxAddsTheSeparator() {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    frmOptions window;
    window.txtPath->setText(QStringLiteral("/srv/Data"));
    window.txtPath_LostFocus();
    QCOMPARE(window.txtPath->text(), QStringLiteral("/srv/Data/"));
    window.txtPath_LostFocus();
    QCOMPARE(window.txtPath->text(), QStringLiteral("/srv/Data/"));

    // A blank box means the standard folder, never the root folder of the disk.
    window.txtPath->setText(QStringLiteral("  "));
    window.txtPath_LostFocus();
    QCOMPARE(window.txtPath->text(), defaultCompanyRoot());
    window.txtPath->clear();
    window.cmdApply_Click();
    QCOMPARE(stored("Path", "Company"), defaultCompanyRoot());

    // The same rule runs when the focus really leaves the box.
    showActive(window);
    window.txtPath->setFocus();
    QTRY_VERIFY(window.txtPath->hasFocus());
    window.txtPath->setText(QStringLiteral("/srv/Other"));
    window.cmdApply->setFocus(Qt::TabFocusReason);
    QCOMPARE(window.txtPath->text(), QStringLiteral("/srv/Other/"));
    QVERIFY(dialogs.shown.isEmpty());
}

void OptionsWindowTest::browsingChoosesTheFolder() {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    dialogs.folderAnswers << QStringLiteral("/srv/chosen") << QString();
    frmOptions window;
    const QString before = window.txtPath->text();
    window.cmdPath->click();
    QCOMPARE(window.txtPath->text(), QStringLiteral("/srv/chosen/"));
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].kind, QStringLiteral("folder"));
    QCOMPARE(dialogs.shown[0].defaultText, before); // starts at the folder shown
    // Cancelling the chooser keeps the box.
    window.cmdPath_Click();
    QCOMPARE(window.txtPath->text(), QStringLiteral("/srv/chosen/"));
    // Choosing alone stores nothing.
    QCOMPARE(stored("Path", "Company"), env.root());
}

void OptionsWindowTest::applyStoresEverythingAndStaysOpen() {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    frmOptions window;
    window.show();
    window.chkDaily->setChecked(false);
    window.chkMonthly->setChecked(true);
    window.chkNotify->setChecked(false);
    window.chkAuto->setChecked(true);
    window.txtTax->setText(QStringLiteral("6.5"));
    window.txtPath->setText(QStringLiteral("/srv/shops")); // stored as it stands
    window.cmdApply->click();
    QCOMPARE(stored("Log", "Daily"), QStringLiteral("0"));
    QCOMPARE(stored("Log", "Monthly"), QStringLiteral("1"));
    QCOMPARE(stored("Updates", "Notify"), QStringLiteral("0"));
    QCOMPARE(stored("Updates", "Auto"), QStringLiteral("1"));
    QCOMPARE(stored("Tax", "Percent"), QStringLiteral("6.5"));
    QCOMPARE(stored("Path", "Company"), QStringLiteral("/srv/shops"));
    QVERIFY(window.isVisible());
    // The new root counts at once, whether or not the folder exists.
    QCOMPARE(companyRoot(), QStringLiteral("/srv/shops/"));
    QVERIFY(dialogs.shown.isEmpty());
}

void OptionsWindowTest::cancelStoresNothingAndKeepsWhatApplyStored() {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    dialogs.colorAnswers << QColor(1, 2, 3);
    frmOptions window;
    window.show();
    window.txtTax->setText(QStringLiteral("5"));
    window.cmdApply_Click();
    window.txtTax->setText(QStringLiteral("9"));
    window.chkDaily->setChecked(false);
    window.cmdGraCol1_Click();
    window.cmdCancel->click();
    QVERIFY(!window.isVisible());
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QCOMPARE(stored("Tax", "Percent"), QStringLiteral("5"));
    QCOMPARE(stored("Log", "Daily"), QStringLiteral("1"));
    QCOMPARE(gradientFirstColor(), defaultGradientFirstColor());

    // The close box and Esc store nothing either.
    frmOptions again;
    again.show();
    again.txtTax->setText(QStringLiteral("11"));
    QTest::keyClick(&again, Qt::Key_Escape);
    QVERIFY(!again.isVisible());
    QCOMPARE(stored("Tax", "Percent"), QStringLiteral("5"));
}

void OptionsWindowTest::okStoresAndCloses() {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    frmOptions window;
    window.show();
    window.chkMonthly->setChecked(false);
    window.txtTax->setText(QStringLiteral("0.00")); // as typed: the box was not left
    window.cmdOK->click();
    QVERIFY(!window.isVisible());
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(stored("Log", "Monthly"), QStringLiteral("0"));
    QCOMPARE(stored("Log", "Daily"), QStringLiteral("1"));
    QCOMPARE(stored("Tax", "Percent"), QStringLiteral("0.00"));
    QCOMPARE(stored("Path", "Company"), env.root());
    QVERIFY(window.cmdOK->isDefault());
}

void OptionsWindowTest::unusableCompanyRootIsRefused_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    QTest::newRow("root") << QStringLiteral("/")
                          << QStringLiteral(
                                 "The company folder cannot be the root of the file system.");
    QTest::newRow("root spelled long")
        << QStringLiteral("/tmp/../")
        << QStringLiteral("The company folder cannot be the root of the file system.");
    QTest::newRow("a file") << QStringLiteral("FILE")
                            << QStringLiteral(
                                   "The company folder path names a file, not a folder:\nFILE");
}

void OptionsWindowTest::unusableCompanyRootIsRefused() {
    QFETCH(QString, path);
    QFETCH(QString, message);
    TestEnvironment env;
    ScriptedDialogs dialogs;
    const QString file = env.base() + QStringLiteral("/notes.txt");
    TestEnvironment::writeBytes(file, "x");
    path.replace(QStringLiteral("FILE"), file);
    message.replace(QStringLiteral("FILE"), file);
    frmOptions window;
    window.show();
    window.chkMonthly->setChecked(false);
    window.txtPath->setText(path);
    window.cmdOK->click();
    QVERIFY(window.isVisible()); // OK does not close
    QCOMPARE(dialogs.messages(), QStringList{message});
    // Nothing at all is stored, the other boxes included.
    QCOMPARE(stored("Path", "Company"), env.root());
    QCOMPARE(stored("Log", "Monthly"), QStringLiteral("<none>"));
}

void OptionsWindowTest::chosenColorsAreStoredAndUsed() {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    dialogs.colorAnswers << QColor(255, 0, 0) << std::nullopt << QColor(0, 0, 0)
                         << QColor(0, 128, 0);

    QWidget painted;
    painted.resize(120, 80);
    paintsGradient(&painted, 0);
    painted.show();
    QVERIFY(QTest::qWaitForWindowExposed(&painted));

    frmOptions window;
    window.cmdGraCol1->click();
    QCOMPARE(window.txtGraCol1->text(), QStringLiteral("#ff0000"));
    QCOMPARE(window.txtGraCol1->palette().color(QPalette::Base), QColor(255, 0, 0));
    window.cmdGraCol2_Click(); // cancelled: unchanged
    QCOMPARE(window.txtGraCol2->text(), QStringLiteral("#ffffff"));
    window.cmdGraCol2_Click();
    window.cmdConCol_Click();
    QCOMPARE(dialogs.shown.size(), 4);
    for (const ScriptedDialogs::Shown& s : dialogs.shown) {
        QCOMPARE(s.kind, QStringLiteral("color"));
        QCOMPARE(s.title, QStringLiteral("Color Chooser"));
    }
    // Nothing is stored before Apply or OK.
    QCOMPARE(gradientFirstColor(), defaultGradientFirstColor());

    window.cmdOK_Click();
    QCOMPARE(stored("Graphical", "Color1"), QStringLiteral("#ff0000"));
    QCOMPARE(stored("Graphical", "Color2"), QStringLiteral("#000000"));
    QCOMPARE(stored("Graphical", "Controls"), QStringLiteral("#008000"));
    QCOMPARE(gradientFirstColor(), QColor(255, 0, 0));
    QCOMPARE(gradientSecondColor(), QColor(0, 0, 0));
    QCOMPARE(controlColor(), QColor(0, 128, 0));
    // Open windows take the new colours at once.
    const QImage shot = painted.grab().toImage();
    QCOMPARE(shot.pixelColor(60, 0), QColor(255, 0, 0));
    QVERIFY(shot.pixelColor(60, 79).red() < 10);

    // The next opening shows them, and Reset brings back the standard ones.
    frmOptions again;
    QCOMPARE(again.txtConCol->text(), QStringLiteral("#008000"));
    again.cmdColReset->click();
    QCOMPARE(again.txtGraCol1->text(), QStringLiteral("#007fff"));
    again.cmdApply_Click();
    QCOMPARE(gradientFirstColor(), defaultGradientFirstColor());
    QCOMPARE(gradientSecondColor(), defaultGradientSecondColor());
    QCOMPARE(controlColor(), defaultControlColor());
}

void OptionsWindowTest::showOptionsOpensModalOverTheOwnerWindow() {
    TestEnvironment env;
    ScriptedDialogs dialogs;
    QWidget frame;
    auto* child = new QWidget(&frame);
    QWidget* owner = nullptr;
    dialogs.modalActions << [&](QDialog* dialog) {
        owner = dialog->parentWidget();
        auto* window = qobject_cast<frmOptions*>(dialog);
        if (window) {
            window->txtTax->setText(QStringLiteral("4"));
            window->cmdOK_Click();
        }
        return dialog->result();
    };
    frmOptions::showOptions(child);
    QCOMPARE(owner, &frame);
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].kind, QStringLiteral("modal"));
    QCOMPARE(dialogs.shown[0].title, QStringLiteral("Options"));
    QCOMPARE(stored("Tax", "Percent"), QStringLiteral("4"));
}

void OptionsWindowTest::everyAccessKeyIsUniqueAndLeadsSomewhere() {
    TestEnvironment env;
    frmOptions window;
    QStringList keys;
    const QRegularExpression accessKey(QStringLiteral("&([^&])"));
    auto collect = [&](const QString& caption, bool reachable) {
        const QRegularExpressionMatch m = accessKey.match(caption);
        if (!m.hasMatch())
            return;
        QVERIFY2(reachable, qPrintable(caption));
        const QString key = m.captured(1).toLower();
        QVERIFY2(!keys.contains(key), qPrintable(QStringLiteral("access key used twice: ") + key));
        keys << key;
    };
    for (QAbstractButton* b : window.findChildren<QAbstractButton*>())
        collect(b->text(), true);
    for (QLabel* l : window.findChildren<QLabel*>())
        collect(l->text(), l->buddy() != nullptr);
    QCOMPARE(keys.size(), 12);
    // Every "..." button has a box beside it and says what it chooses.
    for (QPushButton* b : {window.cmdGraCol1, window.cmdGraCol2, window.cmdConCol})
        QVERIFY(!b->accessibleName().isEmpty());
}

QTEST_MAIN(OptionsWindowTest)
#include "tst_optionswindow.moc"
