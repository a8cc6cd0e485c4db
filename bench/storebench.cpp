// SPDX-License-Identifier: GPL-3.0-or-later
// Record-file speed: reads and writes on a large file, and many writes one by one against the
// same writes in one rewrite.

#include "bench/bench.h"

#include "manager/store/recordfile.h"

#include <QFile>
#include <QRandomGenerator>

namespace {
constexpr int kLargeKeys = 10000;

QString sku(int i) {
    return QStringLiteral("SKU%1").arg(i, 6, 10, QLatin1Char('0'));
}

// A "Logs/InvCount"-like file of kLargeKeys records.
QString makeLargeFile(const QString& workFolder) {
    const QString path = workFolder + QStringLiteral("/InvCount");
    RecordFile file;
    for (int i = 0; i < kLargeKeys; ++i)
        file.write(QStringLiteral("Inventory"), sku(i), QString::number(i % 97));
    file.save(path);
    return path;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Write {
    QString section, key, value;
};

// An import-like sequence: new items, rewrites of earlier ones, a few removals.
QVector<Write> writeSequence(int count) {
    QRandomGenerator random(1234);
    static const QString sections[] = {QStringLiteral("Cost"), QStringLiteral("Prices"),
                                       QStringLiteral("Tax"), QStringLiteral("Inventory")};
    QVector<Write> writes;
    int created = 0;
    for (int i = 0; i < count; ++i) {
        const int kind = random.bounded(10);
        const int item = (kind < 6 || created == 0) ? created++ : random.bounded(created);
        const QString value =
            kind == 9 ? QString() : QString::number(random.bounded(10000) / 100.0);
        writes.push_back({sections[random.bounded(4)], sku(item), value});
    }
    return writes;
}

QByteArray writeOneByOne(const QString& path, const QVector<Write>& writes) {
    for (const Write& w : writes)
        WriteINIString(w.section, w.key, w.value, path);
    return readAll(path);
}

QByteArray writeInOneRewrite(const QString& path, const QVector<Write>& writes) {
    RecordFile file = RecordFile::loadForWrite(path);
    for (const Write& w : writes)
        file.write(w.section, w.key, w.value);
    file.save(path);
    return readAll(path);
}
} // namespace

void benchGetIniString(const QString& workFolder) {
    const QString path = makeLargeFile(workFolder);
    QRandomGenerator random(42);
    const int calls = 1000;
    int found = 0;
    const double ms = timeMs([&] {
        for (int i = 0; i < calls; ++i)
            found += GetINIString(QStringLiteral("Inventory"), sku(random.bounded(kLargeKeys)),
                                  QString(), path)
                             .isEmpty()
                         ? 0
                         : 1;
    });
    reportCase(QStringLiteral("get_ini_string"), kLargeKeys, ms,
               {{QStringLiteral("calls"), calls},
                {QStringLiteral("per_call_ms"), ms / calls},
                {QStringLiteral("found"), found}});
}

void benchWriteIniString(const QString& workFolder) {
    const QString path = makeLargeFile(workFolder);
    QRandomGenerator random(43);
    const int calls = 100;
    const double ms = timeMs([&] {
        for (int i = 0; i < calls; ++i)
            WriteINIString(QStringLiteral("Inventory"), sku(random.bounded(kLargeKeys)),
                           QString::number(i), path);
    });
    reportCase(QStringLiteral("write_ini_string"), kLargeKeys, ms,
               {{QStringLiteral("calls"), calls}, {QStringLiteral("per_call_ms"), ms / calls}});
}

void benchWritesOneByOne(const QString& workFolder) {
    const QVector<Write> writes = writeSequence(1000);
    QByteArray single;
    const double ms =
        timeMs([&] { single = writeOneByOne(workFolder + QStringLiteral("/single"), writes); });
    const QByteArray batched = writeInOneRewrite(workFolder + QStringLiteral("/batched"), writes);
    reportCase(QStringLiteral("writes_one_by_one"), writes.size(), ms,
               {{QStringLiteral("per_call_ms"), ms / writes.size()},
                {QStringLiteral("bytes"), single.size()},
                {QStringLiteral("same_bytes"), single == batched}});
}

void benchWritesOneRewrite(const QString& workFolder) {
    const QVector<Write> writes = writeSequence(1000);
    QByteArray batched;
    const double ms = timeMs(
        [&] { batched = writeInOneRewrite(workFolder + QStringLiteral("/batched"), writes); });
    const QByteArray single = writeOneByOne(workFolder + QStringLiteral("/single"), writes);
    reportCase(QStringLiteral("writes_one_rewrite"), writes.size(), ms,
               {{QStringLiteral("per_call_ms"), ms / writes.size()},
                {QStringLiteral("bytes"), batched.size()},
                {QStringLiteral("same_bytes"), single == batched}});
}
