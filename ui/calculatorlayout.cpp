// The window's controls and menu bar, built from the dialog template and
// the menu tables: the widget of each place, its tooltip and accessible
// texts, the display's height in whole lines, and the View popup's items,
// which change with the radix.
#include "ui/calculatordialog.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include <QAction>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextDocument>
#include <qdrawutil.h>

#include "calc/keyhelp.h"
#include "calc/keys.h"
#include "ui/bitview.h"
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

// The keypad's area: it tells the window when its size changes, so that the
// controls grow with it.
class clientarea : public QWidget {
public:
    using QWidget::QWidget;
    std::function<void()> onresize;

protected:
    void resizeEvent(QResizeEvent*) override
    {
        if (onresize)
            onresize();
    }
};

}  // namespace

void CalculatorDialog::buildcontrols()
{
    auto* client = new clientarea(this);
    m_client = client;
    const dialogunits units(font());
    // The template's size is the smallest; a larger window scales it.
    m_client->setMinimumSize(units.mapx(TEMPLATE_WIDTH), units.mapy(TEMPLATE_HEIGHT));
    m_client->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    m_controls.reserve(calculatortemplatecount);
    QButtonGroup* const groups[] = {new QButtonGroup(this), new QButtonGroup(this),
                                    new QButtonGroup(this)};
    // The display may reach down to the frames below it.
    int below = TEMPLATE_HEIGHT;
    for (int i = 0; i < calculatortemplatecount; ++i) {
        const controlplace& place = calculatortemplate[i];
        QWidget* widget = makecontrol(place, groups[radiogroup(place.id)]);
        describe(widget, place);
        // The keyboard focus stays on the display: a focused button would
        // take Space, and Tab moves nothing.
        if (widget != m_display)
            widget->setFocusPolicy(Qt::NoFocus);
        const QRect rect = units.map(place.x, place.y, place.width, place.height);
        widget->setGeometry(rect);
        if (widget == m_display)
            m_displayplace = rect;
        else
            m_places.emplace_back(widget, rect);
        if (place.kind == controlkind::frame)
            below = std::min(below, place.y);
        if (place.id != -1) {
            widget->setObjectName(QString::number(place.id));
            m_controls.insert(place.id, widget);
        }
    }
    m_displaybottom = units.mapy(below);
    m_displayfont = m_display->font();
    fitdisplay(m_displayplace, m_displaybottom);
    m_expression = new expressionline(m_client);
    m_expression->place(m_display->geometry());
    client->onresize = [this] { placecontrols(); };
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
// of the place is rounded to whole lines, up where the room above `bottom`
// (the frames below) allows it: then every position the scroll bar takes, a
// multiple of a line or the end, shows whole lines only.
void CalculatorDialog::fitdisplay(QRect place, int bottom)
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
    const double fits = (place.height() - chrome) / line;
    const int room = bottom - place.top();
    int lines = std::max(1, static_cast<int>(std::lround(fits)));
    auto height = [&](int n) { return chrome + static_cast<int>(std::ceil(n * line)); };
    if (height(lines) > room)
        lines = std::max(1, static_cast<int>(std::floor(fits)));
    place.setHeight(height(lines));
    m_display->setGeometry(place);
}

// The controls of a window larger than the template, scaled by its width
// and height; at the smallest size every place is the template's. The
// display's font grows with its height, but no faster than its width, so
// that a line holds at least the digits it holds at the smallest size.
void CalculatorDialog::placecontrols()
{
    const QSize smallest = m_client->minimumSize();
    const double sx = std::max(1.0, static_cast<double>(m_client->width()) / smallest.width());
    const double sy = std::max(1.0, static_cast<double>(m_client->height()) / smallest.height());
    // Edges are scaled, not sizes, so controls that touch still touch.
    const auto scaled = [&](const QRect& r) {
        const int left = static_cast<int>(std::lround(r.left() * sx));
        const int top = static_cast<int>(std::lround(r.top() * sy));
        const int right = static_cast<int>(std::lround((r.right() + 1) * sx));
        const int bottom = static_cast<int>(std::lround((r.bottom() + 1) * sy));
        return QRect(left, top, right - left, bottom - top);
    };
    for (const auto& [widget, place] : m_places)
        widget->setGeometry(scaled(place));

    QFont font = m_displayfont;
    const double grow = std::min(sx, sy);
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * grow);
    else
        font.setPixelSize(static_cast<int>(std::lround(font.pixelSize() * grow)));
    if (font != m_display->font())
        m_display->setFont(font);
    fitdisplay(scaled(m_displayplace), static_cast<int>(std::lround(m_displaybottom * sy)));
    if (m_expression != nullptr)
        m_expression->place(m_display->geometry());
    alignbits();
}

void CalculatorDialog::alignbits()
{
    if (m_bits == nullptr)
        return;
    const QRect shown = m_display->geometry();
    m_bits->setsides(shown.left(), m_client->width() - 1 - shown.right());
}

// The bit view shows in the integer radices only. It is made when first
// needed, so that a window starting in Dec builds none of its cells.
void CalculatorDialog::showbits(const enginesnapshot& state)
{
    const bool on = state.radix != 10;
    if (m_bits == nullptr) {
        if (!on)
            return;
        m_bits = new BitView(this);
        m_bits->hide();
        m_bits->ontoggle = [this](int bit) { oncommand(bitkey(bit)); };
        if (auto* box = qobject_cast<QBoxLayout*>(layout()))
            box->addWidget(m_bits);
        alignbits();
    }
    m_bits->setvalue(state.word, wordbits(state.size));
    m_bits->setEnabled(!state.error);
    showbitview(on);
}

void CalculatorDialog::showbitview(bool on)
{
    if (m_bits->isHidden() != on)
        return;
    const int panel = m_bits->sizeHint().height();
    const int before = height();
    m_bits->setVisible(on);
    // The window grows by the panel while it shows, as far as the screen
    // has room below it, and gives that height back after; a maximised
    // window keeps its size. The layout's new smallest size first, which
    // may have grown the window already.
    if (!isVisible() || (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) != 0) {
        m_bitsgrowth = 0;
        return;
    }
    layout()->activate();
    if (on) {
        int tallest = before + panel;
        if (const QScreen* s = screen()) {
            const int framebelow = frameGeometry().bottom() - geometry().bottom();
            tallest = s->availableGeometry().bottom() + 1 - geometry().top() - framebelow;
        }
        const int target = std::max(minimumHeight(), std::min(before + panel, tallest));
        m_bitsgrowth = std::max(0, target - before);
        resize(width(), std::max(target, height()));
    } else {
        resize(width(), std::max(minimumHeight(), before - m_bitsgrowth));
        m_bitsgrowth = 0;
    }
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
