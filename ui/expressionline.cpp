#include "ui/expressionline.h"

#include <algorithm>

#include <QFontMetrics>

expressionline::expressionline(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::NoFocus);
    setObjectName(QStringLiteral("expression"));
    setAccessibleName(QStringLiteral("Pending expression"));
    setAccessibleDescription(
        QStringLiteral("The operations that wait for their operands, and the open parentheses"));
    setToolTip(QStringLiteral("The calculation in progress: the numbers and operators that wait "
                              "for the next operand, with the open parentheses"));
    QPalette shade = palette();
    shade.setColor(QPalette::WindowText, palette().color(QPalette::PlaceholderText));
    setPalette(shade);
}

void expressionline::setexpression(const QString& text)
{
    if (text == m_expression)
        return;
    m_expression = text;
    elide();
}

// A smaller font where the window's own is too tall for the margin: the
// line never overlaps the display.
void expressionline::place(const QRect& display)
{
    const int room = display.top();
    QFont small = font();
    for (int i = 0; i < 8 && QFontMetrics(small).height() > room; ++i) {
        if (small.pointSizeF() > 0)
            small.setPointSizeF(small.pointSizeF() * 0.9);
        else
            small.setPixelSize(std::max(1, small.pixelSize() * 9 / 10));
    }
    setFont(small);
    setGeometry(display.left(), 0, display.width(), room);
}

void expressionline::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    elide();
}

void expressionline::elide()
{
    setText(fontMetrics().elidedText(m_expression, Qt::ElideLeft, std::max(0, width() - 2)));
    setAccessibleDescription(m_expression);
}
