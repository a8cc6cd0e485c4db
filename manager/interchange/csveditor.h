// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/interchange/csvtext.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>
#include <QWidget>

#include <functional>

class QAction;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPrinter;
class QTableView;

// The cells of the CSV editor. Counts follow the grid: row 0 and column 0 are the fixed header
// row and column and carry no data, so a table of r data rows has rowCount r + 1.
class CsvTable : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CsvTable(QObject* parent = nullptr);

    int rows() const { return int(m_cells.size()) + 1; }
    int cols() const { return m_cols; }
    void setRows(int rows);
    void setCols(int cols);
    QString cell(int row, int col) const; // 1-based data cell, "" outside
    void setCell(int row, int col, const QString& text);
    // The data rows, each of cols - 1 cells.
    const QVector<QStringList>& cells() const { return m_cells; }
    // Replaces every data row; cols only grows the column count.
    void replaceRows(const QVector<QStringList>& rows, int cols);

    // The encoding the table is saved in: the file's own, or UTF-8 with a byte-order mark for
    // a table that came from no file.
    void setEncoding(const CsvEncoding& encoding) { m_encoding = encoding; }
    // The saved text: each data row's cells joined by commas (quoted where a cell needs it),
    // rows joined by CR LF, and one CR LF at the end.
    QByteArray csvBytes() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QVector<QStringList> m_cells; // each row holds cols - 1 cells
    int m_cols = 2;
    CsvEncoding m_encoding;
};

// The CSV editor ("CSV Edit Utility"): any comma separated file in a grid, one cell edited at a
// time in the box above it. One window serves every file.
class frmCSV : public QWidget {
    Q_OBJECT
public:
    explicit frmCSV(QWidget* parent = nullptr);
    ~frmCSV() override;

    // The editor that is loaded, or nullptr; editor() loads it on first use.
    static frmCSV* instance();
    static frmCSV* editor();

    // Loads the file into the grid; the column count only grows. An empty path only forgets the
    // current file. A file that cannot be read, or whose loading is cancelled, leaves the table
    // and the current file as they were.
    void OpenCSV(const QString& path);
    // Asks whether unsaved changes are to be saved; false when the user cancels (or the save
    // did not happen), so the caller keeps the table.
    bool maySwitch();

    QString fileName() const { return m_path; }
    bool isModified() const { return m_modified; }
    CsvTable* table() const { return m_table; }
    // The left edge of a column on screen, in twips from the grid's left edge.
    double columnLeftTwips(int col) const;
    // Prints the table on an open printer as the print command does (copies included).
    void printTable(QPrinter& printer);

    QTableView* MSFlexGrid = nullptr;
    QLineEdit* txtValue = nullptr;
    QMenuBar* menuBar = nullptr;
    QMenu* mnuTable = nullptr;
    QAction* mnuTableAddRow = nullptr;
    QAction* mnuTableAddCol = nullptr;
    QAction* mnuTableRemRow = nullptr;
    QAction* mnuTableRemCol = nullptr;
    QAction* mnuTablePrint = nullptr;
    QAction* mnuTableSave = nullptr;
    QAction* mnuTableSaveAs = nullptr;

public slots:
    void mnuTableAddRow_Click();
    void mnuTableAddCol_Click();
    void mnuTableRemRow_Click();
    void mnuTableRemCol_Click();
    void mnuTablePrint_Click();
    void mnuTableSave_Click();
    void mnuTableSaveAs_Click();
    // The grid's current cell moved: its text goes into txtValue, selected, with the focus.
    void MSFlexGrid_RowColChange();
    void txtValue_Change();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The width of every column from its widest text; empty when cancelled.
    QVector<int> columnWidths(const QVector<QStringList>& rows, int cols,
                              const std::function<bool(int done, int total)>& progress) const;
    void setColumnWidths(const QVector<int>& widths);
    void setCurrentFile(const QString& path);
    void changed();

    CsvTable* m_table = nullptr;
    QString m_path;
    bool m_modified = false;
};

// "CSV E&ditor" of the chooser: the open dialog, then the editor on the chosen file.
void showCsvEditor(QWidget* parent);
