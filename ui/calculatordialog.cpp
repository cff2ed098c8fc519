#include "ui/calculatordialog.h"

#include <cstdlib>
#include <span>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpacerItem>
#include <QVBoxLayout>

#include "calc/keys.h"
#include "calc/paste.h"
#include "ui/aboutdialog.h"
#include "ui/accelerators.h"
#include "ui/appinfo.h"
#include "ui/bitview.h"
#include "ui/dialogtemplate.h"
#include "ui/displayedit.h"
#include "ui/expressionline.h"
#include "ui/historywindow.h"
#include "ui/indicator.h"
#include "ui/keysdialog.h"
#include "ui/menus.h"
#include "ui/precisiondialog.h"

const char LONG_ACTION_QUESTION[] =
    "The requested operation may take a very long time to complete.\n\rDo you want to continue?";

namespace {

// Keys that only the decimal radix has.
const int decimalkeys[] = {key::sin, key::cos, key::tan, key::dms, key::exponent, key::pi};

// The radio button and the menu item of each angle unit and word size.
struct anglecontrol {
    int radio;
    int item;
    angleunit unit;
};

struct wordcontrol {
    int radio;
    int item;
    wordsize size;
};

const anglecontrol anglecontrols[] = {
    {key::radians, command::RADIANS, angleunit::radians},
    {key::degrees, command::DEGREES, angleunit::degrees},
    {key::grads, command::GRADS, angleunit::grads},
};

const wordcontrol wordcontrols[] = {
    {key::byte, command::BYTE, wordsize::byte},
    {key::word, command::WORD, wordsize::word},
    {key::dword, command::DWORD, wordsize::dword},
    {key::qword, command::QWORD, wordsize::qword},
};

}  // namespace

CalculatorDialog::CalculatorDialog(hooks h, QWidget* parent)
    : QDialog(parent), m_hooks(std::move(h)),
      m_feeder(*this, m_hooks.now, m_hooks.keyaction, m_hooks.pastestep)
{
    setWindowTitle(QString::fromLatin1(APPLICATION_NAME));
    setWindowIcon(QIcon(QStringLiteral(":/icons/zelk-calculator.svg")));
    // An application window (in the task bar) with a caption, a close box,
    // a minimise and a maximise box; the layout's size is the smallest.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    Indicator::install();
    BitView::install();

    buildmenus();
    buildcontrols();
    describehistory();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_menubar);
    layout->addWidget(m_client);
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    // Every key press in the window passes here before the focused control
    // sees it, the way accelerators are translated before a dialog handles
    // a message.
    qApp->installEventFilter(this);

    refreshwindow(m_feeder.worker().snapshot());
}

