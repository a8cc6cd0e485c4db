// SPDX-License-Identifier: GPL-3.0-or-later
// Every state a power cut can leave: a sale and a batch slice run under strace, their file-system
// calls are replayed into a scratch folder prefix by prefix, each once as it reached the disk and
// once with only what was synced (strict POSIX: unsynced data and names may be lost). Recovery
// then takes the lock, and no state may lose, double or half-apply the recording.

#include "manager/store/companylock.h"
#include "manager/store/companystore.h"
#include "manager/store/periodfiles.h"
#include "manager/store/recordfile.h"
#include "manager/store/runtimeerror.h"
#include "tests/cli/clirunner.h"
#include "tests/support/testenvironment.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

namespace {

// The files under a folder as the model sees them: path -> inode.
struct Disk {
    QMap<QString, int> names;        // every name as the running program sees it
    QMap<QString, int> durableNames; // the names a folder sync made durable
    QVector<QByteArray> data;        // per inode, as written
    QVector<QByteArray> durableData; // per inode, as synced

    int newInode(const QByteArray& bytes = QByteArray()) {
        data << bytes;
        durableData << bytes;
        return int(data.size() - 1);
    }
    void syncFolder(const QString& folder) {
        for (auto it = durableNames.begin(); it != durableNames.end();)
            it = QFileInfo(it.key()).path() == folder ? durableNames.erase(it) : std::next(it);
        for (auto it = names.cbegin(); it != names.cend(); ++it)
            if (QFileInfo(it.key()).path() == folder)
                durableNames.insert(it.key(), it.value());
    }
    QMap<QString, QByteArray> files(bool onlySynced) const {
        QMap<QString, QByteArray> out;
        const auto& chosen = onlySynced ? durableNames : names;
        for (auto it = chosen.cbegin(); it != chosen.cend(); ++it)
            out.insert(it.key(), (onlySynced ? durableData : data).at(it.value()));
        return out;
    }
};

QByteArray unhex(const QString& text) {
    QByteArray out;
    for (const QString& byte : text.split(QStringLiteral("\\x"), Qt::SkipEmptyParts))
        out += char(byte.toInt(nullptr, 16));
    return out;
}

// One call of the trace on the files under root, applied to the model; returns false for calls
// that touch nothing under it.
class Replayer {
public:
    explicit Replayer(const QString& root)
        : m_root(root) {
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            disk.names.insert(path, disk.newInode(TestEnvironment::readBytes(path)));
        }
        disk.durableNames = disk.names;
    }

    bool apply(const QString& line) {
        static const QRegularExpression call(
            QStringLiteral("^\\d+\\s+(\\w+)\\((.*)\\)\\s+= (-?\\d+)"));
        static const QRegularExpression strings(QStringLiteral("\"((?:\\\\x[0-9a-f]{2})*)\""));
        static const QRegularExpression fds(QStringLiteral("(\\d+)<((?:\\\\x[0-9a-f]{2})*)>"));
        const auto match = call.match(line);
        if (!match.hasMatch() || match.captured(3).toInt() < 0)
            return false;
        const QString name = match.captured(1);
        const QString args = match.captured(2);
        QList<QByteArray> text;
        for (const auto& m : strings.globalMatch(args))
            text << unhex(m.captured(1));
        QList<int> fdNumbers;
        QStringList fdPaths;
        for (const auto& m : fds.globalMatch(args)) {
            fdNumbers << m.captured(1).toInt();
            fdPaths << QString::fromUtf8(unhex(m.captured(2)));
        }
        const int result = match.captured(3).toInt();
        if (name == QLatin1String("openat")) {
            const QString path = QString::fromUtf8(text.value(0));
            if (!inside(path))
                return false;
            if (args.contains(QLatin1String("O_TMPFILE"))) {
                m_open[result] = disk.newInode();
            } else if (args.contains(QLatin1String("O_DIRECTORY")) || QFileInfo(path).isDir()) {
                m_folders[result] = path;
            } else {
                if (!disk.names.contains(path))
                    disk.names.insert(path, disk.newInode());
                m_open[result] = disk.names.value(path);
                if (args.contains(QLatin1String("O_TRUNC")))
                    disk.data[m_open[result]].clear();
            }
            m_offset[result] = 0;
            return true;
        }
        const int fd = fdNumbers.value(0, -1);
        if (name == QLatin1String("linkat")) {
            const QString to = QString::fromUtf8(text.last());
            const QString from = QString::fromUtf8(text.value(0));
            const int source =
                from.startsWith(QLatin1String("/proc/self/fd/")) ? from.mid(14).toInt() : fd;
            if (!inside(to) || !m_open.contains(source))
                return false;
            disk.names.insert(to, m_open.value(source));
            return true;
        }
        if (name.startsWith(QLatin1String("rename"))) {
            const QString from = QString::fromUtf8(text.value(0));
            const QString to = QString::fromUtf8(text.value(1));
            if (!inside(from) || !disk.names.contains(from))
                return false;
            disk.names.insert(to, disk.names.take(from));
            return true;
        }
        if (name.startsWith(QLatin1String("unlink"))) {
            return disk.names.remove(QString::fromUtf8(text.value(0))) > 0;
        }
        if (name == QLatin1String("close")) {
            m_open.remove(fd);
            m_folders.remove(fd);
            return false;
        }
        if (name == QLatin1String("fsync") || name == QLatin1String("fdatasync")) {
            if (m_folders.contains(fd))
                disk.syncFolder(m_folders.value(fd));
            else if (m_open.contains(fd))
                disk.durableData[m_open[fd]] = disk.data[m_open[fd]];
            else
                return false;
            return true;
        }
        if (!m_open.contains(fd))
            return false;
        QByteArray& bytes = disk.data[m_open[fd]];
        if (name == QLatin1String("ftruncate")) {
            bytes.truncate(args.section(QLatin1Char(','), -1).trimmed().toInt());
        } else if (name == QLatin1String("write") || name == QLatin1String("pwrite64")) {
            const qsizetype at = name == QLatin1String("write")
                                     ? m_offset[fd]
                                     : args.section(QLatin1Char(','), -1).trimmed().toLongLong();
            const QByteArray written = text.value(0).left(result);
            if (bytes.size() < at + written.size())
                bytes.resize(at + written.size());
            bytes.replace(at, written.size(), written);
            if (name == QLatin1String("write"))
                m_offset[fd] = at + written.size();
        } else {
            return false;
        }
        return true;
    }

