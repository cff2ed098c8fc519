// The window's controls and menu bar, built from the dialog template and
// the menu tables: the widget of each place, its tooltip and accessible
// texts, the display's height in whole lines, and the View popup's items,
// which change with the radix.
#include "ui/calculatordialog.h"

#include <algorithm>
#include <cmath>

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextDocument>
#include <qdrawutil.h>

#include "calc/keyhelp.h"
#include "calc/keys.h"
#include "ui/dialogtemplate.h"
#include "ui/displayedit.h"
#include "ui/expressionline.h"
#include "ui/indicator.h"
#include "ui/menus.h"

namespace {

QString buttontext(int code) { return QString::fromLatin1(keylabel(code)); }

// The comma key's mark would underline a comma, which then reads as a
// smudge: the key shows its comma large, and keeps its Alt+, by a shortcut
// of its own.
void showcomma(QPushButton* button)
{
    button->setText(QStringLiteral(","));
    button->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Comma));
    QFont font = button->font();
    font.setBold(true);
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * 1.5);
    else
        font.setPixelSize(font.pixelSize() * 3 / 2);
    button->setFont(font);
}

// The open parentheses have no bound of their own; the number stack holds
// the operands they keep open.
constexpr int PARENS_MAXIMUM = Calculator::STACKSIZE;

// A group box without text. Its line runs half a text line below its top,
// as a titled box's would, so boxes that overlap by a unit or two in the
// template do not draw over each other.
class groupframe : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        // An etched line, light on dark.
        qDrawShadeRect(&painter, rect().adjusted(0, fontMetrics().height() / 2, 0, 0), palette(),
                       true, 1, 0);
    }
};

// The radio buttons of the radix, of the angle unit and of the word size
// are each one choice.
int radiogroup(int id)
{
    if (id >= key::hex && id <= key::bin)
        return 0;
    return id >= key::qword ? 2 : 1;
}

}  // namespace

void CalculatorDialog::buildcontrols()
{
    m_client = new QWidget(this);
    const dialogunits units(font());
    m_client->setFixedSize(units.mapx(TEMPLATE_WIDTH), units.mapy(TEMPLATE_HEIGHT));

    m_controls.reserve(calculatortemplatecount);
    QButtonGroup* const groups[] = {new QButtonGroup(this), new QButtonGroup(this),
                                    new QButtonGroup(this)};
    for (int i = 0; i < calculatortemplatecount; ++i) {
        const controlplace& place = calculatortemplate[i];
        QWidget* widget = makecontrol(place, groups[radiogroup(place.id)]);
        describe(widget, place);
        // The keyboard focus stays on the display: a focused button would
        // take Space, and Tab moves nothing.
        if (widget != m_display)
            widget->setFocusPolicy(Qt::NoFocus);
        widget->setGeometry(units.map(place.x, place.y, place.width, place.height));
        if (place.id != -1) {
            widget->setObjectName(QString::number(place.id));
            m_controls.insert(place.id, widget);
        }
    }
    fitdisplay(units);
    m_expression = new expressionline(m_client);
    m_expression->place(m_display->geometry());
}

QWidget* CalculatorDialog::makecontrol(const controlplace& place, QButtonGroup* group)
{
    switch (place.kind) {
    case controlkind::display: m_display = new displayedit(m_client); return m_display;
    case controlkind::frame: return new groupframe(m_client);
    case controlkind::radiobutton: {
        auto* radio = new QRadioButton(buttontext(place.id), m_client);
        group->addButton(radio);
        connect(radio, &QRadioButton::clicked, this, [this, id = place.id] { oncommand(id); });
        return radio;
    }
    case controlkind::checkbox: {
        auto* check = new QCheckBox(buttontext(place.id), m_client);
        connect(check, &QCheckBox::clicked, this, [this, id = place.id] { oncommand(id); });
        return check;
    }
    case controlkind::indicator:
        return new Indicator(place.id == PARENS_ID ? PARENS_MAXIMUM : 1, m_client);
    case controlkind::pushbutton: break;
    }
    auto* button = new QPushButton(buttontext(place.id), m_client);
    button->setAutoDefault(false);
    if (place.id == key::point)
        showcomma(button);
    connect(button, &QPushButton::clicked, this, [this, id = place.id] { oncommand(id); });
    return button;
}