CalculatorDialog::~CalculatorDialog()
{
    qApp->removeEventFilter(this);
    m_feeder.stop();
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

void CalculatorDialog::refreshwindow(const enginesnapshot& state)
{
    showdisplay(state.display);
    m_expression->setexpression(QString::fromStdString(state.pending));
    m_history = state.history;
    if (m_historywindow != nullptr && m_historywindow->isVisible())
        m_historywindow->showhistory(m_history);

    const bool memory = state.memory;
    indicator(MEMORY_ID)->setstate(memory ? QStringLiteral("M") : QString(),
                                   memory ? QStringLiteral("in use") : QStringLiteral("empty"),
                                   memory ? 1 : 0);
    const int parens = state.parens;
    indicator(PARENS_ID)->setstate(parens != 0 ? QStringLiteral("(=%1").arg(parens) : QString(),
                                   QString::number(parens), parens);

    checkcontrol(key::inv, state.inv);
    checkcontrol(key::hyp, state.hyp);
    checkcommand(key::grouping, state.grouping);

    m_radix = state.radix;
    checkcontrol(key::hex, m_radix == 16);
    checkcontrol(key::dec, m_radix == 10);
    checkcontrol(key::oct, m_radix == 8);
    checkcontrol(key::bin, m_radix == 2);
    checkcommand(command::HEX, m_radix == 16);
    checkcommand(command::DEC, m_radix == 10);
    checkcommand(command::OCT, m_radix == 8);
    checkcommand(command::BIN, m_radix == 2);
    showmode(state);

    showbits(state);
    if (m_bits == nullptr || !m_bits->isVisible() ||
        !m_bits->isAncestorOf(QApplication::focusWidget()))
        m_display->setFocus();
}

Indicator* CalculatorDialog::indicator(int id) const
{
    return static_cast<Indicator*>(control(id));
}

void CalculatorDialog::showdisplay(const std::string& text)
{
    m_displaystring = QString::fromStdString(text);
    m_display->showtext(m_displaystring);
}

// The decimal radix shows the angle units where the integer radices show
// the word sizes, on the radio buttons and in the View popup, and only it
// has the scientific keys that need a fraction.
void CalculatorDialog::showmode(const enginesnapshot& state)
{
    const bool decimal = m_radix == 10;
    for (const anglecontrol& c : anglecontrols) {
        showcontrol(c.radio, decimal);
        enablecontrol(c.radio, decimal);
    }
    for (const wordcontrol& c : wordcontrols) {
        showcontrol(c.radio, !decimal);
        enablecontrol(c.radio, !decimal);
    }
    for (int id : decimalkeys)
        enablecontrol(id, decimal);
    for (int i = 0; i < 16; ++i)
        enablecontrol(key::digits[i], i < m_radix);

    // The first item of the shape the popup has to leave.
    const int anchor = decimal ? command::QWORD : command::DEGREES;
    if (findcommand(anchor) != nullptr) {
        for (const menuitem& item : decimal ? std::span<const menuitem>(angleitems)
                                            : std::span<const menuitem>(wordsizeitems))
            insertcommand(anchor, item);
        if (decimal) {
            for (const wordcontrol& c : wordcontrols)
                removecommand(c.item);
        } else {
            for (const anglecontrol& c : anglecontrols)
                removecommand(c.item);
        }
    }

    // The marks of the shape shown; the hidden radio buttons keep theirs.
    if (decimal) {
        for (const anglecontrol& c : anglecontrols)
            checkmode(c.radio, c.item, c.unit == state.angle);
    } else {
        for (const wordcontrol& c : wordcontrols)
            checkmode(c.radio, c.item, c.size == state.size);
    }
}

void CalculatorDialog::checkmode(int radio, int item, bool on)
{
    checkcontrol(radio, on);
    checkcommand(item, on);
}

void CalculatorDialog::oncommand(int id, bool byradix)
{
    switch (id) {
    case command::NOTHING: return;
    case key::inv:
    case key::hyp:
    case key::grouping: m_feeder.hand(id); return;
    case key::hex:
    case command::HEX: m_feeder.hand(key::hex); return;
    case key::dec:
    case command::DEC: m_feeder.hand(key::dec); return;
    case key::oct:
    case command::OCT: m_feeder.hand(key::oct); return;
    case key::bin:
    case command::BIN: m_feeder.hand(key::bin); return;
    // F2 to F4, the radio buttons and the menu items in this place mean an
    // angle unit in the decimal radix and a word size in the others: the
    // radix in force when the key's turn comes, after the keys before it.
    case key::degrees:
    case key::dword:
    case command::DEGREES:
    case command::DWORD: m_feeder.hand(key::degrees, true); return;
    case key::radians:
    case key::word:
    case command::RADIANS:
    case command::WORD: m_feeder.hand(key::radians, true); return;
    case key::grads:
    case key::byte:
    case command::GRADS:
    case command::BYTE: m_feeder.hand(key::grads, true); return;
    case key::qword:
    case command::QWORD: m_feeder.hand(key::qword); return;
    case command::QUIT:
        // At once: no teardown while a key action may still hold the engine.
        std::_Exit(0);
    case command::COPY: copy(); return;
    case command::PASTE: paste(); return;
    case command::PRECISION: m_feeder.changeprecision(); return;
    case command::ABOUT: showabout(); return;
    case command::KEYS: showkeys(); return;
    case command::HISTORY: togglehistory(); return;
    case command::CLEAR_HISTORY: m_feeder.clearhistory(); return;
    case command::WHATS_THIS: whatsthis(); return;
    default:
        if (keybit(id) >= 0) {
            m_feeder.hand(id);
            return;
        }
        if (qobject_cast<QPushButton*>(control(id)) != nullptr)
            m_feeder.press(id, m_accelerating, byradix);
        return;
    }
}

void CalculatorDialog::flash(int code, bool down)
{
    auto* button = qobject_cast<QPushButton*>(control(code));
    if (button == nullptr)
        return;
    button->setDown(down);
    if (down)
        button->repaint();
}

void CalculatorDialog::enableprecision(bool on)
{
    if (QAction* item = findcommand(command::PRECISION))
        item->setEnabled(on);
}

void CalculatorDialog::showwaitpointer(bool on)
{
    const Qt::CursorShape shape = on ? Qt::WaitCursor : Qt::ArrowCursor;
    // The buttons and the menu bar take the window's pointer; the display
    // has a pointer of its own.
    setCursor(shape);
    m_display->viewport()->setCursor(shape);
}

// The caption says how many keys wait for a long action; the wait pointer
// shows meanwhile.
void CalculatorDialog::showwaiting(int count)
{
    const QString name = QString::fromLatin1(APPLICATION_NAME);
    setWindowTitle(count == 0 ? name
                              : QStringLiteral("%1 (busy: %2 waiting)").arg(name).arg(count));
}

std::unique_ptr<QMessageBox> CalculatorDialog::makequestion(QWidget* parent)
{
    QString text = QString::fromLatin1(LONG_ACTION_QUESTION);
    text.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    auto box =
        std::make_unique<QMessageBox>(QMessageBox::Question, QString::fromLatin1(APPLICATION_NAME),
                                      text, QMessageBox::Yes | QMessageBox::No, parent);
    box->setDefaultButton(QMessageBox::Yes);
    return box;
}

bool CalculatorDialog::askcontinue()
{
    if (m_hooks.askcontinue)
        return m_hooks.askcontinue(this);
    std::unique_ptr<QMessageBox> box = makequestion(this);
    return box->exec() == QMessageBox::Yes;
}

std::optional<int> CalculatorDialog::askprecision(int digits)
{
    PrecisionDialog dialog(digits, this);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.value();
}

void CalculatorDialog::beep() { QApplication::beep(); }

bool CalculatorDialog::bitviewkey(int qtkey, Qt::KeyboardModifiers modifiers)
{
    if (m_bits == nullptr || !m_bits->isVisible() || !m_bits->isEnabled())
        return false;
    const bool inbits = m_bits->isAncestorOf(QApplication::focusWidget());
    switch (qtkey) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (inbits)
            m_display->setFocus(Qt::TabFocusReason);
        else
            m_bits->focusbit();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End: return inbits && modifiers == Qt::NoModifier;
    default: return false;
    }
}

