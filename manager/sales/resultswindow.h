// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

// The results window: a resizable text window with a Save button along its top. Any number may
// be open; each closes and frees itself.
class frmResults : public QWidget {
    Q_OBJECT
public:
    explicit frmResults(QWidget* parent = nullptr);

    // The text as the user sees it, lines joined with CR LF.
    QString text() const;
    void setText(const QString& text);

    QPushButton* cmdSave = nullptr;
    QPlainTextEdit* txtResults = nullptr;

public slots:
    // Writes the whole text followed by a line break to a file the user picks.
    void cmdSave_Click();
    // The Save button across the top, the text box under it, both the full inner width.
    void Form_Resize();

protected:
    void resizeEvent(QResizeEvent* event) override;
};

// Opens a new results window with the file's lines, each followed by a line break, under the
// caption, without blocking. Reports a missing file through the standard handler
// ("ShowTextFile") and returns nullptr.
frmResults* ShowTextFile(const QString& path, const QString& caption);
// The same with the text itself, lines joined with CR LF.
frmResults* ShowText(const QString& text, const QString& caption);
