#pragma once

#include <QString>

// One writer at a time per company, across processes: an advisory lock on the hidden file
// ".lock" in the company's "Logs" folder, held from construction to destruction. Whoever reads
// and then writes a company's store holds it for that one read-modify-write, and reads the files
// afresh under it. Without a "Logs" folder there is nothing to guard and nothing is locked.
class CompanyLock {
public:
    explicit CompanyLock(const QString& companyFolder);
    ~CompanyLock();
    CompanyLock(const CompanyLock&) = delete;
    CompanyLock& operator=(const CompanyLock&) = delete;

private:
    int m_descriptor = -1;
};