void CalculatorDialog::scrolldisplay(int lines)
{
    QScrollBar* bar = m_display->verticalScrollBar();
    bar->setValue(bar->value() + lines * m_linestep);
}

// The selection as it stands; else the number without group separators,
// which other programs read as decimal points.
void CalculatorDialog::copy()
{
    if (const QString selected = m_display->selection(); !selected.isEmpty()) {
        QGuiApplication::clipboard()->setText(selected);
        return;
    }
    const std::string text = ungroupeddisplay(m_displaystring.toStdString(), m_radix);
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void CalculatorDialog::paste() { m_feeder.paste(QGuiApplication::clipboard()->text()); }

void CalculatorDialog::showkeys()
{
    if (m_keys == nullptr)
        m_keys = new KeysDialog(this);
    if (!m_keys->isVisible())
        placebeside(m_keys, m_keys->size());
    m_keys->show();
    m_keys->raise();
    m_keys->activateWindow();
}

// Beside the calculator, which a window centred on it would cover; no
// bigger than the screen. Its frame is taken to be the calculator's.
void CalculatorDialog::placebeside(QWidget* window, QSize size)
{
    const QRect frame = frameGeometry();
    const QRect client = geometry();
    const QSize margins(frame.width() - client.width(), frame.height() - client.height());
    QRect screen = frame;
    if (QScreen* s = this->screen())
        screen = s->availableGeometry();
    window->resize(size.boundedTo(screen.size() - margins));
    window->move(besideplace(screen, frame, window->size() + margins));
}

// The History item shows whether the window is open; both items say what
// they do where the menu shows tooltips.
void CalculatorDialog::describehistory()
{
    if (QAction* item = findcommand(command::HISTORY)) {
        item->setCheckable(true);
        item->setToolTip(QStringLiteral("Show or hide the calculations of this session"));
        qobject_cast<QMenu*>(item->parent())->setToolTipsVisible(true);
    }
    if (QAction* item = findcommand(command::CLEAR_HISTORY)) {
        item->setToolTip(QStringLiteral("Empty the history of this session"));
        qobject_cast<QMenu*>(item->parent())->setToolTipsVisible(true);
    }
}

// Beside the calculator, as the keys page: made when first asked for, so
// that the window starts as quickly as before.
void CalculatorDialog::togglehistory()
{
    if (m_historywindow != nullptr && m_historywindow->isVisible()) {
        m_historywindow->hide();
        return;
    }
    if (m_historywindow == nullptr) {
        m_historywindow =
            new HistoryWindow([this](std::uint64_t serial) { m_feeder.recall(serial); },
                              [this] { checkcommand(command::HISTORY, false); }, this);
        placebeside(m_historywindow, QSize(m_historywindow->width(), geometry().height()));
    }
    m_historywindow->showhistory(m_history);
    m_historywindow->show();
    m_historywindow->raise();
    m_historywindow->activateWindow();
    checkcommand(command::HISTORY, true);
}

void CalculatorDialog::showabout()
{
    AboutDialog dialog(this);
    dialog.exec();
}

// A right click (or the context-menu key) over a control of the window.
// Controls with a help identifier offer "What's This?", the display Copy
// and Paste; the others no menu.
void CalculatorDialog::contexthelp(QWidget* widget, const QPoint& position)
{
    // The control the widget belongs to: the display's viewport is the
    // display.
    int id = 0;
    for (QWidget* w = widget; w != nullptr && w != this && id == 0; w = w->parentWidget())
        id = m_controls.key(w, 0);
    const std::uint32_t help = helpidof(id);
    if (help == 0 && id != DISPLAY_ID)
        return;
    if (help != 0)
        m_helpid = help;

    const menupopup& popup = help != 0 ? contextmenu : displaymenu;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("contextmenu"));
    menu.setTitle(QString::fromLatin1(popup.title));
    for (int i = 0; i < popup.count; ++i)
        menu.addAction(menuaction(popup.items[i], &menu));
    // The chosen command comes to the window once the menu has closed.
    if (QAction* chosen = menu.exec(position))
        oncommand(chosen->data().toInt());
}

