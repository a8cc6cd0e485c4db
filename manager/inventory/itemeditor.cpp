// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/inventory/itemeditor.h"

#include "manager/barcodes/barcodewindows.h"
#include "manager/barcodes/labelwindow.h"
#include "manager/internet/storefrontwindows.h"
#include "manager/shell/dialogs.h"
#include "manager/shell/gradientbackground.h"
#include "manager/shell/windowhost.h"
#include "manager/store/companystore.h"
#include "manager/store/recordfile.h"
#include "manager/store/runtimeerror.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <tuple>

namespace {
const int kTypedLimit = 255;

// A stored or cleaned-up text is shown whole; only typing is held to the box's limit.
void setBoxText(QLineEdit* box, const QString& text, bool limited) {
    if (limited)
        box->setMaxLength(std::max<int>(kTypedLimit, static_cast<int>(text.size())));
    box->setText(text);
}
} // namespace

frmAddEdit::frmAddEdit(const QString& companyFolder, ItemRecord& currentItem, QWidget* parent)
    : QDialog(parent)
    , m_companyFolder(companyFolder)
    , m_item(currentItem)
    , m_old{currentItem.profitCenter, currentItem.title, currentItem.sku} {
    setObjectName(QStringLiteral("frmAddEdit"));
    setWindowTitle(QStringLiteral("Add/Edit Product"));
    buildControls();
    Form_Load();
    txtTitle->setFocus();
}

void frmAddEdit::buildControls() {
    auto label = [this](QLabel*& member, const char* name, const QString& caption) {
        member = new QLabel(caption, this);
        member->setObjectName(QLatin1String(name));
    };
    auto box = [this](QLineEdit*& member, const char* name) {
        member = new QLineEdit(this);
        member->setObjectName(QLatin1String(name));
    };
    auto button = [this](QPushButton*& member, const char* name, const QString& caption) {
        member = new QPushButton(caption, this);
        member->setObjectName(QLatin1String(name));
    };
    label(lblProfs, "lblProfs", QStringLiteral("P&rofit Center:"));
    cboProfs = new QComboBox(this);
    cboProfs->setObjectName(QStringLiteral("cboProfs"));
    label(lblTitle, "lblTitle", QStringLiteral("&Title:"));
    box(txtTitle, "txtTitle");
    label(lblCost, "lblCost", QStringLiteral("C&ost:"));
    box(txtCost, "txtCost");
    label(lblPrice, "lblPrice", QStringLiteral("&Price:"));
    box(txtPrice, "txtPrice");
    label(lblSKU, "lblSKU", QStringLiteral("S&KU/Item #:"));
    box(txtSKU, "txtSKU");
    label(lblInventory, "lblInventory", QStringLiteral("I&n Stock:"));
    box(txtInventory, "txtInventory");
    chkTax = new QCheckBox(QStringLiteral("Apply Ta&x"), this);
    chkTax->setObjectName(QStringLiteral("chkTax"));
    label(lblMinimum, "lblMinimum", QStringLiteral("&Minimum stock:"));
    box(txtMinimum, "txtMinimum");
    label(lblOrder, "lblOrder", QStringLiteral("Order &quantity:"));
    box(txtOrder, "txtOrder");
    button(cmdSave, "cmdSave", QStringLiteral("&Save"));
    button(cmdCancel, "cmdCancel", QStringLiteral("&Cancel"));
    button(cmdCopySKU, "cmdCopySKU", QStringLiteral("Make &Barcode"));
    button(cmdLabels, "cmdLabels", QStringLiteral("Print &Labels"));
    button(cmdAdd, "cmdAdd", QStringLiteral("&Add to Storefront"));
    button(cmdDelete, "cmdDelete", QStringLiteral("&Delete from Storefront"));

    lblProfs->setBuddy(cboProfs);
    lblTitle->setBuddy(txtTitle);
    lblCost->setBuddy(txtCost);
    lblPrice->setBuddy(txtPrice);
    lblSKU->setBuddy(txtSKU);
    lblInventory->setBuddy(txtInventory);
    lblMinimum->setBuddy(txtMinimum);
    lblOrder->setBuddy(txtOrder);
    for (QLineEdit* limited : {txtTitle, txtCost, txtPrice})
        limited->setMaxLength(kTypedLimit);
    cmdSave->setDefault(true);

    auto* grid = new QGridLayout(this);
    const QList<QPair<QLabel*, QWidget*>> rows = {
        {lblProfs, cboProfs}, {lblTitle, txtTitle}, {lblCost, txtCost},
        {lblPrice, txtPrice}, {lblSKU, txtSKU},     {lblInventory, txtInventory}};
    for (int i = 0; i < rows.size(); ++i) {
        grid->addWidget(rows[i].first, i, 0);
        grid->addWidget(rows[i].second, i, 1, 1, 2);
    }
    const int last = static_cast<int>(rows.size());
    grid->addWidget(chkTax, last, 1);
    grid->addWidget(lblMinimum, last + 1, 0);
    grid->addWidget(txtMinimum, last + 1, 1, 1, 2);
    grid->addWidget(lblOrder, last + 2, 0);
    grid->addWidget(txtOrder, last + 2, 1, 1, 2);
    auto* commands = new QHBoxLayout;
    commands->addWidget(cmdSave);
    commands->addWidget(cmdCancel);
    grid->addLayout(commands, last + 3, 0, 1, 3);
    auto* trips = new QHBoxLayout;
    trips->addWidget(cmdCopySKU);
    trips->addWidget(cmdLabels);
    trips->addWidget(cmdAdd);
    trips->addWidget(cmdDelete);
    grid->addLayout(trips, last + 4, 0, 1, 3);
    grid->setColumnMinimumWidth(1, 240);

    for (QLineEdit* cleaned : {txtCost, txtPrice, txtInventory})
        cleaned->installEventFilter(this);
    connect(cmdSave, &QPushButton::clicked, this, &frmAddEdit::cmdSave_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddEdit::cmdCancel_Click);
    connect(cmdCopySKU, &QPushButton::clicked, this, &frmAddEdit::cmdCopySKU_Click);
    connect(cmdLabels, &QPushButton::clicked, this, [this] {
        guarded(QStringLiteral("cmdLabels_Click"), [this] {
            showToolBeside(this, labelsWindow(m_companyFolder, cboProfs->currentText()));
        });
    });
    // The storefront gets the boxes as they stand, not the stored item.
    connect(cmdAdd, &QPushButton::clicked, this, [this] {
        guarded(QStringLiteral("cmdAdd_Click"), [this] {
            const QString sku = txtSKU->text();
            openStorefrontAdd(
                this, m_companyFolder,
                {txtTitle->text(), sku, txtPrice->text(),
                 storefront::imagePath(sku, storefront::readSettings(m_companyFolder).leaveBlank),
                 cboProfs->currentText()});
        });
    });
    connect(cmdDelete, &QPushButton::clicked, this, [this] {
        guarded(QStringLiteral("cmdDelete_Click"), [this] {
            openStorefrontDelete(this, m_companyFolder, txtSKU->text(), cboProfs->currentText());
        });
    });
}