// A display of three and a half lines cuts the fourth in half. The height
// of the place is rounded to whole lines, up where the room above the
// frames below allows it: then every position the scroll bar takes, a
// multiple of a line or the end, shows whole lines only.
void CalculatorDialog::fitdisplay(const dialogunits& units)
{
    // The height of a line as the display lays it out, from a document of
    // its font laid out here: the display's own lays out only once shown.
    QTextDocument sample;
    sample.setDefaultFont(m_display->font());
    sample.setDocumentMargin(0);
    sample.setPlainText(QStringLiteral("0\n0"));
    const double line = sample.size().height() / 2;
    if (line <= 0)
        return;
    QTextDocument* document = m_display->document();
    m_linestep = static_cast<int>(std::lround(line));
    m_display->verticalScrollBar()->setSingleStep(m_linestep);

    const int chrome =
        2 * m_display->frameWidth() + 2 * static_cast<int>(std::ceil(document->documentMargin()));
    QRect place = m_display->geometry();
    const double fits = (place.height() - chrome) / line;
    // Down to the frames below it.
    int below = TEMPLATE_HEIGHT;
    for (int i = 0; i < calculatortemplatecount; ++i) {
        if (calculatortemplate[i].kind == controlkind::frame)
            below = std::min(below, calculatortemplate[i].y);
    }
    const int room = units.mapy(below) - place.top();
    int lines = std::max(1, static_cast<int>(std::lround(fits)));
    auto height = [&](int n) { return chrome + static_cast<int>(std::ceil(n * line)); };
    if (height(lines) > room)
        lines = std::max(1, static_cast<int>(std::floor(fits)));
    place.setHeight(height(lines));
    m_display->setGeometry(place);
}

void CalculatorDialog::describe(QWidget* widget, const controlplace& place)
{
    QString name;
    QString description;
    switch (place.kind) {
    case controlkind::display:
        name = QStringLiteral("Display");
        description = QStringLiteral("The number, or a message; read-only. Right-click to copy "
                                     "or paste");
        break;
    case controlkind::frame:
        // The frames in template order: radix, angle unit or word size, Inv
        // and Hyp.
        {
            static const char* const frames[] = {"Radix", "Angle unit or word size",
                                                 "Inverse and hyperbolic"};
            const auto before =
                std::count_if(calculatortemplate, &place,
                              [](const controlplace& c) { return c.kind == controlkind::frame; });
            name = QString::fromLatin1(frames[std::min<std::ptrdiff_t>(before, 2)]);
            break;
        }
    case controlkind::indicator:
        if (place.id == PARENS_ID) {
            name = QStringLiteral("Open parentheses");
            description = QStringLiteral("How many parentheses are open, shown as (=2");
        } else {
            name = QStringLiteral("Memory");
            description = QStringLiteral("M while the memory holds a number");
        }
        break;
    default:
        if (const keyhelp* h = helpof(place.id)) {
            name = QString::fromUtf8(h->name);
            description = QString::fromStdString(tooltiptext(place.id));
        }
        break;
    }
    widget->setAccessibleName(name);
    widget->setAccessibleDescription(description);
    if (place.kind != controlkind::frame)
        widget->setToolTip(description.isEmpty() ? name : description);
}

// The item's text and its shortcut as the menu shows it at the right. The
// key itself comes through the window's keyboard handling (eventFilter),
// which flashes buttons and reads characters by layout; the shortcut acts
// only while its own menu has the focus.
QAction* CalculatorDialog::menuaction(const menuitem& item, QObject* parent)
{
    auto* action = new QAction(QString::fromLatin1(item.text), parent);
    action->setData(item.command);
    if (item.shortcut != nullptr) {
        action->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
        action->setShortcutContext(Qt::WidgetShortcut);
        action->setShortcutVisibleInContextMenu(true);
    }
    return action;
}

QAction* CalculatorDialog::makeaction(const menuitem& item, QObject* parent)
{
    QAction* action = menuaction(item, parent);
    connect(action, &QAction::triggered, this, [this, id = item.command] { oncommand(id); });
    return action;
}

void CalculatorDialog::buildmenus()
{
    m_menubar = new QMenuBar(this);
    // The menu bar belongs to the window's layout, also on desktops that
    // would move it to a global menu.
    m_menubar->setNativeMenuBar(false);
    for (int p = 0; p < mainmenucount; ++p) {
        const menupopup& popup = mainmenu[p];
        QMenu* menu = m_menubar->addMenu(QString::fromLatin1(popup.title));
        for (int i = 0; i < popup.count; ++i) {
            if (popup.items[i].command == 0)
                menu->addSeparator();
            else
                menu->addAction(makeaction(popup.items[i], menu));
        }
    }
}

QAction* CalculatorDialog::findcommand(int command) const
{
    for (QAction* top : m_menubar->actions()) {
        if (top->menu() == nullptr)
            continue;
        for (QAction* action : top->menu()->actions()) {
            if (!action->isSeparator() && action->data().toInt() == command)
                return action;
        }
    }
    return nullptr;
}

void CalculatorDialog::insertcommand(int before, const menuitem& item)
{
    QAction* anchor = findcommand(before);
    if (anchor == nullptr)
        return;
    auto* menu = qobject_cast<QMenu*>(anchor->parent());
    if (menu == nullptr)
        return;
    menu->insertAction(anchor, makeaction(item, menu));
}

void CalculatorDialog::removecommand(int command)
{
    QAction* action = findcommand(command);
    if (action == nullptr)
        return;
    if (auto* menu = qobject_cast<QMenu*>(action->parent()))
        menu->removeAction(action);
    action->deleteLater();
}

void CalculatorDialog::checkcommand(int command, bool on)
{
    if (QAction* action = findcommand(command)) {
        // A mark only where the item is checked, and no empty box elsewhere.
        action->setCheckable(on);
        action->setChecked(on);
    }
}
