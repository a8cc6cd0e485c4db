// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/barcodes/barcodewindows.h"

#include "manager/barcodes/picture.h"
#include "manager/barcodes/symbols.h"
#include "manager/shell/dialogs.h"
#include "manager/shell/gradientbackground.h"
#include "manager/shell/twips.h"
#include "manager/store/runtimeerror.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>

namespace {

const QString kBitmapFilter = QStringLiteral("Bitmap Image (*.bmp)|*.bmp|All Files (*.*)|*.*");

int pixelsX(double twips) {
    return qRound(twips / twipsPerPixelX());
}
int pixelsY(double twips) {
    return qRound(twips / twipsPerPixelY());
}

// Paints the picture at the screen's size: each picture pixel is kTwipsPerPixel twips.
class PictureView : public QWidget {
public:
    PictureView(const QImage* picture, QWidget* parent)
        : QWidget(parent)
        , m_picture(picture) {}

    QSize screenSize() const {
        return QSize(pixelsX(m_picture->width() * barcodes::kTwipsPerPixel),
                     pixelsY(m_picture->height() * barcodes::kTwipsPerPixel));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(QPoint(0, 0), screenSize()), *m_picture);
    }

private:
    const QImage* m_picture;
};

QPushButton* makeButton(QWidget* window, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, window);
    button->setObjectName(QLatin1String(name));
    applyControlColor(button);
    return button;
}

QLineEdit* makeBox(QWidget* window, const char* name) {
    auto* box = new QLineEdit(window);
    box->setObjectName(QLatin1String(name));
    applyControlColor(box);
    return box;
}

QLabel* makeLabel(QWidget* window, const char* name, const QString& caption) {
    auto* label = new QLabel(caption, window);
    label->setObjectName(QLatin1String(name));
    return label;
}

// The Code 39 window's own report of a failed step; the answer is Abort, Retry or Ignore.
int code39Error(QWidget* window, const RuntimeError& error) {
    return dialogs().message(
        window, QStringLiteral("Error %1 - %2").arg(error.number()).arg(error.description()),
        QStringLiteral("Error"), Dialogs::AbortRetryIgnore, Dialogs::Critical);
}

RuntimeError printerError() {
    return RuntimeError(482, QStringLiteral("Printer error"));
}

} // namespace

PictureBox::PictureBox(QWidget* parent)
    : QScrollArea(parent) {
    m_view = new PictureView(&m_picture, this);
    setWidget(m_view);
    setWidgetResizable(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setBackgroundRole(QPalette::Base);
    QPalette white = palette();
    white.setColor(QPalette::Base, Qt::white);
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
}

void PictureBox::setPicture(const QImage& picture) {
    m_picture = picture;
    m_view->resize(static_cast<PictureView*>(m_view)->screenSize());
    m_view->update();
}

void savePictureAs(QWidget* window, const QImage& picture, const QString& procedure) {
    guarded(procedure, [&] {
        const QString file = dialogs().saveFile(window, QStringLiteral("Save As"), kBitmapFilter);
        if (file.isEmpty())
            return;
        QString failure;
        if (!barcodes::savePicture(picture, file, &failure, "bmp"))
            throw QFileInfo(file).absoluteDir().exists() ? RuntimeError::accessError()
                                                         : RuntimeError::pathNotFound();
    });
}

// ---- frmUPC ----

frmUPC::frmUPC(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("frmUPC"));
    setWindowTitle(QStringLiteral("UPC Barcode Generator"));
    setAttribute(Qt::WA_DeleteOnClose);

    Label1 = makeLabel(this, "Label1", QStringLiteral("&First 11 Digits of UPC:"));
    txtBarcode = makeBox(this, "txtBarcode");
    Label3 = makeLabel(this, "Label3", QStringLiteral("&Check Digit (Calculated):"));
    txtCheckDigit = makeBox(this, "txtCheckDigit");
    Label2 = makeLabel(this, "Label2", QStringLiteral("Barcode:"));
    Picture1 = new PictureBox(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    cmdGen = makeButton(this, "cmdGen", QStringLiteral("&Generate"));
    cmdSave = makeButton(this, "cmdSave", QStringLiteral("&Save"));
    Label1->setBuddy(txtBarcode);
    Label3->setBuddy(txtCheckDigit);
    txtCheckDigit->setReadOnly(true);

    // The picture box shows the whole 2175 x 1200 twips picture at the screen's size.
    Picture1->setPicture(
        barcodes::blankPicture(barcodes::kUpcPictureWidth, barcodes::kUpcPictureHeight));
    Picture1->setFrameShape(QFrame::Box);
    Picture1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Picture1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Picture1->setFixedSize(pixelsX(barcodes::kUpcPictureWidth) + 2 * Picture1->frameWidth(),
                           pixelsY(barcodes::kUpcPictureHeight) + 2 * Picture1->frameWidth());

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(txtBarcode, 0, 1);
    grid->addWidget(Label3, 1, 0);
    grid->addWidget(txtCheckDigit, 1, 1);
    grid->addWidget(Label2, 2, 0, Qt::AlignTop);
    grid->addWidget(Picture1, 2, 1);
    grid->addWidget(cmdGen, 0, 2);
    grid->addWidget(cmdSave, 1, 2);
    grid->setRowStretch(3, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    txtBarcode->installEventFilter(this);
    connect(cmdGen, &QPushButton::clicked, this, &frmUPC::cmdGen_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmUPC::cmdSave_Click);
    guarded(QStringLiteral("Form_Load"), [this] { paintsGradient(this, 3); });
    setFocusProxy(txtBarcode);
}

bool frmUPC::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtBarcode && event->type() == QEvent::FocusOut)
        txtBarcode_LostFocus();
    return QWidget::eventFilter(watched, event);
}

