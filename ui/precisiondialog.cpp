#include "ui/precisiondialog.h"

#include <climits>
#include <optional>

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "calc/calculator.h"
#include "ui/appinfo.h"
#include "ui/dialogtemplate.h"

namespace {

// Only this much of the edit's text is read.
constexpr qsizetype READ_LIMIT = 31;

bool blank(QChar c) { return c == u' ' || c == u'\t'; }

// Reads text as a whole number: optional spaces or tabs, an optional sign,
// decimal digits, then nothing but spaces or tabs. Zero counts only when the
// text, after the spaces, begins with '0'. A number too large for an int
// comes back as INT_MAX or INT_MIN: still a number, only out of every range
// asked for.
std::optional<int> readinteger(const QString& text)
{
    const QString head = text.left(READ_LIMIT);
    const qsizetype end = head.size();
    qsizetype i = 0;
    while (i < end && blank(head[i]))
        ++i;
    const qsizetype start = i;
    bool negative = false;
    if (i < end && (head[i] == u'+' || head[i] == u'-')) {
        negative = head[i] == u'-';
        ++i;
    }
    long long magnitude = 0;
    const qsizetype firstdigit = i;
    while (i < end && head[i] >= u'0' && head[i] <= u'9') {
        magnitude = std::min<long long>(magnitude * 10 + (head[i].unicode() - u'0'),
                                        static_cast<long long>(INT_MAX) + 1);
        ++i;
    }
    const bool digits = i > firstdigit;
    while (i < end && blank(head[i]))
        ++i;
    if (!digits || i != end)
        return std::nullopt;
    if (magnitude == 0 && head[start] != u'0')
        return std::nullopt;
    if (negative)
        return static_cast<int>(-magnitude);  // INT_MIN at the most
    return static_cast<int>(std::min<long long>(magnitude, INT_MAX));
}

}  // namespace

PrecisionDialog::PrecisionDialog(int value, QWidget* parent) : QDialog(parent), m_value(value)
{
    setWindowTitle(QStringLiteral("Precision"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    const dialogunits units(font());
    setFixedSize(units.mapx(198), units.mapy(70));

    // Made in tab order: OK, Cancel, the edit.
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    ok->setGeometry(units.map(141, 7, 50, 14));
    connect(ok, &QPushButton::clicked, this, &PrecisionDialog::accept);

    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setGeometry(units.map(141, 24, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &PrecisionDialog::reject);

    m_edit = new QLineEdit(QString::number(value), this);
    m_edit->setObjectName(QString::number(EDIT_ID));
    m_edit->setGeometry(units.map(71, 22, 43, 14));

    auto* label = new QLabel(QStringLiteral("Number of digits:"), this);
    placestatic(label, units, 14, 24, 54, 15);

    // The whole value selected, so typing replaces it.
    m_edit->selectAll();
    m_edit->setFocus();
}

void PrecisionDialog::accept()
{
    const std::optional<int> entered = readinteger(m_edit->text());
    if (!entered) {
        refuse(QStringLiteral("Please enter an integer."));
        return;
    }
    if (*entered < Calculator::MINPRECISION || *entered > Calculator::MAXPRECISION) {
        refuse(QString::asprintf("Please enter an integer between %d and %d",
                                 Calculator::MINPRECISION, Calculator::MAXPRECISION));
        return;
    }
    m_value = *entered;
    QDialog::accept();
}

void PrecisionDialog::refuse(const QString& text)
{
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(APPLICATION_NAME), text,
                    QMessageBox::Ok, this);
    box.exec();
    // Back to the edit with its text selected, ready to be typed over; the
    // dialog takes the keyboard again even where the window system gives it
    // to no window once the message has gone.
    activateWindow();
    m_edit->setFocus();
    m_edit->selectAll();
}
