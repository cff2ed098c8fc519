#include "ui/bitview.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QStyleOptionFocusRect>

#include <algorithm>

#include "calc/keyhelp.h"
#include "calc/keys.h"
#include "ui/dialogtemplate.h"

namespace {

// Pixels around a digit in its cell, and between two groups of four as a
// share of a cell (GROUPGAP > 0 keeps the groups apart).
constexpr int CELLPADDING = 3;
constexpr int GROUPGAP = 2;
// Dialog units: the panel's room above and below its bits.
constexpr int PANEL_TOP = 2;
constexpr int PANEL_BOTTOM = 6;

bool bitof(std::uint64_t word, int n) { return ((word >> n) & 1u) != 0; }

}  // namespace

// One bit: its digit, "0" or "1"; a click or Space asks for its key. It
// takes the focus by the keyboard only, so that a click leaves it on the
// display.
class bitcell : public QAbstractButton {
public:
    bitcell(int n, BitView* view) : QAbstractButton(view), m_n(n), m_view(view)
    {
        setFocusPolicy(Qt::TabFocus);
        setCursor(Qt::PointingHandCursor);
        setAccessibleName(QStringLiteral("Bit %1").arg(n));
        setAccessibleDescription(QString::fromStdString(keydescription(bitkey(n))));
        setToolTip(QStringLiteral("Bit %1 (%2): click to toggle it")
                       .arg(n)
                       .arg(n == 0 ? QStringLiteral("1") : QStringLiteral("2^%1").arg(n)));
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        policy.setRetainSizeWhenHidden(true);
        setSizePolicy(policy);
        connect(this, &QAbstractButton::clicked, this, [this] {
            if (m_view->ontoggle)
                m_view->ontoggle(m_n);
        });
    }

    int n() const { return m_n; }
    bool set() const { return bitof(m_view->word(), m_n); }

    QSize sizeHint() const override
    {
        const QFontMetrics metrics = fontMetrics();
        return {metrics.horizontalAdvance(QLatin1Char('0')) + 2 * CELLPADDING,
                metrics.height() + CELLPADDING};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        if (underMouse() || isDown())
            painter.fillRect(rect(), palette().color(QPalette::Midlight));
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                       QPalette::WindowText));
        if (set()) {
            QFont bold = font();
            bold.setBold(true);
            painter.setFont(bold);
        }
        painter.drawText(rect(), Qt::AlignCenter,
                         set() ? QStringLiteral("1") : QStringLiteral("0"));
        if (hasFocus()) {
            QStyleOptionFocusRect option;
            option.initFrom(this);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
        }
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End: m_view->movefocus(m_n, event->key()); return;
        default: QAbstractButton::keyPressEvent(event); return;
        }
    }

    void focusInEvent(QFocusEvent* event) override
    {
        m_view->m_focused = m_n;
        QAbstractButton::focusInEvent(event);
    }

private:
    int m_n;
    BitView* m_view;
};

namespace {

// A bit as a check box: named "Bit 5", checked and with the value "1"
// where the bit is set, and pressed by its one action.
class bitaccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit bitaccessible(bitcell* cell) : QAccessibleWidget(cell, QAccessible::CheckBox) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return cell()->set() ? QStringLiteral("1") : QStringLiteral("0");
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = cell()->set();
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QVariant currentValue() const override { return cell()->set() ? 1 : 0; }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return 1; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

    QStringList actionNames() const override { return {toggleAction()}; }
    void doAction(const QString& name) override
    {
        if (name == toggleAction() || name == pressAction())
            cell()->click();
    }
    QStringList keyBindingsForAction(const QString&) const override
    {
        return {QStringLiteral("Space")};
    }

private:
    bitcell* cell() const { return static_cast<bitcell*>(widget()); }
};

// bitcell has no meta-object of its own: it is asked for as a
// QAbstractButton.
QAccessibleInterface* bitfactory(const QString& classname, QObject* object)
{
    if (classname != QLatin1String("QAbstractButton"))
        return nullptr;
    auto* cell = dynamic_cast<bitcell*>(object);
    return cell != nullptr ? new bitaccessible(cell) : nullptr;
}

QLabel* readout(const QString& name, const QString& description, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setAccessibleName(name);
    label->setAccessibleDescription(description);
    label->setToolTip(description);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

}  // namespace

void BitView::install() { QAccessible::installFactory(bitfactory); }