void frmUPC::txtBarcode_LostFocus() {
    guarded(QStringLiteral("txtBarcode_LostFocus"),
            [this] { txtBarcode->setText(barcodes::upcEntryText(txtBarcode->text())); });
}

void frmUPC::cmdGen_Click() {
    guarded(QStringLiteral("cmdGen_Click"), [this] {
        const QString code = txtBarcode->text().trimmed();
        // A wrong length is ignored without a word. So is a code of 11 characters that holds
        // something other than digits: its symbol would not be the number printed under it.
        if (!barcodes::isUpcCode(code))
            return;
        txtCheckDigit->setText(QString::number(barcodes::upcCheckDigit(code)));
        Picture1->setPicture(barcodes::renderPicture(barcodes::upcDrawing(code)));
    });
}

void frmUPC::cmdSave_Click() {
    savePictureAs(this, Picture1->picture(), QStringLiteral("cmdSave_Click"));
}

// ---- frmCode39 ----

frmCode39::frmCode39(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("frmCode39"));
    setWindowTitle(QStringLiteral("Code39 Barcode Generator"));
    setAttribute(Qt::WA_DeleteOnClose);

    Label1 = makeLabel(this, "Label1", QStringLiteral("&Data:"));
    txtData = makeBox(this, "txtData");
    cmdGen = makeButton(this, "cmdGen", QStringLiteral("&Generate"));
    lblStatus = makeLabel(this, "lblStatus", QString());
    picBarCode = new PictureBox(this);
    picBarCode->setObjectName(QStringLiteral("picBarCode"));
    cmdSave = makeButton(this, "cmdSave", QStringLiteral("&Save"));
    cmdPrint = makeButton(this, "cmdPrint", QStringLiteral("&Print"));
    cmdClose = makeButton(this, "cmdClose", QStringLiteral("&Close"));
    Label1->setBuddy(txtData);
    picBarCode->setPicture(barcodes::blankPicture(barcodes::code39PictureWidth(QString()),
                                                  barcodes::kCode39PictureHeight));

    connect(txtData, &QLineEdit::returnPressed, this, &frmCode39::cmdGen_Click);
    connect(cmdGen, &QPushButton::clicked, this, &frmCode39::cmdGen_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmCode39::cmdSave_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmCode39::cmdPrint_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmCode39::cmdClose_Click);
    setMinimumSize(pixelsX(5500), pixelsY(3600));
    resize(pixelsX(7500), pixelsY(4365));
    guarded(QStringLiteral("Form_Load"), [this] { paintsGradient(this, 3); });
    setFocusProxy(txtData);
}

void frmCode39::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

// The layout in twips: the data box and Generate share the top row, the picture takes what is
// left above the button row, Save stands centred under it with Print and Close on its row.
void frmCode39::Form_Resize() {
    const double tx = twipsPerPixelX(), ty = twipsPerPixelY();
    const double innerWidth = width() * tx, innerHeight = height() * ty;
    const double buttonWidth = 1215, buttonHeight = 375, boxHeight = 315;
    const double dataTop = 400, statusTop = 800, pictureTop = 1140;
    const auto place = [tx, ty](QWidget* w, double left, double top, double width, double height) {
        w->setGeometry(qRound(left / tx), qRound(top / ty), qMax(1, qRound(width / tx)),
                       qMax(1, qRound(height / ty)));
    };
    const double dataWidth = innerWidth - 300 - buttonWidth;
    place(Label1, 100, 120, dataWidth, 255);
    place(txtData, 100, dataTop, dataWidth, boxHeight);
    place(cmdGen, dataWidth + 200, dataTop - 30, buttonWidth, buttonHeight);
    place(lblStatus, 100, statusTop, innerWidth - 200, 300);
    const double pictureHeight = innerHeight - pictureTop - buttonHeight - 200;
    place(picBarCode, 100, pictureTop, innerWidth - 200, pictureHeight);
    const double buttonTop = pictureTop + pictureHeight + 120;
    place(cmdSave, (innerWidth - buttonWidth) / 2, buttonTop, buttonWidth, buttonHeight);
    place(cmdPrint, 100, buttonTop, buttonWidth, buttonHeight);
    place(cmdClose, innerWidth - 100 - buttonWidth, buttonTop, buttonWidth, buttonHeight);
}

