// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/store/decimal.h"
#include "manager/store/runtimeerror.h"

#include <QDate>
#include <QString>
#include <QVector>

#include <memory>
#include <optional>

// The answers of the tax question handed to the recordings; 0 = not asked, which the recordings
// turn into 6 so that a caller that does not ask records tax for every taxable item.
enum TaxAnswerValue { TaxNotAsked = 0, TaxYes = 6, TaxNo = 7 };

// The money of one recording of quantity units of a SKU.
struct SaleAmounts {
    Decimal gross; // tax-inclusive for taxable items, whatever the tax answer
    Decimal tax;
    Decimal cost;
    Decimal net() const { return gross - cost; }
};

// The tax rule: a flag whose whole-number value is 0 means no tax; otherwise the unit price
// times (1 + percent / 100) is rounded to cents (halves to even) and the tax is the difference
// to the untaxed amount when the answer is 6, else 0.
SaleAmounts saleAmounts(const Decimal& price, const Decimal& unitCost, const Decimal& taxFlag,
                        const Decimal& percent, const Decimal& quantity, int taxAnswer);

// The same, reading price, cost and flag from "Logs/PriceLog" (missing: 0, 0, 1) and the rate
// from the settings ("Tax"/"Percent", default 0). A stored value that is not a number is a type
// mismatch (RuntimeError 13).
SaleAmounts saleAmounts(const QString& companyFolder, const QString& sku, const Decimal& quantity,
                        int taxAnswer);

enum class Movement { Sale, Return };

// One read-add-write step on a period file.
struct PeriodStep {
    QString section;
    QString key;
    Decimal amount; // added; negative amounts subtract
};

// The nine steps of a recording on one period file, in their order.
QVector<PeriodStep> periodSteps(Movement movement, const QString& sku, const Decimal& quantity,
                                const SaleAmounts& amounts);

// Records a sale or a return of quantity units in the period files of date that the settings
// "Log"/"Daily" and "Log"/"Monthly" (read on every call) keep. A tax answer of 0 becomes 6, and
// the caller sees that. Each period file is rewritten once, atomically. Every value is read and
// checked before anything is written, so a bad record leaves all files as they were.
// Throws RuntimeError. Returns the number of files written (0, 1 or 2).
int recordMovement(const QString& companyFolder, Movement movement, const QString& sku,
                   const Decimal& quantity, int& taxAnswer,
                   const QDate& date = QDate::currentDate());

// The recordings as callers outside a handler of their own use them: an error is reported
// through the standard handler ("LogSale" / "LogReturn") and gives false.
bool LogSale(const QString& companyFolder, const QString& sku, const Decimal& quantity,
             int& taxAnswer, const QDate& date = QDate::currentDate());
bool LogReturn(const QString& companyFolder, const QString& sku, const Decimal& quantity,
               int& taxAnswer, const QDate& date = QDate::currentDate());
// For callers that pass a fixed answer and do not look at it afterwards (the sales server's 0).
bool LogSale(const QString& companyFolder, const QString& sku, const Decimal& quantity,
             int&& taxAnswer, const QDate& date = QDate::currentDate());
bool LogReturn(const QString& companyFolder, const QString& sku, const Decimal& quantity,
               int&& taxAnswer, const QDate& date = QDate::currentDate());

// "&Make a Sale" once its answers are known.
enum class SaleStatus {
    Recorded,   // stock written and the sale or return recorded
    NoQuantity, // the quantity is 0: nothing to do, nothing said
    NotEnough,  // "Not enough in inventory." (the batch, the scan: scanNotEnoughText)
    UnknownSku, // no stock record, when the road needs one (SKU + " doesn't exist.")
};

// The stock rule of each road that records sales.
enum class MissingStock {
    // "&Make a Sale": a missing record counts as 0, a sale needs stock >= quantity.
    CountsAsZero,
    // The command line's sale: the same, but a SKU without a stock record does not exist.
    Refused,
    // The sales server's and the batch's rule: the stored count read as a 32-bit whole number;
    // a sale is refused only on the exact text "0" or a missing record (a negative count still
    // sells), a return needs a stock record; beyond the range is error 6.
    WholeUnits,
    // The scan window's rule: a stock record is needed, for a sale too; the count and the number
    // are whole numbers of any size (halves to even), and a sale needs count >= number.
    Scanned,
};

// Which way a request moves the stock.
enum class Direction {
    BySign,   // a positive quantity sells, a negative one returns its absolute value
    Sale,     // the scan's: any number, 0 and negative ones too, recorded as sales
    Return,   // the scan's returns
    Addition, // the scan's additions: the stock rises, nothing is recorded
};

struct SaleOutcome {
    SaleStatus status = SaleStatus::NoQuantity;
    bool isReturn = false;
    Decimal quantity;            // units sold or returned (positive, but for the scan's numbers)
    Decimal stock;               // the stock count after the recording
    int taxAnswer = TaxNotAsked; // as recorded (0 became 6)
    // A sale that left the stock at or below the SKU's minimum: that minimum.
    std::optional<qint64> lowMinimum;
};

