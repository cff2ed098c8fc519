// The line above the display: the pending operands and operators as the
// keys typed them, with the open parentheses ("2 + 3 ×"), as the engine
// writes them (Calculator::pendingexpression). It stands in the display's
// top margin, so the window keeps its size and the keys their places.
#pragma once

#include <QLabel>
#include <QRect>
#include <QString>

class expressionline : public QLabel {
public:
    explicit expressionline(QWidget* parent);

    // Shows `text`, its end where it is too long: the operator last typed
    // stays in view.
    void setexpression(const QString& text);
    const QString& expression() const { return m_expression; }

    // Puts the line in the room between the top of its parent and the
    // display's frame, as wide as the display, in a font whose lines fit.
    void place(const QRect& display);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QString m_expression;
    void elide();
};
