#include "ui/calculatordialog.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextEdit>
#include <QVBoxLayout>
#include <qdrawutil.h>

#include "calc/keys.h"
#include "number/number.h"
#include "ui/aboutdialog.h"
#include "ui/accelerators.h"
#include "ui/appinfo.h"
#include "ui/dialogtemplate.h"
#include "ui/menus.h"
#include "ui/precisiondialog.h"

const char longactionquestion[] =
    "The requested operation may take a very long time to complete.\n\rDo you want to continue?";

namespace {

// The digit keys in the order of their values, 0 to F.
const int digitkeys[16] = {
    key::digit0, key::digit1, key::digit2, key::digit3, key::digit4, key::digit5,
    key::digit6, key::digit7, key::digit8, key::digit9, key::digitA, key::digitB,
    key::digitC, key::digitD, key::digitE, key::digitF,
};

// Keys that only the decimal radix has.
const int decimalkeys[] = {key::sin, key::cos, key::tan, key::dms, key::exponent, key::pi};

QString keylabel(int code)
{
    for (int i = 0; i < keybuttoncount; ++i) {
        if (keybuttons[i].code == code)
            return QString::fromLatin1(keybuttons[i].label);
    }
    return {};
}

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

}  // namespace

CalculatorDialog::CalculatorDialog(hooks h, QWidget* parent)
    : QDialog(parent), m_hooks(std::move(h)),
      m_worker(std::make_unique<CalculatorWorker>(m_hooks.keyaction))
{
    setWindowTitle(QString::fromLatin1(applicationname));
    setWindowIcon(QIcon(QStringLiteral(":/icons/zelk-calculator.svg")));
    // An application window (in the task bar) with a caption, a close box
    // and a minimise box; the size is fixed.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    buildmenus();
    buildcontrols();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_menubar);
    layout->addWidget(m_client);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_busytimer.setTimerType(Qt::PreciseTimer);
    m_pastetimer.setSingleShot(true);
    connect(&m_busytimer, &QTimer::timeout, this, [this] { onbusytimer(); });
    connect(&m_pastetimer, &QTimer::timeout, this, [this] { pastenext(); });

    // Every key press in the window passes here before the focused control
    // sees it, the way accelerators are translated before a dialog handles
    // a message.
    qApp->installEventFilter(this);

    refreshwindow();
}

CalculatorDialog::~CalculatorDialog()
{
    qApp->removeEventFilter(this);
    m_worker->stop();
}

