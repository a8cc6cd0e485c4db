// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// One writer at a time per company, across processes: an advisory lock on the hidden file
// ".lock" in the company's "Logs" folder, held from construction to destruction. Whoever reads
// and then writes a company's store holds it for that one read-modify-write, and reads the files
// afresh under it. The thread that holds it may take it again without waiting. Without a "Logs"
// folder there is nothing to guard and nothing is locked.
//
// Taking the lock first finishes a recording that a killed process left half-replaced (its
// journal), and once per process removes the temporary files such a process left.
class CompanyLock {
public:
    explicit CompanyLock(const QString& companyFolder);
    ~CompanyLock();
    CompanyLock(const CompanyLock&) = delete;
    CompanyLock& operator=(const CompanyLock&) = delete;

private:
    QString m_folder;
    int m_descriptor = -1;
};

// The journal of the company's recordings, in its "Logs" folder (hidden from every listing).
QString companyJournalPath(const QString& companyFolder);
