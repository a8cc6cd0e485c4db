// SPDX-License-Identifier: GPL-3.0-or-later
// Single-line text boxes drop the line breaks of pasted text, wherever the cursor was.

#include "manager/shell/singleline.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

class SingleLineTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { keepTextBoxesSingleLine(QCoreApplication::instance()); }

    void pastedLineBreaksAreRemoved_data() {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("expected");
        QTest::newRow("LF") << "Blue\nmug" << "[Bluemug]";
        QTest::newRow("CR LF") << "Blue\r\nmug\r\n" << "[Bluemug]";
        QTest::newRow("CR") << "\rBlue\rmug" << "[Bluemug]";
        QTest::newRow("none") << "Blue mug" << "[Blue mug]";
    }
    void pastedLineBreaksAreRemoved() {
        QFETCH(QString, pasted);
        QFETCH(QString, expected);
        QLineEdit box;
        box.setText("[]");
        box.show();
        box.setCursorPosition(1);
        QGuiApplication::clipboard()->setText(pasted);
        box.paste();
        QCOMPARE(box.text(), expected);
        QCOMPARE(box.cursorPosition(), int(expected.size()) - 1);
    }
};

QTEST_MAIN(SingleLineTest)
#include "tst_singleline.moc"
