// Help > Keys: a window beside the calculator that lists every key in the
// order of the keypad, with its keyboard keys, what it does and what Inv
// and Hyp make of it.
#pragma once

#include <QDialog>

class QTableWidget;

class KeysDialog : public QDialog {
public:
    explicit KeysDialog(QWidget* parent = nullptr);

    QTableWidget* table() const { return m_table; }

private:
    QTableWidget* m_table = nullptr;
};