    Disk disk;

private:
    bool inside(const QString& path) const { return path.startsWith(m_root); }
    QString m_root;
    QHash<int, int> m_open;        // descriptor -> inode
    QHash<int, QString> m_folders; // descriptor -> folder
    QHash<int, qsizetype> m_offset;
};

QString stock(const QString& folder) {
    return GetINIString("Inventory", "A1", "?", invCountPath(folder));
}
QString sold(const QString& period) {
    return GetINIString("Sales", "A1", "0", period);
}

} // namespace

class CrashStatesTest : public QObject {
    Q_OBJECT

private slots:
    void noStateLosesDoublesOrHalfApplies_data() {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<int>("units");
        QTest::newRow("one sale") << QStringList{"sale", "A1"} << 1;
        QTest::newRow("one batch slice") << QStringList{"batch", "{base}/batch.txt"} << 2;
    }
    void noStateLosesDoublesOrHalfApplies() {
        QFETCH(QStringList, command);
        QFETCH(int, units);
        const QString strace = QStandardPaths::findExecutable("strace");
        if (strace.isEmpty())
            QSKIP("strace is not installed");
        TestEnvironment env;
        const QString folder = env.makeCompany("Shop");
        TestEnvironment::writeBytes(invCountPath(folder), "Inventory\\A1=5\r\n");
        TestEnvironment::writeBytes(priceLogPath(folder),
                                    "Cost\\A1=1\r\nPrices\\A1=2\r\nTax\\A1=0\r\n");
        TestEnvironment::writeBytes(env.base() + "/batch.txt", "A1\r\nA1\r\n");
        Replayer replayer(QDir(folder).absolutePath());
        const Disk before = replayer.disk;

        const QString trace = env.base() + "/trace.txt";
        QStringList arguments{"-f",
                              "-qq",
                              "-y",
                              "-xx",
                              "-s",
                              "1000000",
                              "-o",
                              trace,
                              "-e",
                              "trace=openat,write,pwrite64,ftruncate,fsync,fdatasync,close,"
                              "rename,renameat,renameat2,unlink,unlinkat,linkat",
                              cliPath(),
                              command.first(),
                              "--company",
                              "Shop",
                              "--root",
                              env.root()};
        for (const QString& argument : command.mid(1))
            arguments << QString(argument).replace("{base}", env.base());
        QProcess run;
        run.start(strace, arguments);
        QVERIFY(run.waitForFinished(60000));
        QCOMPARE(run.exitCode(), 0);

        QVector<Disk> states{before};
        for (const QString& line : QString::fromUtf8(TestEnvironment::readBytes(trace)).split('\n'))
            if (replayer.apply(line))
                states << replayer.disk;
        QVERIFY(states.size() > 10);

        const QString daily = QFileInfo(dailyPeriodFile(folder, QDate::currentDate())).fileName();
        const QString monthly =
            QFileInfo(monthlyPeriodFile(folder, QDate::currentDate())).fileName();
        const QString done = QString::number(5 - units) + "|" + QString::number(units) + "|" +
                             QString::number(units);
        int applied = 0;
        for (int k = 0; k < states.size(); ++k) {
            for (const bool onlySynced : {false, true}) {
                const QString scratch = env.base() + QString("/state%1-%2/").arg(k).arg(onlySynced);
                QVERIFY(QDir().mkpath(scratch + "Logs") && QDir().mkpath(scratch + "Reports"));
                const auto files = states[k].files(onlySynced);
                for (auto it = files.cbegin(); it != files.cend(); ++it)
                    TestEnvironment::writeBytes(scratch + QDir(folder).relativeFilePath(it.key()),
                                                it.value());
                try {
                    const CompanyLock recovery(scratch);
                } catch (const RuntimeError& error) {
                    QFAIL(qPrintable(QString("state %1: %2").arg(k).arg(error.description())));
                }
                const QString found = stock(scratch) + "|" + sold(scratch + "Reports/" + daily) +
                                      "|" + sold(scratch + "Reports/" + monthly);
                const QString where = QString("state %1 of %2%3: %4")
                                          .arg(k)
                                          .arg(states.size() - 1)
                                          .arg(onlySynced ? ", only what was synced" : "")
                                          .arg(found);
                QVERIFY2(found == "5|0|0" || found == done, qPrintable(where));
                // Once the program has finished, the recording it acknowledged stays.
                if (k == states.size() - 1)
                    QVERIFY2(found == done, qPrintable(where));
                applied += found == done;
                QDir(scratch).removeRecursively();
            }
        }
        QVERIFY(applied > 0 && applied < 2 * states.size());
    }
};

QTEST_GUILESS_MAIN(CrashStatesTest)
#include "tst_crashstates.moc"