// The server's and the batch's reading of a stored count, changed by delta within 32 bits;
// beyond the range is an overflow (RuntimeError 6).
Decimal changedWholeCount(const QString& stored, int delta);

QString notEnoughInInventoryText();            // "Not enough in inventory."
QString doesNotExistText(const QString& sku);  // SKU + " doesn't exist."
QString scanNotEnoughText(const QString& sku); // "Not enough of SKU ... or ... doesn't exist."
// The line the batch log and the sales server's log give one unit sold or returned: "Received
// sale of SKU: ", "Received return for SKU: ", or the refusal.
QString unitOutcomeText(const QString& sku, bool isReturn, SaleStatus status);

// A number stored for a SKU (its "price", "cost", "taxable flag" or "stock"). One that is not a
// number is a type mismatch (RuntimeError 13) whose description names the SKU and the text, so
// the user knows which item to mend.
Decimal storedSkuNumber(const QString& text, const QString& what, const QString& sku);

// "Inventory" of the SKU in "Logs/InvCount" (missing: 0); not a number is RuntimeError 13.
Decimal stockCount(const QString& companyFolder, const QString& sku);

// Whether "&Make a Sale" asks the tax question: the SKU's taxable flag is numerically 1.
bool asksTaxQuestion(const QString& companyFolder, const QString& sku);

// One request of any road. With the rules of "&Make a Sale" and the command line, taxAnswer
// counts only for an item whose flag is 1 (the only ones asked about); the other roads' answer
// counts for every taxable item. An answer of 0 becomes 6.
struct SaleRequest {
    QString sku;
    Decimal quantity;
    int taxAnswer = TaxNotAsked;
    MissingStock missing = MissingStock::CountsAsZero;
    Direction direction = Direction::BySign;
};
struct SaleResult {
    SaleOutcome outcome;
    std::optional<RuntimeError> error; // set when the request failed; nothing of it changed
    // The error came from the recording in the period files (what the roads report under
    // "LogSale" / "LogReturn"), not from the stock count or the writing of the files.
    bool recordingFailed = false;
};

// A batch line or a sales-server message as one unit: "!!" + SKU returns one unit, any other
// text sells one of the SKU that is the whole text, by the WholeUnits rule.
SaleRequest unitRequest(const QString& line, int taxAnswer);
// The procedure a failed recording is reported under: "LogSale" or "LogReturn".
QString recordingProcedure(bool isReturn);

// What a run of units (a batch) keeps from one commit to the next: the numbers its commits read
// and wrote for each SKU. A commit uses them only while every file it takes is the very copy the
// run's last commit kept, so that nobody changed them in between; else it reads them again.
class UnitMemory {
public:
    UnitMemory();
    ~UnitMemory();
    UnitMemory(const UnitMemory&) = delete;
    UnitMemory& operator=(const UnitMemory&) = delete;

private:
    friend class SaleCommit;
    struct Private;
    std::unique_ptr<Private> d;
};

// Recordings gathered under one hold of the company's lock and written in one commit: each
// request is checked against the files in memory and applied there on its own (a refused or
// failing one changes nothing), and write() then replaces every changed file, all or none. The
// files come from the copies kept since the last commit while they are still the ones on disk,
// and are kept again once written, so a busy day's files are not read again.
class SaleCommit {
public:
    // Takes the company's lock and reads the files. Throws RuntimeError. With memory, the units
    // go on from what the run's last commit left there, and leave it there once written.
    SaleCommit(const QString& companyFolder, const QDate& date, UnitMemory* memory = nullptr);
    ~SaleCommit();
    SaleCommit(const SaleCommit&) = delete;
    SaleCommit& operator=(const SaleCommit&) = delete;

    SaleResult add(const SaleRequest& request);
    // The same as add(unitRequest(...)) for one unit of sku sold or returned, for runs of many:
    // each SKU's records are read once per commit and its units counted, and the records are
    // worked out and written as text once, when the commit is written (in the order the writes
    // one by one would leave them, so the bytes are the same).
    SaleResult addUnit(const QString& sku, bool isReturn, int taxAnswer);
    // The recording alone, as LogSale / LogReturn make it: quantity units go into the period
    // files, the stock stays. Returns the number of period files it changes. Throws
    // RuntimeError, and then nothing changed.
    int record(Movement movement, const QString& sku, const Decimal& quantity, int taxAnswer);
    // Writes the changed files together, once. Throws RuntimeError: then nothing was written.
    void write();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// The recordings of several requests in one commit, as the sales server gathers its waiting
// messages. When the commit fails, every request that was recorded fails with its error and
// nothing changed.
QVector<SaleResult> makeSales(const QString& companyFolder, const QVector<SaleRequest>& requests,
                              const QDate& date = QDate::currentDate());

// One request of "&Make a Sale" (or, with Refused, the command line): a positive quantity sells,
// a negative one returns its absolute value (the stock rises), 0 does nothing. Throws
// RuntimeError; then nothing changed.
SaleOutcome makeSale(const QString& companyFolder, const QString& sku, const Decimal& quantity,
                     int taxAnswer, MissingStock missing = MissingStock::CountsAsZero,
                     const QDate& date = QDate::currentDate());
