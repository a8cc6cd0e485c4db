// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>
#include <memory>

class QWidget;
class frmResults;

// The progress of a batch run. The desktop shows a modal progress dialog, which keeps the
// windows painted while the run goes on; tests install their own.
class BatchProgress {
public:
    virtual ~BatchProgress() = default;
    virtual void start(qint64 total) = 0;
    virtual void advance(qint64 done) = 0;
    virtual bool cancelled() const { return false; }
};

using BatchProgressFactory = std::function<std::unique_ptr<BatchProgress>(QWidget* parent)>;
// Installs a factory; an empty one restores the progress dialog.
void setBatchProgressFactory(BatchProgressFactory factory);

// "Process &Batch File" of the company chooser: asks for the file, the tax answer and a
// confirmation, processes the file with progress, writes "Logs/LastBatchProcess.txt", says
// "Batch file processing is complete." and shows the log in a results window (returned).
// The chooser is disabled from the first question until the run ends, whatever the way out.
frmResults* processBatchFileCommand(QWidget* chooser, const QString& company,
                                    const QString& companyFolder);
