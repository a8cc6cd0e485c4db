// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonObject>
#include <QString>

#include <functional>

// One benchmark case prints one JSON object per line: {"case": ..., "n": ..., "ms": ...} plus
// any extra fields the case adds.
void reportCase(const QString& name, qint64 n, double ms, const QJsonObject& extra = {});

// A registered case: run(workFolder) does its set-up in workFolder (a fresh temporary folder)
// and calls reportCase for what it measured.
struct BenchCase {
    QString name;
    std::function<void(const QString& workFolder)> run;
};

// Writes a set-up file whole (no checks: a failed set-up shows in the case's result).
void writeFile(const QString& path, const QByteArray& bytes);

// Milliseconds taken by body, measured with a monotonic clock.
double timeMs(const std::function<void()>& body);

// Whether a case runs its size n: TALLYVANE_BENCH_MAX=N skips the sizes above N.
bool withinBenchSize(qint64 n);
// CPU time of this process so far (user and system), in milliseconds.
double cpuMs();
