// The Precision dialog: asks for the number of significant digits the
// engine computes and shows, within the engine's limits. It only asks; the
// window applies the value.
#pragma once

#include <QDialog>

class QLineEdit;

class PrecisionDialog : public QDialog {
public:
    static constexpr int EDIT_ID = 1069;

    explicit PrecisionDialog(int value, QWidget* parent = nullptr);

    // The number of digits: the one given, or after OK the one entered.
    int value() const { return m_value; }

    // OK: closes only with a whole number within the engine's limits;
    // otherwise says what is wrong and leaves the dialog open on the edit.
    void accept() override;

private:
    int m_value;
    QLineEdit* m_edit = nullptr;

    void refuse(const QString& text);
};
