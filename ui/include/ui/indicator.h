// The sunken indicators of the calculator window, the open parentheses and
// the memory: a short mark for the eye ("(=2", "M"), and for assistive
// technology a name, a value in words and a number, with a value-change
// event each time the state changes.
#pragma once

#include <QLabel>
#include <QString>

class QAccessibleEvent;

class Indicator : public QLabel {
public:
    // `maximum` bounds the number, for assistive technology that shows the
    // value as a level.
    Indicator(int maximum, QWidget* parent);

    // Shows `mark` and gives the state as `value` ("2", "in use") and as
    // `number`; a change is announced.
    void setstate(const QString& mark, const QString& value, int number);

    const QString& value() const { return m_value; }
    int number() const { return m_number; }
    int maximum() const { return m_maximum; }

    // Lets assistive technology read every Indicator through the interface
    // that gives its value. Once, before the first indicator is asked for.
    static void install();

    // Where a change of state is announced: QAccessible::updateAccessibility,
    // which passes it on only while assistive technology listens (never on
    // the offscreen platform), so that tests listen here.
    using announcer = void (*)(QAccessibleEvent* event);
    static announcer announce;

private:
    QString m_value;
    int m_number = 0;
    int m_maximum;
};
