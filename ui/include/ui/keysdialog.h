// Help > Keys: a window beside the calculator that lists every key in the
// order of the keypad, with its keyboard keys, what it does and what Inv
// and Hyp make of it.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QSize>

class QTableWidget;

class KeysDialog : public QDialog {
public:
    explicit KeysDialog(QWidget* parent = nullptr);

    QTableWidget* table() const { return m_table; }

private:
    QTableWidget* m_table = nullptr;
};

// Where a window of `size` goes beside `window` on `screen` (frames
// included; the top left of its frame): to the right or the left, level
// with it, where the screen has room; otherwise on the screen where it
// covers the least of the window, and of places that cover as little the
// one nearest it.
QPoint besideplace(const QRect& screen, const QRect& window, const QSize& size);
