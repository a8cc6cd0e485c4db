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
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QPointer<frmCSV> g_editor;

const QString kFilter = QStringLiteral("Comma Separated Values(*.csv)|*.csv|All Files (*.*)|*.*");
const QString kCaption = QStringLiteral("CSV Edit Utility");

// Larger files are refused: a grid of them would take the memory of the whole machine.
constexpr qint64 kLargestFile = 64 * 1024 * 1024;
// Widths are measured on the start of a cell, and no column grows wider than this.
constexpr int kMeasuredChars = 1000;
constexpr int kWidestColumn = 1200;

QString oneLine(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text;
}

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
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
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
    return m_cells[index.row()][index.column()];
}

QVariant CsvTable::headerData(int section, Qt::Orientation, int role) const {
    // The fixed row and column number the cells; they are never saved.
    return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
}

frmCSV::frmCSV(QWidget* parent)
    : QWidget(parent) {
    g_editor = this;
    setObjectName(QStringLiteral("frmCSV"));
    setWindowTitle(kCaption);

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
    setColumnWidths();
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
        m_path = path;
        if (path.isEmpty())
            return;
        QFile file(path);
        if (!QFileInfo::exists(path))
            throw RuntimeError::fileNotFound();
        if (QFileInfo(path).size() > kLargestFile) {
            dialogs().message(this,
                              QStringLiteral("The file %1 is too large for the CSV editor "
                                             "(more than 64 MB).")
                                  .arg(QFileInfo(path).fileName()),
                              QStringLiteral("Error"), Dialogs::OkOnly, Dialogs::Critical);
            return;
        }
        if (!file.open(QIODevice::ReadOnly))
            throw RuntimeError::accessError();
        const CsvReadResult csv = readCsv(file.readAll());
        if (!csv.error.isEmpty()) {
            // Nothing is loaded from a file that is not comma separated text: the table stays.
            dialogs().message(this,
                              QStringLiteral("The file %1 cannot be opened:\r\n%2")
                                  .arg(QFileInfo(path).fileName(), csv.error),
                              QStringLiteral("Error"), Dialogs::OkOnly, Dialogs::Critical);
            return;
        }
        int cols = m_table->cols();
        QVector<QStringList> rows;
        rows.reserve(qsizetype(csv.records.size()));
        for (const CsvRecord& record : csv.records) {
            // A line without a comma counts no fields but still fills column 1.
            const int n = record.fields.size() > 1 ? int(record.fields.size()) : 0;
            cols = std::max(cols, n + 1);
            rows.append(record.fields);
        }
        m_table->replaceRows(rows, cols);
        txtValue->clear();
        m_modified = false;
        setColumnWidths();
    });
}

void frmCSV::setColumnWidths() {
    const QFontMetrics metrics(MSFlexGrid->font());
    const int margin = int(240 / twipsPerPixelX() + 0.5);
    QHeaderView* header = MSFlexGrid->horizontalHeader();
    for (int c = 1; c < m_table->cols(); ++c) {
        int widest = metrics.horizontalAdvance(QString::number(c));
        for (int r = 1; r < m_table->rows(); ++r)
            widest = std::max(widest, metrics.horizontalAdvance(
                                          oneLine(m_table->cell(r, c).left(kMeasuredChars))));
        header->resizeSection(c - 1, std::min(widest + margin, kWidestColumn));
    }
    MSFlexGrid->verticalHeader()->setFixedWidth(
        metrics.horizontalAdvance(QString::number(std::max(1, m_table->rows() - 1))) + margin);
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
    setColumnWidths();
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
    m_path = path;
    m_modified = true;
    mnuTableSave_Click();
    if (m_modified)
        m_path = previous;
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
    const double ascent = QFontMetricsF(font, &printer).ascent();
    QVector<double> lefts;
    for (int c = 1; c < m_table->cols(); ++c)
        lefts.append(columnLeftTwips(c) * dotsPerTwipX);
    for (int copy = 0; copy < copies; ++copy) {
        if (copy > 0)
            printer.newPage();
        int y = 200;
        for (int r = 1; r < m_table->rows(); ++r) {
            if (r % 60 == 0) {
                printer.newPage();
                y = 200;
            } else {
                y += 240;
            }
            for (int c = 1; c < m_table->cols(); ++c) {
                const QString text = oneLine(m_table->cell(r, c));
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