BitView::BitView(QWidget* parent) : QWidget(parent)
{
    setAccessibleName(QStringLiteral("Bits"));
    setAccessibleDescription(QStringLiteral("The bits of the value, 0 at the right"));
    // A larger window gives its height to the keypad; the bits spread.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(0);
    grid->setVerticalSpacing(0);
    // The sides are the display's (setsides).
    const dialogunits units(font());
    grid->setContentsMargins(0, units.mapy(PANEL_TOP), 0, units.mapy(PANEL_BOTTOM));
    QFont small = font();
    if (small.pointSizeF() > 0)
        small.setPointSizeF(small.pointSizeF() * 0.8);
    // Column of the bit at position p from the left of its row: a gap
    // column after every group of four.
    const auto column = [](int p) { return p + p / 4; };
    for (int n = 0; n < BITS; ++n) {
        const int row = n >= ROWBITS ? 0 : 2;
        const int p = ROWBITS - 1 - n % ROWBITS;
        m_cells[n] = new bitcell(n, this);
        grid->addWidget(m_cells[n], row, column(p));
        if (n % 4 == 0) {
            auto* number = new QLabel(QString::number(n), this);
            number->setFont(small);
            number->setAlignment(Qt::AlignRight | Qt::AlignTop);
            QSizePolicy policy = number->sizePolicy();
            policy.setRetainSizeWhenHidden(true);
            number->setSizePolicy(policy);
            // As wide as its group, right-aligned under its lowest bit.
            grid->addWidget(number, row + 1, column(p) - 3, 1, 4);
            m_numbers[n / 4] = number;
        }
    }
    const int gap = m_cells[0]->sizeHint().width() / GROUPGAP;
    for (int p = 4; p < ROWBITS; p += 4)
        grid->setColumnMinimumWidth(column(p) - 1, gap);

    m_unsigned = readout(QStringLiteral("Unsigned"),
                         QStringLiteral("The value read as an unsigned decimal integer"), this);
    m_signed = readout(QStringLiteral("Signed"),
                       QStringLiteral("The value read as a signed decimal integer (two's "
                                      "complement of the word size)"),
                       this);
    auto* readouts = new QHBoxLayout;
    readouts->addWidget(m_unsigned);
    readouts->addStretch(1);
    readouts->addWidget(m_signed);
    grid->addLayout(readouts, 4, 0, 1, column(ROWBITS - 1) + 1);
    setvalue(0, BITS);
}

QAbstractButton* BitView::bit(int n) const { return n >= 0 && n < BITS ? m_cells[n] : nullptr; }

void BitView::setvalue(std::uint64_t word, int bits)
{
    bits = std::clamp(bits, 1, BITS);
    const std::uint64_t mask = bits == BITS ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
    word &= mask;
    const bool changed = word != m_word || bits != m_bits;
    const std::uint64_t flipped = word ^ m_word;
    m_word = word;
    if (bits != m_bits) {
        m_bits = bits;
        for (int n = 0; n < BITS; ++n)
            m_cells[n]->setVisible(n < bits);
        for (int g = 0; g < BITS / 4; ++g)
            m_numbers[g]->setVisible(4 * g < bits);
        if (m_focused >= bits)
            m_focused = bits - 1;
    }
    if (changed || m_unsigned->text().isEmpty()) {
        m_unsigned->setText(QStringLiteral("Unsigned: %1").arg(unsignedtext(word, bits)));
        m_signed->setText(QStringLiteral("Signed: %1").arg(signedtext(word, bits)));
    }
    for (int n = 0; n < BITS; ++n) {
        if (bitof(flipped, n)) {
            m_cells[n]->update();
            QAccessibleValueChangeEvent event(m_cells[n], bitof(word, n) ? 1 : 0);
            QAccessible::updateAccessibility(&event);
        }
    }
}

void BitView::setsides(int left, int right)
{
    QMargins margins = layout()->contentsMargins();
    margins.setLeft(left);
    margins.setRight(right);
    layout()->setContentsMargins(margins);
}

void BitView::focusbit(int n)
{
    if (n < 0)
        n = m_focused;
    m_cells[std::clamp(n, 0, m_bits - 1)]->setFocus(Qt::TabFocusReason);
}

void BitView::movefocus(int from, int key)
{
    int to = from;
    switch (key) {
    case Qt::Key_Left: to = from + 1; break;
    case Qt::Key_Right: to = from - 1; break;
    case Qt::Key_Up: to = from + ROWBITS; break;
    case Qt::Key_Down: to = from - ROWBITS; break;
    case Qt::Key_Home: to = m_bits - 1; break;
    case Qt::Key_End: to = 0; break;
    default: break;
    }
    if (to >= 0 && to < m_bits)
        focusbit(to);
}

QString BitView::unsignedtext(std::uint64_t word, int bits)
{
    if (bits < BITS)
        word &= (std::uint64_t{1} << bits) - 1;
    return QString::number(word);
}

QString BitView::signedtext(std::uint64_t word, int bits)
{
    if (bits < BITS) {
        word &= (std::uint64_t{1} << bits) - 1;
        // The top bit of the word weighs -2^(bits-1).
        if (bitof(word, bits - 1))
            return QString::number(static_cast<std::int64_t>(word) - (std::int64_t{1} << bits));
    }
    return QString::number(static_cast<std::int64_t>(word));
}
