// SPDX-License-Identifier: GPL-3.0-or-later
// tallyvane-cli without a command: help, version, usage errors.

#include "tests/cli/clirunner.h"
#include "tests/support/testenvironment.h"

#include <QtTest>

class TestCli : public QObject {
    Q_OBJECT

    TestEnvironment* env = nullptr;

private slots:
    void init() { env = new TestEnvironment; }
    void cleanup() { delete env; }

    void helpListsUsage() {
        for (const char* option : {"--help", "-h"}) {
            const CliResult result = runCli({option});
            QCOMPARE(result.exitCode, 0);
            QVERIFY(result.outText().startsWith("Usage: tallyvane-cli COMMAND [OPTIONS]\n"));
            QVERIFY(result.outText().contains("tallyvane-cli --help | --version"));
            QVERIFY(result.outText().contains("Commands:"));
            QCOMPARE(result.err, QByteArray());
        }
    }

    void versionNamesProgramAndVersion() {
        const CliResult result = runCli({"--version"});
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.outText(), QString("tallyvane-cli 1.0.0\n"));
    }

    void noArgumentsIsUsageError() {
        const CliResult result = runCli({});
        QCOMPARE(result.exitCode, 2);
        QCOMPARE(result.out, QByteArray());
        QVERIFY(result.errText().startsWith("Usage: tallyvane-cli"));
    }

    void unknownCommandIsRefused() {
        const CliResult result = runCli({"frobnicate", "--company", "Acme"}, "ignored input");
        QCOMPARE(result.exitCode, 2);
        QCOMPARE(result.out, QByteArray());
        QCOMPARE(result.errText(),
                 QString("Unknown command \"frobnicate\". Try tallyvane-cli --help.\n"));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
