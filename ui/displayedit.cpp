#include "ui/displayedit.h"

#include <QTextDocument>
#include <QTextFrame>

#include <cmath>

displayedit::displayedit(QWidget* parent) : QTextEdit(parent)
{
    const int margin = static_cast<int>(std::ceil(document()->documentMargin()));
    setViewportMargins(0, margin, 0, margin);
    // The strips beside the viewport take the text's background.
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Base));
    setPalette(colours);
    setAutoFillBackground(true);
    keepsidemargins();

    setReadOnly(true);
    // Text is selected with the mouse or Shift and the arrows, for Copy; no
    // caret shows and the pointer stays an arrow, as the display only shows.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setCursorWidth(0);
    viewport()->setCursor(Qt::ArrowCursor);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAcceptRichText(false);
    setFocusPolicy(Qt::StrongFocus);
    // Numbers have no spaces: one of thousands of digits wraps anywhere.
    QTextOption option(Qt::AlignRight);
    option.setWrapMode(QTextOption::WrapAnywhere);
    document()->setDefaultTextOption(option);
}

void displayedit::showtext(const QString& text)
{
    if (toPlainText() == text)
        return;
    setPlainText(text);
    keepsidemargins();
}

QString displayedit::selection() const { return textCursor().selectedText(); }

void displayedit::keepsidemargins()
{
    QTextFrameFormat format = document()->rootFrame()->frameFormat();
    if (format.topMargin() == 0 && format.bottomMargin() == 0)
        return;
    format.setTopMargin(0);
    format.setBottomMargin(0);
    document()->rootFrame()->setFrameFormat(format);
}
