#include "app/ui/widgets/plain_text.h"

#include <QLabel>
#include <QMessageBox>
#include <QTextDocument>

namespace quillon::ui {

void keepPlain(QMessageBox& box) {
    box.setTextFormat(Qt::PlainText);
    // The informative text has its own label, which setTextFormat does not reach.
    for (QLabel* label : box.findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
}

QString plainToolTip(const QString& text) {
    if (!Qt::mightBeRichText(text)) return text;
    return Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

QString plainMenuText(const QString& text) {
    QString shown = text;
    return shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace quillon::ui
