// The calculator's display: a read-only text of one number or message that
// wraps anywhere and scrolls by whole lines; its text can be selected.
#pragma once

#include <QTextEdit>

// A document's margin stands at its own top and bottom, not at the
// viewport's: scrolled by lines, the viewport would show a strip of the
// line above or below. Its text has margins at the sides only, and the
// viewport stands the margin inside the frame above and below instead.
class displayedit : public QTextEdit {
public:
    explicit displayedit(QWidget* parent);

    // Shows `text` when it differs from what is shown.
    void showtext(const QString& text);
    // The text selected with the mouse or the keyboard; empty when none is.
    QString selection() const;

private:
    // Again after each new text, which gives the document a new root frame.
    void keepsidemargins();
};
