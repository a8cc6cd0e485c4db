// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLockFile>
#include <QMainWindow>

#include <QPointer>

#include <memory>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class TwipsPlacement;
class frmCompany;

// The main frame: a window holding the company chooser, the item window and the other tool
// windows as child windows, with the menus "&File", "&Window" and "&Help".
class frmFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit frmFrame(QWidget* parent = nullptr);
    ~frmFrame() override;

    // The frame of this program (the one most recently made), or nullptr.
    static frmFrame* instance();

    // Frame load: refuses a second instance ("Tallyvane is already open."; returns false, and
    // the caller ends the program), restores the placement, sets the caption, shows the chooser.
    bool Form_Load();

    // Shows a window as a child window inside the frame (again, when it was hidden).
    QMdiSubWindow* showChild(QWidget* window);
    // Hides a window together with the child-window border around it.
    static void hideChild(QWidget* window);
    // Shows a window inside the frame when there is one, else as a window of its own.
    static void showWindow(QWidget* window);

    // "Brannock's Tallyvane v" + major + "." + minor.
    static QString frameCaption();
    // The company chooser, loaded on first use.
    frmCompany* chooser();
    QMdiArea* mdiArea() const { return m_mdi; }
    // True while the frame unloads its windows: a window closing then must not bring back others.
    bool isClosing() const { return m_closing; }

    QMenu* mnuFile = nullptr;
    QAction* mnuShow = nullptr;
    QAction* mnuFileExit = nullptr;
    QMenu* mnuWindow = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuHelpHelp = nullptr;
    QAction* mnuHelpSupport = nullptr;
    QAction* mnuHelpUpdate = nullptr;
    QAction* mnuHelpAbout = nullptr;

    // The placement stored on closing, in twips, and the lock that marks a running program.
    void storePlacement();
    static QString lockFilePath();

public slots:
    void mnuShow_Click();
    void mnuFileExit_Click();
    void mnuHelpHelp_Click();
    void mnuHelpSupport_Click();
    void mnuHelpUpdate_Click();
    void mnuHelpAbout_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The menu titles' access keys, each off while the active window inside uses the same key.
    void menuAccessKeysFor(const QWidget* active);
    void buildMenus();
    void refreshWindowMenu();
    void restorePlacement();
    // Gives the keyboard to the child window used last that is still shown, maximised when the
    // one that went away was; to the frame when none is left.
    void activateNextChild(bool maximised);
    static void showMaximisedUnlessFixed(QMdiSubWindow* sub);

    QMdiArea* m_mdi = nullptr;
    QPointer<QMdiSubWindow> m_active; // the child window active last
    QPointer<frmCompany> m_chooser;
    std::unique_ptr<QLockFile> m_lock;
    bool m_loaded = false;
    bool m_closing = false;
    std::unique_ptr<TwipsPlacement> m_placement;
};
