// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/interchange/csveditor.h"

#include "manager/interchange/csvtext.h"
#include "manager/shell/dialogs.h"
#include "manager/shell/gradientbackground.h"
#include "manager/shell/twips.h"
#include "manager/shell/windowhost.h"
#include "manager/store/filesystem.h"
#include "manager/store/runtimeerror.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QProgressDialog>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <map>

namespace {

QPointer<frmCSV> g_editor;

const QString kFilter = QStringLiteral("Comma Separated Values(*.csv)|*.csv|All Files (*.*)|*.*");
const QString kCaption = QStringLiteral("CSV Edit Utility");

// Larger files are refused: a grid of them would take the memory of the whole machine.
constexpr qint64 kLargestFile = 64 * 1024 * 1024;
// Widths are measured on the start of a cell, and no column grows wider than this.
constexpr int kMeasuredChars = 1000;
constexpr int kWidestColumn = 1200;
// A longer cell shows its start in the grid, ended by an ellipsis; the text box, Save and Print
// have the whole text.
constexpr int kShownChars = 1000;

QString oneLine(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text;
}

// Text widths as the sum of each character's advance, cached per character: close enough for a
// column width, and fast enough for a file of millions of cells.
class TextWidths {
public:
    explicit TextWidths(const QFont& font)
        : m_metrics(font)
        , m_advances(0x10000, -1) {}
    // The width of the start of text, counted no further than limit.
    int width(const QString& text, int limit) {
        int width = 0;
        const qsizetype n = std::min<qsizetype>(text.size(), kMeasuredChars);
        for (qsizetype i = 0; i < n && width <= limit; ++i)
            width += advance(text[i]);
        return width;
    }

private:
    int advance(QChar c) {
        qint16& advance = m_advances[c.unicode()];
        if (advance < 0) {
            if (c.isSurrogate())
                advance = qint16(m_metrics.averageCharWidth());
            else if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
                advance = qint16(m_metrics.horizontalAdvance(QLatin1Char(' ')));
            else
                advance = qint16(std::clamp(m_metrics.horizontalAdvance(c), 0, 1000));
        }
        return advance;
    }

    QFontMetrics m_metrics;
    std::vector<qint16> m_advances;
};

// A progress window with Cancel that shows itself only when the work takes more than a moment.
class LoadProgress {
public:
    LoadProgress(QWidget* parent, const QString& label)
        : m_dialog(label, QStringLiteral("&Cancel"), 0, 1000, parent) {
        m_dialog.setWindowTitle(kCaption);
        m_dialog.setWindowModality(Qt::ApplicationModal);
        m_dialog.setMinimumDuration(500);
        m_dialog.setAutoReset(false);
        m_dialog.setAutoClose(false);
    }
    // Where the work is, from 0 to 1; false when the user cancelled.
    bool at(double fraction) {
        m_dialog.setValue(int(fraction * 1000));
        QCoreApplication::processEvents();
        return !m_dialog.wasCanceled();
    }

private:
    QProgressDialog m_dialog;
};

} // namespace

CsvTable::CsvTable(QObject* parent)
    : QAbstractTableModel(parent)
    , m_cells(1, QStringList(QString())) {}

// Rows and columns come and go with insert and remove notices, not a reset, so the grid keeps
// its current cell and what is typed next still lands in it.
void CsvTable::setRows(int rows) {
    const int have = int(m_cells.size());
    const int want = std::max(rows, 1) - 1;
    if (want > have) {
        beginInsertRows(QModelIndex(), have, want - 1);
        m_cells.resize(want, QStringList());
        for (int r = have; r < want; ++r)
            while (m_cells[r].size() < m_cols - 1)
                m_cells[r].append(QString());
        endInsertRows();
    } else if (want < have) {
        beginRemoveRows(QModelIndex(), want, have - 1);
        m_cells.resize(want);
        endRemoveRows();
    }
}

void CsvTable::setCols(int cols) {
    cols = std::max(cols, 1);
    if (cols > m_cols) {
        beginInsertColumns(QModelIndex(), m_cols - 1, cols - 2);
        m_cols = cols;
        for (QStringList& row : m_cells)
            while (row.size() < m_cols - 1)
                row.append(QString());
        endInsertColumns();
    } else if (cols < m_cols) {
        beginRemoveColumns(QModelIndex(), cols - 1, m_cols - 2);
        m_cols = cols;
        for (QStringList& row : m_cells)
            while (row.size() > m_cols - 1)
                row.removeLast();
        endRemoveColumns();
    }
}

