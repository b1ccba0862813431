// SPDX-License-Identifier: Apache-2.0
// The status bar's one text: shown as it is given, on one line, cut with an
// ellipsis where the bar is too narrow.
#pragma once

#include <QLabel>

/// A plain-text label whose size hints never depend on its text, so a long
/// status text (a hovered link, say) cannot widen the window around it.
class StatusLabel : public QLabel
{
    Q_OBJECT
public:
    explicit StatusLabel(QWidget *parent = nullptr);

    /// The whole text, as last set.
    QString fullText() const { return m_fullText; }
    /// Sets the text; what is shown is its single-line, elided form.
    void setFullText(const QString &text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateShownText();

    QString m_fullText;
};
