// SPDX-License-Identifier: Apache-2.0
#include "StatusLabel.h"

#include <QFontMetrics>

StatusLabel::StatusLabel(QWidget *parent) : QLabel(parent)
{
    // Texts come from web pages and the host; markup in them is shown, not
    // interpreted.
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void StatusLabel::setFullText(const QString &text)
{
    m_fullText = text;
    updateShownText();
}

QSize StatusLabel::sizeHint() const
{
    return {0, QLabel::minimumSizeHint().height()};
}

QSize StatusLabel::minimumSizeHint() const
{
    return sizeHint();
}

void StatusLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    updateShownText();
}

void StatusLabel::updateShownText()
{
    QString line = m_fullText;
    for (QChar &c : line)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    const int available = qMax(0, contentsRect().width() - 2 * margin());
    setText(fontMetrics().elidedText(line, Qt::ElideRight, available));
}