void frmCode39::cmdGen_Click() {
    QString text;
    if (!guarded(QStringLiteral("cmdGen_Click"), [&] { text = txtData->text(); }))
        return;
    QString skipped;
    barcodes::code39PatternList(text, &skipped);
    const barcodes::Drawing drawing = barcodes::code39Drawing(text);
    for (;;) {
        const QImage picture = barcodes::renderPicture(drawing);
        if (!picture.isNull()) {
            picBarCode->setPicture(picture);
            break;
        }
        picBarCode->setPicture(barcodes::blankPicture(barcodes::code39PictureWidth(QString()),
                                                      barcodes::kCode39PictureHeight));
        const int answer = code39Error(this, RuntimeError::outOfMemory());
        if (answer == Dialogs::Abort)
            return;
        if (answer == Dialogs::Ignore)
            break;
    }
    QStringList left;
    for (const QChar c : skipped)
        left << (c.isPrint()
                     ? QString(c)
                     : QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QChar('0')).toUpper());
    lblStatus->setText(left.isEmpty() ? QString()
                                      : QStringLiteral("Left out of the symbol (Code 39 has no "
                                                       "such characters): %1")
                                            .arg(left.join(QStringLiteral(" "))));
}

void frmCode39::cmdSave_Click() {
    savePictureAs(this, picBarCode->picture(), QStringLiteral("cmdSave_Click"));
}

void frmCode39::cmdPrint_Click() {
    const QString text = txtData->text();
    const barcodes::Drawing drawing = barcodes::code39PrintDrawing(text);
    QPrinter printer(QPrinter::HighResolution);
    if (!dialogs().choosePrinter(this, printer))
        return;
    // A symbol wider than the page is turned, and if need be shrunk, to fit on it whole.
    const double portraitWidth = printer.pageLayout().paintRect(QPageLayout::Inch).width() * 1440;
    if (drawing.width > portraitWidth)
        printer.setPageOrientation(QPageLayout::Landscape);
    const double pageWidth = printer.pageLayout().paintRect(QPageLayout::Inch).width() * 1440;
    const double fit = drawing.width > pageWidth ? pageWidth / drawing.width : 1.0;
    // The page shows the drawing shrunk by fit; its bars start on a printer dot and the narrow
    // element is a whole number of dots, so that every bar of one width prints alike.
    const double dot = 1440.0 / printer.resolution();
    const double narrow = barcodes::wholeDots(barcodes::kCode39PrintNarrow * fit, dot);
    const barcodes::Drawing onDots =
        barcodes::code39PrintDrawing(text, narrow / fit, barcodes::onDot(400 * fit, dot) / fit);
    // Scanners need a narrow bar of 0.19 mm (7.5 mil) at least; a thinner one is printed only
    // when the user wants it all the same.
    const double narrowMm = narrow * 25.4 / 1440;
    if (narrowMm < 0.19 &&
        dialogs().message(this,
                          QStringLiteral("This barcode is too long for the page: to fit, its "
                                         "narrowest bars would be %1 mm wide, and scanners need "
                                         "at least 0.19 mm. Print it anyway?")
                              .arg(narrowMm, 0, 'f', 2),
                          QStringLiteral("Code 39"), Dialogs::OkCancel,
                          Dialogs::Exclamation) != Dialogs::Ok)
        return;
    QPainter painter;
    while (!painter.begin(&printer)) {
        if (code39Error(this, printerError()) != Dialogs::Retry)
            return;
    }
    const double scale = printer.resolution() / 1440.0 * fit;
    painter.scale(scale, scale);
    barcodes::paintDrawing(painter, onDots);
    if (!painter.end())
        code39Error(this, printerError());
}

void frmCode39::cmdClose_Click() {
    guarded(QStringLiteral("cmdClose_Click"), [this] { close(); });
}

namespace {
template <typename Window> Window* oneWindow() {
    static QPointer<Window> window;
    if (!window)
        window = new Window;
    return window;
}
} // namespace

frmUPC* upcWindow() {
    return oneWindow<frmUPC>();
}

frmCode39* code39Window() {
    return oneWindow<frmCode39>();
}