// The editor comes back as a window of its own beside the barcode window.
void frmAddEdit::cmdCopySKU_Click() {
    guarded(QStringLiteral("cmdCopySKU_Click"), [this] {
        auto* barcode = code39Window();
        showToolBeside(this, barcode);
        barcode->txtData->setText(txtSKU->text());
        barcode->cmdGen_Click();
    });
}

void frmAddEdit::Form_Load() {
    guarded(QStringLiteral("Form_Load"), [&] {
        for (QWidget* control : std::initializer_list<QWidget*>{
                 cboProfs, chkTax, cmdSave, cmdCancel, cmdCopySKU, cmdLabels, cmdAdd, cmdDelete,
                 txtTitle, txtCost, txtPrice, txtSKU, txtInventory, txtMinimum, txtOrder})
            applyControlColor(control);
        paintsGradient(this, 2);
        LoadProfs(m_companyFolder);
        cboProfs->setCurrentIndex(
            cboProfs->findText(m_item.profitCenter, Qt::MatchFixedString | Qt::MatchCaseSensitive));
        setBoxText(txtTitle, m_item.title, true);
        setBoxText(txtCost, m_item.cost, true);
        setBoxText(txtPrice, m_item.price, true);
        setBoxText(txtSKU, m_item.sku, false);
        setBoxText(txtInventory, m_item.inStock, false);
        m_shownStock = txtInventory->text();
        chkTax->setChecked(m_item.tax != 0);
        if (m_item.editing) {
            const StockLevel level = ItemRecords(m_companyFolder).level(m_item.sku);
            const auto text = [](const std::optional<qint64>& v) {
                return v ? QString::number(*v) : QString();
            };
            txtMinimum->setText(text(level.minimum));
            txtOrder->setText(text(level.order));
        }
    });
}

void frmAddEdit::LoadProfs(const QString& LibraryPath) {
    guarded(QStringLiteral("LoadProfs"), [&] {
        const QStringList names = listProfitCenters(LibraryPath);
        cboProfs->clear();
        cboProfs->addItems(names);
        if (!names.isEmpty())
            cboProfs->setCurrentIndex(0);
    });
}

void frmAddEdit::txtCost_LostFocus() {
    guarded(QStringLiteral("txtCost_LostFocus"),
            [&] { setBoxText(txtCost, ShowMoney(txtCost->text()), true); });
}

void frmAddEdit::txtPrice_LostFocus() {
    guarded(QStringLiteral("txtPrice_LostFocus"),
            [&] { setBoxText(txtPrice, ShowMoney(txtPrice->text()), true); });
}

void frmAddEdit::txtInventory_LostFocus() {
    guarded(QStringLiteral("txtInventory_LostFocus"),
            [&] { setBoxText(txtInventory, stockText(txtInventory->text()), false); });
}