QString CsvTable::cell(int row, int col) const {
    if (row < 1 || row >= rows() || col < 1 || col >= m_cols)
        return QString();
    return m_cells[row - 1][col - 1];
}

void CsvTable::setCell(int row, int col, const QString& text) {
    if (row < 1 || row >= rows() || col < 1 || col >= m_cols)
        return;
    m_cells[row - 1][col - 1] = text;
    const QModelIndex at = index(row - 1, col - 1);
    emit dataChanged(at, at);
}

void CsvTable::replaceRows(const QVector<QStringList>& rows, int cols) {
    beginResetModel();
    m_cols = std::max(m_cols, cols);
    m_cells = rows;
    for (QStringList& row : m_cells)
        while (row.size() < m_cols - 1)
            row.append(QString());
    endResetModel();
}

QByteArray CsvTable::csvBytes() const {
    QStringList lines;
    lines.reserve(m_cells.size());
    for (const QStringList& row : m_cells)
        lines.append(csvLine(row));
    return encodeCsvText(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"), m_encoding);
}

int CsvTable::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_cells.size());
}

int CsvTable::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_cols - 1;
}

QVariant CsvTable::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    const QString& text = m_cells[index.row()][index.column()];
    // Laying out a cell of megabytes would stall the grid; its start is what fits anyway.
    if (role == Qt::DisplayRole && text.size() > kShownChars)
        return QString(text.left(kShownChars) + QChar(0x2026));
    return text;
}

QVariant CsvTable::headerData(int section, Qt::Orientation, int role) const {
    // The fixed row and column number the cells; they are never saved.
    return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
}