void CalculatorDialog::whatsthis()
{
    const QString caption = QString::fromLatin1(APPLICATION_NAME);
    QMessageBox box(QMessageBox::Information, caption,
                    QString::asprintf("helpid:%lx", static_cast<unsigned long>(m_helpid)),
                    QMessageBox::Ok, this);
    // The text is short, and a box as narrow as it would cut its caption
    // down in the title bar: the box is made as wide as the caption and the
    // title bar's icon and buttons, about two lines' height each.
    constexpr int TITLEBAR_BUTTONS = 4;
    const int width = box.fontMetrics().horizontalAdvance(caption) * 5 / 4 +
                      2 * TITLEBAR_BUTTONS * box.fontMetrics().height();
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
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
    if (bitviewkey(press->key(), modifiers))
        // Tab has moved the focus; the arrows go on to the focused bit.
        return press->key() == Qt::Key_Tab || press->key() == Qt::Key_Backtab;
    // Shift and an arrow select text in the display.
    if (modifiers == Qt::ShiftModifier &&
        (press->key() == Qt::Key_Left || press->key() == Qt::Key_Right))
        return false;

    if (const int lines = scrolllines(press->key()); lines != 0 && modifiers == Qt::NoModifier) {
        scrolldisplay(lines);
        return true;
    }
    const int command = acceleratorcommand(press->key(), modifiers, press->text(), m_radix);
    if (command == 0)
        return false;
    // A character whose key the radix decides (E) is decided when its turn
    // comes, by the radix the keys before it leave.
    const QString text = press->text();
    const bool byradix =
        text.size() == 1 && text[0].unicode() < 0x80 &&
        characterkey(static_cast<char>(text[0].unicode()), keysource::keyboard, 10) !=
            characterkey(static_cast<char>(text[0].unicode()), keysource::keyboard, 16);
    m_accelerating = true;
    oncommand(command, byradix);
    m_accelerating = false;
    return true;
}

void CalculatorDialog::done(int result)
{
    QDialog::done(result);
    // The window is gone for the user; the action in progress is cancelled
    // and the worker ended before the engine goes.
    m_feeder.stop();
}
