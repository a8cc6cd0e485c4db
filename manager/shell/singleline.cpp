// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/shell/singleline.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QRegularExpression>

namespace {

void removeLineBreaks(QLineEdit* box) {
    static const QRegularExpression lineBreaks(QStringLiteral("[\r\n]"));
    const QString text = box->text();
    if (!text.contains(lineBreaks))
        return;
    const int cursor = box->cursorPosition();
    const int before = static_cast<int>(text.left(cursor).count(lineBreaks));
    box->setText(QString(text).remove(lineBreaks));
    box->setCursorPosition(cursor - before);
}

// Every widget is polished once before it is first shown: that is when a box is taken in.
class SingleLineFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Polish) {
            auto* box = qobject_cast<QLineEdit*>(watched);
            if (box && !box->property(kTaken).toBool()) {
                box->setProperty(kTaken, true);
                connect(box, &QLineEdit::textChanged, box, [box] { removeLineBreaks(box); });
                removeLineBreaks(box);
            }
        }
        return false;
    }

private:
    static constexpr const char* kTaken = "tallyvaneSingleLine";
};

} // namespace

void keepTextBoxesSingleLine(QCoreApplication* application) {
    application->installEventFilter(new SingleLineFilter(application));
}