frmCSV::frmCSV(QWidget* parent)
    : QWidget(parent) {
    g_editor = this;
    setObjectName(QStringLiteral("frmCSV"));
    setCurrentFile(QString());

    menuBar = new QMenuBar(this);
    mnuTable = menuBar->addMenu(QStringLiteral("&Table"));
    mnuTable->setObjectName(QStringLiteral("mnuTable"));
    auto entry = [this](const char* name, const QString& caption, const QKeySequence& keys,
                        void (frmCSV::*handler)()) {
        QAction* action = mnuTable->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    mnuTableAddRow = entry("mnuTableAddRow", QStringLiteral("Add &Row"), QKeySequence(),
                           &frmCSV::mnuTableAddRow_Click);
    mnuTableAddCol = entry("mnuTableAddCol", QStringLiteral("Add &Col"), QKeySequence(),
                           &frmCSV::mnuTableAddCol_Click);
    mnuTable->addSeparator();
    mnuTableRemRow = entry("mnuTableRemRow", QStringLiteral("Remove Last Ro&w"), QKeySequence(),
                           &frmCSV::mnuTableRemRow_Click);
    mnuTableRemCol = entry("mnuTableRemCol", QStringLiteral("Remove Last Co&l"), QKeySequence(),
                           &frmCSV::mnuTableRemCol_Click);
    mnuTable->addSeparator();
    mnuTablePrint = entry("mnuTablePrint", QStringLiteral("&Print"), QKeySequence::Print,
                          &frmCSV::mnuTablePrint_Click);
    mnuTableSave = entry("mnuTableSave", QStringLiteral("&Save"), QKeySequence::Save,
                         &frmCSV::mnuTableSave_Click);
    mnuTableSaveAs = entry("mnuTableSaveAs", QStringLiteral("Save &As"), QKeySequence::SaveAs,
                           &frmCSV::mnuTableSaveAs_Click);

    txtValue = new QLineEdit(this);
    txtValue->setObjectName(QStringLiteral("txtValue"));
    txtValue->setAccessibleName(QStringLiteral("Cell value"));
    applyControlColor(txtValue);
    txtValue->installEventFilter(this);

    m_table = new CsvTable(this);
    MSFlexGrid = new QTableView(this);
    MSFlexGrid->setObjectName(QStringLiteral("MSFlexGrid"));
    MSFlexGrid->setModel(m_table);
    MSFlexGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    MSFlexGrid->setWordWrap(false);
    // Narrow columns keep the width of their text, as the header does not hold them wider.
    MSFlexGrid->horizontalHeader()->setMinimumSectionSize(1);
    MSFlexGrid->verticalHeader()->setDefaultSectionSize(
        std::max(MSFlexGrid->verticalHeader()->minimumSectionSize(),
                 MSFlexGrid->fontMetrics().height() + 6));
    applyControlColor(MSFlexGrid);
    connect(MSFlexGrid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &frmCSV::MSFlexGrid_RowColChange);
    // The selection model is replaced on a model reset only when the model changes; keep the
    // signal on the one that lives.
    connect(txtValue, &QLineEdit::textEdited, this, &frmCSV::txtValue_Change);

    // The text box along the top, less 20 twips; the grid the full width and the rest of the
    // height.
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* box = new QHBoxLayout;
    box->setContentsMargins(0, 0, int(20 / twipsPerPixelX() + 0.5), 0);
    box->addWidget(txtValue);
    layout->addLayout(box);
    layout->addWidget(MSFlexGrid, 1);
    setColumnWidths(columnWidths(m_table->cells(), m_table->cols(), {}));
    resize(640, 440);
}

frmCSV::~frmCSV() = default;

frmCSV* frmCSV::instance() {
    return g_editor;
}

frmCSV* frmCSV::editor() {
    if (!g_editor) {
        auto* window = new frmCSV;
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    return g_editor;
}

void frmCSV::OpenCSV(const QString& path) {
    guarded(QStringLiteral("OpenCSV"), [&] {
        if (path.isEmpty()) {
            setCurrentFile(QString());
            return;
        }
        // Until the whole file is in the table, the current file stays the one before: Save
        // never writes a table over a file it did not come from.
        const QFileInfo info(path);
        if (!info.exists())
            throw RuntimeError::fileNotFound();
        if (info.size() > kLargestFile) {
            dialogs().message(this,
                              QStringLiteral("The file %1 is too large for the CSV editor "
                                             "(more than 64 MB).")
                                  .arg(info.fileName()),
                              QStringLiteral("Error"), Dialogs::OkOnly, Dialogs::Critical);
            return;
        }
        QFile file(path);
        if (!info.isFile() || !file.open(QIODevice::ReadOnly))
            throw RuntimeError::accessError();
        LoadProgress progress(this, QStringLiteral("Opening %1...").arg(info.fileName()));
        CsvReadResult csv = readCsv(file.readAll(), 0, [&](qint64 done, qint64 total) {
            return progress.at(0.8 * double(done) / double(total));
        });
        if (csv.cancelled)
            return;
        if (!csv.error.isEmpty()) {
            // Nothing is loaded from a file that is not comma separated text: the table stays.
            dialogs().message(this,
                              QStringLiteral("The file %1 cannot be opened:\r\n%2")
                                  .arg(info.fileName(), csv.error),
                              QStringLiteral("Error"), Dialogs::OkOnly, Dialogs::Critical);
            return;
        }
        int cols = m_table->cols();
        QVector<QStringList> rows;
        rows.reserve(qsizetype(csv.records.size()));
        for (CsvRecord& record : csv.records) {
            // A line without a comma counts no fields but still fills column 1.
            const int n = record.fields.size() > 1 ? int(record.fields.size()) : 0;
            cols = std::max(cols, n + 1);
            rows.append(std::move(record.fields));
        }
        csv.records.clear();
        const QVector<int> widths = columnWidths(rows, cols, [&](int done, int total) {
            return progress.at(0.8 + 0.2 * double(done) / double(total));
        });
        if (widths.isEmpty())
            return;
        m_table->replaceRows(rows, cols);
        m_table->setEncoding(csv.encoding);
        txtValue->clear();
        m_modified = false;
        setCurrentFile(path);
        setColumnWidths(widths);
    });
}

void frmCSV::setCurrentFile(const QString& path) {
    m_path = path;
    setWindowTitle(path.isEmpty() ? kCaption
                                  : kCaption + QStringLiteral(" - ") + QFileInfo(path).fileName());
}

QVector<int> frmCSV::columnWidths(const QVector<QStringList>& rows, int cols,
                                  const std::function<bool(int done, int total)>& progress) const {
    TextWidths measure(MSFlexGrid->font());
    const int margin = int(240 / twipsPerPixelX() + 0.5);
    const int widest = kWidestColumn - margin;
    QVector<int> widths(cols - 1);
    for (int c = 0; c < cols - 1; ++c)
        widths[c] = measure.width(QString::number(c + 1), widest);
    qint64 cells = 0;
    for (const QStringList& row : rows)
        cells += row.size();
    const int total = int(std::min<qint64>(cells / 65536 + 1, INT_MAX));
    qint64 done = 0;
    for (const QStringList& row : rows) {
        for (int c = 0; c < row.size() && c < cols - 1; ++c) {
            if (!row[c].isEmpty() && widths[c] < widest)
                widths[c] = std::max(widths[c], measure.width(row[c], widest));
            if (progress && ++done % 65536 == 0 && !progress(int(done / 65536), total))
                return {};
        }
    }
    for (int& width : widths)
        width = std::min(width + margin, kWidestColumn);
    return widths;
}

void frmCSV::setColumnWidths(const QVector<int>& widths) {
    QHeaderView* header = MSFlexGrid->horizontalHeader();
    // Most columns get one default width in one pass and only the others are resized one by
    // one; with updates off a resize does not place every column again, so a line of a
    // million fields opens at once.
    std::map<int, int> counts;
    for (int width : widths)
        ++counts[width];
    const auto common = std::max_element(counts.begin(), counts.end(),
                                         [](auto a, auto b) { return a.second < b.second; });
    header->setUpdatesEnabled(false);
    if (common != counts.end())
        header->setDefaultSectionSize(common->first);
    for (int c = 0; c < widths.size(); ++c)
        if (widths[c] != header->sectionSize(c))
            header->resizeSection(c, widths[c]);
    header->setUpdatesEnabled(true);
    const QFontMetrics metrics(MSFlexGrid->font());
    MSFlexGrid->verticalHeader()->setFixedWidth(
        metrics.horizontalAdvance(QString::number(std::max(1, m_table->rows() - 1))) +
        int(240 / twipsPerPixelX() + 0.5));
}

double frmCSV::columnLeftTwips(int col) const {
    const int left = MSFlexGrid->verticalHeader()->width() +
                     (col >= 1 ? MSFlexGrid->horizontalHeader()->sectionPosition(col - 1) : 0);
    return left * twipsPerPixelX();
}

void frmCSV::changed() {
    m_modified = true;
}

void frmCSV::MSFlexGrid_RowColChange() {
    const QModelIndex current = MSFlexGrid->currentIndex();
    if (!current.isValid()) {
        txtValue->clear(); // no cell: nothing typed could be kept
        return;
    }
    txtValue->setText(m_table->cell(current.row() + 1, current.column() + 1));
    txtValue->setFocus();
    txtValue->selectAll();
}

void frmCSV::txtValue_Change() {
    guarded(QStringLiteral("txtValue_Change"), [this] {
        const QModelIndex current = MSFlexGrid->currentIndex();
        if (!current.isValid())
            return;
        m_table->setCell(current.row() + 1, current.column() + 1, txtValue->text());
        changed();
    });
}

bool frmCSV::eventFilter(QObject* watched, QEvent* event) {
    // Up, Down and Enter in the text box move through the grid, so the keyboard alone edits.
    if (watched == txtValue && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        int step = 0;
        if (key == Qt::Key_Up)
            step = -1;
        else if (key == Qt::Key_Down || key == Qt::Key_Return || key == Qt::Key_Enter)
            step = 1;
        if (step != 0) {
            const QModelIndex current = MSFlexGrid->currentIndex();
            const QModelIndex next = current.isValid()
                                         ? m_table->index(current.row() + step, current.column())
                                         : m_table->index(0, 0);
            if (next.isValid())
                MSFlexGrid->setCurrentIndex(next);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmCSV::mnuTableAddRow_Click() {
    m_table->setRows(m_table->rows() + 1);
    changed();
}

void frmCSV::mnuTableAddCol_Click() {
    m_table->setCols(m_table->cols() + 1);
    setColumnWidths(columnWidths(m_table->cells(), m_table->cols(), {}));
    changed();
}

void frmCSV::mnuTableRemRow_Click() {
    if (m_table->rows() <= 1)
        return; // only the fixed row is left
    m_table->setRows(m_table->rows() - 1);
    changed();
}

void frmCSV::mnuTableRemCol_Click() {
    if (m_table->cols() <= 1)
        return;
    m_table->setCols(m_table->cols() - 1);
    changed();
}

void frmCSV::mnuTableSave_Click() {
    if (m_path.isEmpty()) {
        mnuTableSaveAs_Click();
        return;
    }
    guarded(QStringLiteral("mnuTableSave_Click"), [this] {
        // The old file stays whole until the new one is on the disk.
        saveFileAtomically(m_path, m_table->csvBytes());
        m_modified = false;
    });
}

void frmCSV::mnuTableSaveAs_Click() {
    QString path;
    try {
        path = dialogs().saveFile(this, QStringLiteral("Save As"), kFilter, m_path);
    } catch (const RuntimeError& error) {
        dialogs().message(this, QStringLiteral("An error occured:\r\n") + error.description(),
                          QStringLiteral("Error"));
        return;
    }
    if (path.isEmpty())
        return;
    // A save that fails keeps the file the table came from, so the next Save does not go to
    // the name that failed.
    const QString previous = m_path;
    const bool wasModified = m_modified;
    setCurrentFile(path);
    m_modified = true;
    mnuTableSave_Click();
    if (m_modified) {
        setCurrentFile(previous);
        m_modified = wasModified;
    }
}

void frmCSV::printTable(QPrinter& printer) {
    // Copies are printed here, one after the other in one document, so a PDF file holds them
    // all; the printer must not multiply them again.
    const int copies = std::max(1, printer.copyCount());
    printer.setCopyCount(1);
    QPainter painter;
    if (!painter.begin(&printer))
        throw RuntimeError(482, QStringLiteral("Printer error"));
    QFont font = painter.font();
    font.setPointSizeF(8);
    painter.setFont(font);
    const double dotsPerTwipX = printer.logicalDpiX() / 1440.0;
    const double dotsPerTwipY = printer.logicalDpiY() / 1440.0;
    const QFontMetricsF metrics(font, &printer);
    const double ascent = metrics.ascent();
    // Rows go 240 twips apart from 200 twips down, 60 to a page, or fewer when a page is too
    // short for 60 (a landscape page): a row is never printed past the page's end.
    const double pageTwips = printer.pageRect(QPrinter::DevicePixel).height() / dotsPerTwipY;
    const int fits = int((pageTwips - 200 - metrics.height() / dotsPerTwipY) / 240) + 1;
    const int perPage = std::clamp(fits, 2, 60);
    QVector<double> lefts;
    for (int c = 1; c < m_table->cols(); ++c)
        lefts.append(columnLeftTwips(c) * dotsPerTwipX);
    for (int copy = 0; copy < copies; ++copy) {
        if (copy > 0)
            printer.newPage();
        int y = 200;
        for (int r = 1; r < m_table->rows(); ++r) {
            if (r % perPage == 0) {
                printer.newPage();
                y = 200;
            } else {
                y += 240;
            }
            for (int c = 1; c < m_table->cols(); ++c) {
                const QString text = oneLine(m_table->cell(r, c).left(kShownChars));
                if (!text.isEmpty())
                    painter.drawText(QPointF(lefts[c - 1], y * dotsPerTwipY + ascent), text);
            }
        }
    }
    if (!painter.end())
        throw RuntimeError(482, QStringLiteral("Printer error"));
}

void frmCSV::mnuTablePrint_Click() {
    try {
        QPrinter printer(QPrinter::HighResolution);
        if (!dialogs().print(this, printer, QStringLiteral("Print")))
            return;
        printTable(printer);
    } catch (const RuntimeError& error) {
        dialogs().message(this,
                          QStringLiteral("An error occured:\r\n%1: %2")
                              .arg(error.number())
                              .arg(error.description()),
                          QStringLiteral("Error"));
    }
}

bool frmCSV::maySwitch() {
    if (!m_modified)
        return true;
    const QString name =
        m_path.isEmpty() ? QStringLiteral("the table") : QFileInfo(m_path).fileName();
    const int answer =
        dialogs().message(this, QStringLiteral("Do you want to save the changes to %1?").arg(name),
                          kCaption, Dialogs::YesNoCancel, Dialogs::Exclamation);
    if (answer == Dialogs::No)
        return true;
    if (answer != Dialogs::Yes)
        return false;
    mnuTableSave_Click();
    return !m_modified;
}

void frmCSV::closeEvent(QCloseEvent* event) {
    if (maySwitch())
        event->accept();
    else
        event->ignore();
}

void showCsvEditor(QWidget* parent) {
    frmCSV* open = frmCSV::instance();
    // Another file replaces the table in the one editor: its changes are asked about first.
    if (open && !open->maySwitch())
        return;
    QString path;
    try {
        path = dialogs().openFile(parent, QStringLiteral("Choose CSV File"), kFilter);
    } catch (const RuntimeError& error) {
        dialogs().message(parent, QStringLiteral("An error occured:\r\n") + error.description(),
                          QStringLiteral("Error"));
        return;
    }
    if (path.isEmpty())
        return;
    frmCSV* editor = frmCSV::editor();
    editor->OpenCSV(path);
    showToolWindow(editor);
}