void CalculatorDialog::buildcontrols()
{
    m_client = new QWidget(this);
    const dialogunits units(font());
    m_client->setFixedSize(units.mapx(templatewidth), units.mapy(templateheight));

    auto* radixgroup = new QButtonGroup(this);
    auto* anglegroup = new QButtonGroup(this);
    auto* wordgroup = new QButtonGroup(this);

    for (int i = 0; i < calculatortemplatecount; ++i) {
        const controlplace& place = calculatortemplate[i];
        QWidget* widget = nullptr;
        switch (place.kind) {
        case controlkind::display: {
            m_display = new QTextEdit(m_client);
            m_display->setReadOnly(true);
            // No caret and no text pointer: the display only shows.
            m_display->setTextInteractionFlags(Qt::NoTextInteraction);
            m_display->viewport()->setCursor(Qt::ArrowCursor);
            m_display->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            m_display->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            m_display->setAcceptRichText(false);
            m_display->setFocusPolicy(Qt::StrongFocus);
            // Numbers have no spaces: a 6000-digit one wraps at any digit.
            QTextOption option(Qt::AlignRight);
            option.setWrapMode(QTextOption::WrapAnywhere);
            m_display->document()->setDefaultTextOption(option);
            widget = m_display;
            break;
        }
        case controlkind::frame: widget = new groupframe(m_client); break;
        case controlkind::radiobutton: {
            auto* radio = new QRadioButton(keylabel(place.id), m_client);
            QButtonGroup* group = place.id >= key::hex && place.id <= key::bin ? radixgroup
                                  : place.id >= key::qword                     ? wordgroup
                                                                               : anglegroup;
            group->addButton(radio);
            connect(radio, &QRadioButton::clicked, this, [this, id = place.id] { oncommand(id); });
            widget = radio;
            break;
        }
        case controlkind::checkbox: {
            auto* check = new QCheckBox(keylabel(place.id), m_client);
            connect(check, &QCheckBox::clicked, this, [this, id = place.id] { oncommand(id); });
            widget = check;
            break;
        }
        case controlkind::indicator: {
            auto* label = new QLabel(m_client);
            label->setAlignment(Qt::AlignCenter);
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            widget = label;
            break;
        }
        case controlkind::pushbutton: {
            auto* button = new QPushButton(keylabel(place.id), m_client);
            button->setAutoDefault(false);
            connect(button, &QPushButton::clicked, this, [this, id = place.id] { oncommand(id); });
            widget = button;
            break;
        }
        }
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
}

QAction* CalculatorDialog::makeaction(const menuitem& item, QObject* parent)
{
    auto* action = new QAction(QString::fromLatin1(item.text), parent);
    action->setData(item.command);
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

void CalculatorDialog::showcontrol(int id, bool on)
{
    if (QWidget* widget = control(id))
        widget->setVisible(on);
}

void CalculatorDialog::enablecontrol(int id, bool on)
{
    if (QWidget* widget = control(id))
        widget->setEnabled(on);
}

void CalculatorDialog::checkcontrol(int id, bool on)
{
    if (auto* button = qobject_cast<QAbstractButton*>(control(id)))
        button->setChecked(on);
}

void CalculatorDialog::refreshwindow()
{
    const Calculator& engine = m_worker->calculator();

    m_displaystring = QString::fromStdString(engine.display());
    if (m_display->toPlainText() != m_displaystring)
        m_display->setPlainText(m_displaystring);

    static_cast<QLabel*>(control(memoryid))
        ->setText(engine.memorynonzero() ? QStringLiteral("M") : QString());
    static_cast<QLabel*>(control(parensid))
        ->setText(engine.parens() != 0 ? QStringLiteral("(=%1").arg(engine.parens()) : QString());

    checkcontrol(key::inv, engine.inv());
    checkcontrol(key::hyp, engine.hyp());
    checkcommand(command::grouping, engine.grouping());

    const int radix = engine.radix();
    checkcontrol(key::hex, radix == 16);
    checkcontrol(key::dec, radix == 10);
    checkcontrol(key::oct, radix == 8);
    checkcontrol(key::bin, radix == 2);
    checkcommand(command::hex, radix == 16);
    checkcommand(command::dec, radix == 10);
    checkcommand(command::oct, radix == 8);
    checkcommand(command::bin, radix == 2);
    if (radix == 10)
        setdecimalmode();
    else
        setintegermode();

    m_display->setFocus();
}

void CalculatorDialog::setdecimalmode()
{
    m_decimalmode = true;
    for (int id : {key::radians, key::degrees, key::grads}) {
        showcontrol(id, true);
        enablecontrol(id, true);
    }
    for (int id : {key::qword, key::dword, key::word, key::byte}) {
        showcontrol(id, false);
        enablecontrol(id, false);
    }
    for (int id : decimalkeys)
        enablecontrol(id, true);
    enabledigits(10);

    if (findcommand(command::qword) != nullptr) {
        for (const menuitem& item : angleitems)
            insertcommand(command::qword, item);
        for (int id : {command::qword, command::dword, command::word, command::byte})
            removecommand(id);
    }

    const int angle = m_worker->calculator().angle();
    if (angle < 0 || angle > 2)
        return;
    checkcontrol(key::radians, angle == 0);
    checkcontrol(key::degrees, angle == 1);
    checkcontrol(key::grads, angle == 2);
    checkcommand(command::radians, angle == 0);
    checkcommand(command::degrees, angle == 1);
    checkcommand(command::grads, angle == 2);
}

void CalculatorDialog::setintegermode()
{
    m_decimalmode = false;
    for (int id : {key::radians, key::degrees, key::grads}) {
        showcontrol(id, false);
        enablecontrol(id, false);
    }
    for (int id : {key::qword, key::dword, key::word, key::byte}) {
        showcontrol(id, true);
        enablecontrol(id, true);
    }
    for (int id : decimalkeys)
        enablecontrol(id, false);
    enabledigits(m_worker->calculator().radix());

    if (findcommand(command::degrees) != nullptr) {
        for (const menuitem& item : wordsizeitems)
            insertcommand(command::degrees, item);
        for (int id : {command::degrees, command::radians, command::grads})
            removecommand(id);
    }

    const int size = m_worker->calculator().wordsize();
    if (size < 0 || size > 3)
        return;
    const int radios[4] = {key::byte, key::word, key::dword, key::qword};
    const int items[4] = {command::byte, command::word, command::dword, command::qword};
    for (int i = 0; i < 4; ++i) {
        checkcontrol(radios[i], i == size);
        checkcommand(items[i], i == size);
    }
}

void CalculatorDialog::enabledigits(int n)
{
    for (int i = 0; i < 16; ++i)
        enablecontrol(digitkeys[i], i < n);
}

int CalculatorDialog::busyinterval() const
{
    return m_busytimer.isActive() ? m_busytimer.interval() : 0;
}

std::time_t CalculatorDialog::now() const
{
    return m_hooks.now ? m_hooks.now() : std::time(nullptr);
}

void CalculatorDialog::oncommand(int id)
{
    switch (id) {
    case command::nothing: return;
    case key::inv:
    case key::hyp: handkey(id); return;
    case key::hex:
    case command::hex: handkey(key::hex); return;
    case key::dec:
    case command::dec: handkey(key::dec); return;
    case key::oct:
    case command::oct: handkey(key::oct); return;
    case key::bin:
    case command::bin: handkey(key::bin); return;
    // F2 to F4, the radio buttons and the menu items in this place mean an
    // angle unit in the decimal radix and a word size in the others.
    case key::degrees:
    case key::dword:
    case command::degrees:
    case command::dword: handkey(m_decimalmode ? key::degrees : key::dword); return;
    case key::radians:
    case key::word:
    case command::radians:
    case command::word: handkey(m_decimalmode ? key::radians : key::word); return;
    case key::grads:
    case key::byte:
    case command::grads:
    case command::byte: handkey(m_decimalmode ? key::grads : key::byte); return;
    case key::qword:
    case command::qword: handkey(key::qword); return;
    case command::grouping: handkey(key::grouping); return;
    case command::quit:
        // At once: no teardown while a key action may still hold the engine.
        std::_Exit(0);
    case command::copy: copy(); return;
    case command::paste: paste(); return;
    case command::precision: showprecision(); return;
    case command::about: showabout(); return;
    case command::whatsthis: whatsthis(); return;
    default:
        if (qobject_cast<QPushButton*>(control(id)) != nullptr)
            presskey(id);
        return;
    }
}

void CalculatorDialog::presskey(int code)
{
    auto* button = qobject_cast<QAbstractButton*>(control(code));
    const bool flash = m_accelerating && button != nullptr;
    if (flash) {
        button->setDown(true);
        button->repaint();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(KEY_WAIT));
    handkey(code);
    if (flash)
        button->setDown(false);
}

void CalculatorDialog::handkey(int code)
{
    // A key that arrives while the worker is busy is dropped; the start
    // time is reset all the same. A worker that is only finishing a quick
    // key (or on a loaded machine has not yet been scheduled to) gets a
    // moment first, so keys typed in quick succession are not lost.
    if (!m_worker->postkey(code)) {
        for (int waited = 0; waited < KEY_GRACE && !m_worker->isidle(); ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        m_worker->postkey(code);
    }
    m_starttime = now();
    startbusytimer(BUSY_FIRST);
}

void CalculatorDialog::startbusytimer(int ms)
{
    if (!m_busytimer.isActive())
        m_busytimer.start(ms);
    enableprecision();
}

void CalculatorDialog::stopbusytimer()
{
    m_busytimer.stop();
    enableprecision();
}

// The Precision item is greyed while the window waits for the worker (from
// the hand-over of a key until the window has shown its result) and while a
// paste is being typed: the precision is changed on this thread, which may
// touch the engine only while the worker is idle.
void CalculatorDialog::enableprecision()
{
    if (QAction* item = findcommand(command::precision))
        item->setEnabled(!m_busytimer.isActive() && m_worker->isidle() && !pasting());
}

void CalculatorDialog::onbusytimer()
{
    if (m_worker->isidle()) {
        setbusycursor(false);
        refreshwindow();
        stopbusytimer();
        return;
    }
    const std::time_t elapsed = now() - m_starttime;
    if (elapsed < BUSY_POINTER)
        return;
    if (elapsed < BUSY_QUESTION) {
        setbusycursor(true);
        stopbusytimer();
        startbusytimer(BUSY_LATER);
        return;
    }
    stopbusytimer();
    setbusycursor(false);
    const bool yes = askcontinue();
    m_starttime = now();
    if (yes) {
        setbusycursor(true);
        startbusytimer(BUSY_LATER);
    } else {
        cancelcompute();
        // A paste ends with the action the user stopped.
        m_pastetext.clear();
        m_pastetimer.stop();
        setbusycursor(false);
        startbusytimer(BUSY_CANCEL);
    }
}

void CalculatorDialog::setbusycursor(bool on)
{
    if (on == m_busycursor)
        return;
    const Qt::CursorShape shape = on ? Qt::WaitCursor : Qt::ArrowCursor;
    // The buttons and the menu bar take the window's pointer; the display
    // has a pointer of its own.
    setCursor(shape);
    m_display->viewport()->setCursor(shape);
    m_busycursor = on;
}

std::unique_ptr<QMessageBox> CalculatorDialog::makequestion(QWidget* parent)
{
    QString text = QString::fromLatin1(longactionquestion);
    text.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    auto box = std::make_unique<QMessageBox>(QMessageBox::Question, QString(), text,
                                             QMessageBox::Yes | QMessageBox::No, parent);
    box->setDefaultButton(QMessageBox::Yes);
    return box;
}

bool CalculatorDialog::askcontinue()
{
    m_asking = true;
    bool yes;
    if (m_hooks.askcontinue) {
        yes = m_hooks.askcontinue(this);
    } else {
        std::unique_ptr<QMessageBox> box = makequestion(this);
        yes = box->exec() == QMessageBox::Yes;
    }
    m_asking = false;
    return yes;
}

void CalculatorDialog::scrolldisplay(int lines)
{
    QScrollBar* bar = m_display->verticalScrollBar();
    bar->setValue(bar->value() + lines * m_display->fontMetrics().lineSpacing());
}

void CalculatorDialog::copy() { QGuiApplication::clipboard()->setText(m_displaystring); }

void CalculatorDialog::paste()
{
    const QString text = QGuiApplication::clipboard()->text();
    if (text.isEmpty())
        return;
    const bool running = !m_pastetext.isEmpty();
    m_pastetext += text;
    enableprecision();
    if (!running)
        pastenext();
}

// Hands the next key of a paste over, but only to an idle worker: a pasted
// key is never dropped, however long the one before it takes. A busy worker
// is looked at again every PASTE_POLL ms; an idle one gets the next key as
// soon as the window has handled its events, which with the wait of the
// key press itself spaces quick keys 10 ms apart.
void CalculatorDialog::pastenext()
{
    if (m_asking || !m_worker->isidle()) {
        m_pastetimer.start(PASTE_POLL);
        return;
    }
    while (!m_pastetext.isEmpty()) {
        const char16_t c = m_pastetext.front().unicode();
        m_pastetext.remove(0, 1);
        // 'E' is resolved by the radix in force when it is typed; the engine
        // may be read, the worker being idle.
        const int code =
            c <= 0xff ? characterkey(static_cast<char>(c), m_worker->calculator().radix()) : 0;
        if (code == 0)
            continue;
        m_accelerating = true;
        oncommand(code);
        m_accelerating = false;
        update();
        break;
    }
    if (!m_pastetext.isEmpty())
        m_pastetimer.start(0);
    else
        enableprecision();  // a paste may end without a key to wait for
}

// Refused while the worker is busy or a paste is being typed (Ctrl+D then
// only beeps; the menu item is greyed): the engine is changed here, on the
// user-interface thread. A worker that is only finishing a quick key gets
// the moment a key would get. While the dialog is open nothing is handed to
// the worker, the dialog being modal, so the worker is still idle after it.
void CalculatorDialog::showprecision()
{
    for (int waited = 0; waited < KEY_GRACE && !m_worker->isidle(); ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!m_worker->isidle() || pasting()) {
        QApplication::beep();
        return;
    }
    PrecisionDialog dialog(m_worker->calculator().precision(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_worker->calculator().setprecision(dialog.value());
    refreshwindow();
}

void CalculatorDialog::showabout()
{
    AboutDialog dialog(this);
    dialog.exec();
}

// A right click (or the context-menu key) over a control of the window.
// Only controls with a help identifier offer a menu: "What's This?".
void CalculatorDialog::contexthelp(QWidget* widget, const QPoint& position)
{
    // The control the widget belongs to: the display's viewport is the
    // display.
    int id = 0;
    for (QWidget* w = widget; w != nullptr && w != this && id == 0; w = w->parentWidget())
        id = m_controls.key(w, 0);
    const std::uint32_t help = helpidof(id);
    if (help == 0)
        return;
    m_helpid = help;

    QMenu menu(this);
    menu.setTitle(QString::fromLatin1(contextmenu.title));
    for (int i = 0; i < contextmenu.count; ++i) {
        QAction* action = menu.addAction(QString::fromLatin1(contextmenu.items[i].text));
        action->setData(contextmenu.items[i].command);
    }
    // The chosen command comes to the window once the menu has closed.
    if (QAction* chosen = menu.exec(position))
        oncommand(chosen->data().toInt());
}

void CalculatorDialog::whatsthis()
{
    QMessageBox box(QMessageBox::Information, QString::fromLatin1(applicationname),
                    QString::asprintf("helpid:%lx", static_cast<unsigned long>(m_helpid)),
                    QMessageBox::Ok, this);
    box.exec();
}

bool CalculatorDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ContextMenu) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || widget->window() != this)
            return false;
        // No control has a menu of its own (the display's would offer
        // Select All); the window decides for all of them.
        contexthelp(widget, static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    // The menu bar keeps its own keys while it has the focus (after Alt).
    if (widget == nullptr || widget->window() != this || qobject_cast<QMenuBar*>(widget) != nullptr)
        return false;
    auto* press = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers =
        press->modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);

    if (const int lines = scrolllines(press->key()); lines != 0 && modifiers == Qt::NoModifier) {
        scrolldisplay(lines);
        return true;
    }
    const int command = acceleratorcommand(press->key(), modifiers, press->text());
    if (command == 0)
        return false;
    m_accelerating = true;
    oncommand(command);
    m_accelerating = false;
    return true;
}

void CalculatorDialog::done(int result)
{
    QDialog::done(result);
    // The window is gone for the user; the action in progress is cancelled
    // and the worker ended before the engine goes.
    m_busytimer.stop();
    m_pastetimer.stop();
    m_worker->stop();
}