bool frmAddEdit::confirm(ItemQuestion question) {
    if (question == ItemQuestion::Overwrite) {
        const QString text = QStringLiteral("An item named ") + txtTitle->text() +
                             QStringLiteral(" already exists. Do you want to overwrite the item?");
        return dialogs().message(this, text, QStringLiteral("Overwrite"), Dialogs::YesNo) ==
               Dialogs::Yes;
    }
    const QString text =
        QStringLiteral("An item with SKU ") + txtSKU->text() +
        QStringLiteral(" already exists. Do you want to create a multiple SKU item? (Cost, "
                       "price, tax, and amount in stock will be the same on these items, but "
                       "title and profit center can be different.)");
    return dialogs().message(this, text, QStringLiteral("Create Multiple SKU"), Dialogs::YesNo) ==
           Dialogs::Yes;
}

// A stock count typed over one that sales (here or in another program) changed since the item
// was opened replaces it only when the user says so.
bool frmAddEdit::confirmStockOverwrite(const ItemRecord& item) {
    const QString stored = GetINIString(QStringLiteral("Inventory"), item.sku, m_item.inStock,
                                        invCountPath(m_companyFolder));
    if (stored == m_item.inStock)
        return true;
    const QString text = QStringLiteral("The stock of SKU %1 changed from %2 to %3 since this item "
                                        "was opened. Do you want to replace it with %4?")
                             .arg(item.sku, m_item.inStock, stored, item.inStock);
    return dialogs().message(this, text, QStringLiteral("Stock Changed"), Dialogs::YesNo,
                             Dialogs::Question) == Dialogs::Yes;
}

void frmAddEdit::cmdSave_Click() {
    guarded(QStringLiteral("cmdSave_Click"), [&] {
        if (txtPrice->text().isEmpty())
            txtPrice->setText(QStringLiteral("0.00"));
        if (txtCost->text().isEmpty())
            txtCost->setText(QStringLiteral("0.00"));
        ItemRecord item;
        item.profitCenter = cboProfs->currentText();
        item.title = txtTitle->text();
        item.cost = txtCost->text();
        item.price = txtPrice->text();
        item.sku = txtSKU->text();
        item.inStock = txtInventory->text();
        item.tax = chkTax->isChecked() ? 1 : 0;
        item.editing = m_item.editing;
        std::optional<ItemIdentity> old;
        if (m_item.editing)
            old = m_old;
        const std::optional<StockLevel> level = typedLevel();
        if (!level)
            return;
        // A new item with blank boxes leaves a shared SKU's level as it is.
        const bool writeLevel = m_item.editing || *level != StockLevel();
        // The stock is written only when the user changed it, so sales recorded while the item
        // was open stay counted.
        if (old && item.sku == old->sku) {
            item.keepStoredStock = item.inStock == m_shownStock;
            if (!item.keepStoredStock && !confirmStockOverwrite(item))
                return;
        }

        const SaveOutcome outcome = saveItem(
            m_companyFolder, item, old, [this](ItemQuestion q) { return confirm(q); },
            writeLevel ? level : std::nullopt);
        const QString error = QStringLiteral("Error");
        switch (outcome) {
        case SaveOutcome::NeedTitle:
            dialogs().message(this, QStringLiteral("Please enter a title."), error);
            return;
        case SaveOutcome::TitleHasEquals:
            dialogs().message(this, QStringLiteral("A title cannot contain \"=\"."), error);
            return;
        case SaveOutcome::NeedInventory:
            dialogs().message(this, QStringLiteral("Please enter Inventory."), error);
            return;
        case SaveOutcome::NeedSku:
            dialogs().message(this, QStringLiteral("Please enter SKU."), error);
            return;
        case SaveOutcome::SkuHasEquals:
            dialogs().message(this, QStringLiteral("A SKU cannot contain \"=\"."), error);
            return;
        case SaveOutcome::Declined:
            return;
        case SaveOutcome::Saved:
            break;
        }
        emit saved(item.profitCenter);
        m_item.editing = false;
        accept();
    });
}

std::optional<StockLevel> frmAddEdit::typedLevel() {
    StockLevel level;
    const QList<std::tuple<QLineEdit*, std::optional<qint64>*, QString>> boxes = {
        {txtMinimum, &level.minimum, QStringLiteral("The minimum stock")},
        {txtOrder, &level.order, QStringLiteral("The order quantity")}};
    for (const auto& [box, value, name] : boxes) {
        if (!ItemRecords::parseLevel(box->text(), value)) {
            dialogs().message(this,
                              name + QStringLiteral(" must be a whole number of 0 or more, or "
                                                    "blank for none."),
                              QStringLiteral("Error"));
            box->setFocus();
            box->selectAll();
            return std::nullopt;
        }
    }
    return level;
}

void frmAddEdit::cmdCancel_Click() {
    guarded(QStringLiteral("cmdCancel_Click"), [&] {
        m_item.editing = false;
        reject();
    });
}

void frmAddEdit::keyPressEvent(QKeyEvent* event) {
    // Esc does nothing here; only "&Cancel" and the close box leave without saving.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool frmAddEdit::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // Moving to another window or a menu is not leaving the box.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == txtCost)
                txtCost_LostFocus();
            else if (watched == txtPrice)
                txtPrice_LostFocus();
            else if (watched == txtInventory)
                txtInventory_LostFocus();
        }
    }
    return QDialog::eventFilter(watched, event);
}
