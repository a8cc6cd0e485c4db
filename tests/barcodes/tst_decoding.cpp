// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/barcodes/picture.h"
#include "manager/barcodes/symbols.h"
#include "tests/barcodes/zbarreader.h"
#include "tests/barcodes/zxingreader.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

// Saved pictures of many random codes must read back as exactly the code they show, whichever
// of two common decoders reads them.
class TestDecoding : public QObject {
    Q_OBJECT

private slots:
    void savedPicturesDecode_data();
    void savedPicturesDecode();
};

void TestDecoding::savedPicturesDecode_data() {
    QTest::addColumn<bool>("upc");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("upc bmp") << true << "bmp";
    QTest::newRow("upc png") << true << "png";
    QTest::newRow("code39 bmp") << false << "bmp";
}

void TestDecoding::savedPicturesDecode() {
    QFETCH(bool, upc);
    QFETCH(QString, suffix);
    QTemporaryDir dir;
    QRandomGenerator random(upc ? 11 : 39);
    const QStringList alphabet = barcodes::code39Characters().mid(0, 43);
    const int rounds = 300;
    int misses = 0;
    for (int round = 0; round < rounds; ++round) {
        QString text, expected;
        QImage picture;
        if (upc) {
            for (int i = 0; i < 11; ++i)
                text += QChar('0' + random.bounded(10));
            picture =
                barcodes::blankPicture(barcodes::kUpcPictureWidth, barcodes::kUpcPictureHeight);
            expected = "UPC-A:" + text + QString::number(barcodes::drawUpc(picture, text));
        } else {
            const int length = 1 + random.bounded(30);
            for (int i = 0; i < length; ++i) {
                const QString c = alphabet.at(random.bounded(alphabet.size()));
                text += c == "SP" ? QStringLiteral(" ") : c.toLower();
            }
            picture = barcodes::blankPicture(barcodes::code39PictureWidth(text),
                                             barcodes::kCode39PictureHeight);
            barcodes::drawCode39(picture, text);
            expected = "CODE-39:" + text.toUpper();
        }
        const QString file = dir.filePath(QString::number(round) + '.' + suffix);
        QVERIFY(barcodes::savePicture(picture, file, nullptr));
        const QImage saved(file);
        QCOMPARE(qRound(saved.dotsPerMeterX() * 0.0254), 288);
        const QStringList found = zbarRead(saved) + zxingRead(saved, {saved.rect()});
        if (found != QStringList{expected, expected}) {
            ++misses;
            qWarning() << "expected" << expected << "read" << found;
        }
    }
    qInfo("%d of %d pictures decoded", rounds - misses, rounds);
    QCOMPARE(misses, 0);
}

QTEST_MAIN(TestDecoding)
#include "tst_decoding.moc"
