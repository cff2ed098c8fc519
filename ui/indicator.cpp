#include "ui/indicator.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include <algorithm>

namespace {

// A read-only value: the words in the Value text and as the text of the
// control, the number through the value interface. Bridges carry what they
// know of these: AT-SPI the number and the text, not the Value text.
class indicatoraccessible : public QAccessibleWidget,
                            public QAccessibleValueInterface,
                            public QAccessibleTextInterface {
public:
    explicit indicatoraccessible(Indicator* indicator)
        : QAccessibleWidget(indicator, QAccessible::StatusBar)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return words();
        return QAccessibleWidget::text(t);
    }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // The value.
    QVariant currentValue() const override { return indicator()->number(); }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return indicator()->maximum(); }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

    // The text: the value's words, read-only, with nothing selected.
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override
    {
        const QString w = words();
        start = std::clamp(start, 0, static_cast<int>(w.size()));
        end = end < 0 ? static_cast<int>(w.size())
                      : std::clamp(end, start, static_cast<int>(w.size()));
        return w.mid(start, end - start);
    }
    int characterCount() const override { return static_cast<int>(words().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override
    {
        *start = *end = offset;
        return {};
    }

private:
    Indicator* indicator() const { return static_cast<Indicator*>(widget()); }
    const QString& words() const { return indicator()->value(); }
};

// Indicator has no meta-object of its own: it is asked for as a QLabel.
QAccessibleInterface* indicatorfactory(const QString& classname, QObject* object)
{
    if (classname != QLatin1String("QLabel"))
        return nullptr;
    auto* indicator = dynamic_cast<Indicator*>(object);
    return indicator != nullptr ? new indicatoraccessible(indicator) : nullptr;
}

}  // namespace

Indicator::announcer Indicator::announce = &QAccessible::updateAccessibility;

Indicator::Indicator(int maximum, QWidget* parent) : QLabel(parent), m_maximum(maximum)
{
    setAlignment(Qt::AlignCenter);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

void Indicator::setstate(const QString& mark, const QString& value, int number)
{
    setText(mark);
    if (value == m_value && number == m_number)
        return;
    m_value = value;
    m_number = number;
    QAccessibleValueChangeEvent event(this, value);
    announce(&event);
}

void Indicator::install() { QAccessible::installFactory(indicatorfactory); }
