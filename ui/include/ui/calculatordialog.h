// The calculator window: the keypad, the display and the indicators laid out
// like a pocket calculator, the menu bar and the keyboard. The window never
// computes: it hands every key to its feeder, which takes it to the worker
// thread, and once the worker is idle again it shows the snapshot of the
// engine the worker published in its controls (refreshwindow).
#pragma once

#include <QDialog>
#include <QFont>
#include <QHash>
#include <QRect>
#include <QString>

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "ui/keyfeeder.h"

class BitView;
class Indicator;
class displayedit;
class expressionline;
class HistoryWindow;
class KeysDialog;
class QAction;
class QButtonGroup;
class QMessageBox;
class QMenuBar;
struct controlplace;
struct menuitem;

// The question after a key action has run for 10 seconds. Its line break is
// written "\n\r"; the box shows it as two lines.
extern const char LONG_ACTION_QUESTION[];

class CalculatorDialog : public QDialog, private KeyFeeder::Window {
public:
    // Seams for tests; an empty member means the real thing.
    struct hooks {
        std::function<std::time_t()> now;           // the clock, whole seconds
        std::function<bool(QWidget*)> askcontinue;  // the question; true is Yes
        CalculatorWorker::KeyAction keyaction;      // what the worker does with a key
        CalculatorWorker::PasteStep pastestep;      // asked before each key of a paste
    };

    explicit CalculatorDialog(hooks h = {}, QWidget* parent = nullptr);
    ~CalculatorDialog() override;

    // Shows the engine's display, indicators, modifiers and modes, as the
    // worker published them, in the controls and menu.
    void refreshwindow(const enginesnapshot& state);

    QWidget* control(int id) const { return m_controls.value(id); }
    QMenuBar* menubar() const { return m_menubar; }
    // The bit view; null until the window first shows an integer radix.
    BitView* bitview() const { return m_bits; }
    // The menu item with this command, in any popup of the menu bar.
    QAction* findcommand(int command) const;
    CalculatorWorker& worker() { return m_feeder.worker(); }
    const KeyFeeder& feeder() const { return m_feeder; }
    // View > History, or null before it was first shown.
    HistoryWindow* historywindow() const { return m_historywindow; }

    // State of the polling, for tests: the timer's interval or 0 when it is
    // stopped, whether the wait pointer is shown, keys of a paste not yet
    // handed over.
    int busyinterval() const { return m_feeder.busyinterval(); }
    bool busycursor() const { return m_feeder.waitpointer(); }
    bool pasting() const { return m_feeder.pasting(); }
    // The help identifier of the control last right-clicked that has one.
    std::uint32_t helpid() const { return m_helpid; }

    // The question box as the window shows it; the window runs it modally.
    static std::unique_ptr<QMessageBox> makequestion(QWidget* parent);

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::uint32_t m_helpid = 0;
    hooks m_hooks;
    // True while a key comes from the keyboard: its button flashes.
    bool m_accelerating = false;
    int m_radix = 10;         // the radix the controls show
    QString m_displaystring;  // what the display shows; Copy copies it without grouping
    int m_linestep = 1;       // pixels from one line of the display to the next

    QHash<int, QWidget*> m_controls;
    QMenuBar* m_menubar = nullptr;
    displayedit* m_display = nullptr;
    expressionline* m_expression = nullptr;  // above the display
    QWidget* m_client = nullptr;
    KeysDialog* m_keys = nullptr;                  // Help > Keys, made when first asked for
    HistoryWindow* m_historywindow = nullptr;      // View > History, made when first asked for
    std::shared_ptr<const historylist> m_history;  // as the last snapshot left it
    BitView* m_bits = nullptr;                     // under the keypad in the integer radices
    int m_bitsgrowth = 0;                          // pixels the window grew by to show it
    // The places of the controls at the smallest size, which a larger
    // window scales; the display's apart, whole lines of its font.
    std::vector<std::pair<QWidget*, QRect>> m_places;
    QRect m_displayplace;
    int m_displaybottom = 0;  // the frames below the display
    QFont m_displayfont;
    // Last, so that it goes first: before the members its calls of the
    // window read.
    KeyFeeder m_feeder;

    // In calculatorlayout.cpp: the controls and the menu bar.
    void buildcontrols();
    // The widget of a place of the template; a radio button joins `group`.
    QWidget* makecontrol(const controlplace& place, QButtonGroup* group);
    void buildmenus();
    // The tooltip, accessible name and description of a control.
    void describe(QWidget* widget, const controlplace& place);

    // A command from a control, a menu item or the keyboard. `byradix`:
    // a typed character whose key the radix decides when its turn comes.
    void oncommand(int command, bool byradix = false);

    // What the feeder asks of the window.
    void refresh(const enginesnapshot& state) override { refreshwindow(state); }
    void showdisplay(const std::string& text) override;
    void showwaitpointer(bool on) override;
    void showwaiting(int count) override;
    bool askcontinue() override;
    void flash(int code, bool down) override;
    void enableprecision(bool on) override;
    std::optional<int> askprecision(int digits) override;
    void beep() override;

    Indicator* indicator(int id) const;
    // Gives the display at `place` a height of whole lines, down to
    // `bottom` at most.
    void fitdisplay(QRect place, int bottom);
    // Places the controls for the size of the keypad's area.
    void placecontrols();
    // The bit view of the snapshot's word, shown in the integer radices;
    // the window grows by its height meanwhile.
    void showbits(const enginesnapshot& state);
    // The bit view's sides under the display's.
    void alignbits();
    void showbitview(bool on);
    void showmode(const enginesnapshot& state);
    void checkmode(int radio, int item, bool on);
    void showcontrol(int id, bool on);
    void enablecontrol(int id, bool on);
    void checkcontrol(int id, bool on);

    // The View popup changes shape by command identifiers.
    void insertcommand(int before, const menuitem& item);
    void removecommand(int command);
    void checkcommand(int command, bool on);
    // An item as menus show it, and one that sends its command here.
    static QAction* menuaction(const menuitem& item, QObject* parent);
    QAction* makeaction(const menuitem& item, QObject* parent);

    // Tab between the display and the bit view, and the keys a focused bit
    // keeps for itself: true when the window leaves the key to them.
    bool bitviewkey(int qtkey, Qt::KeyboardModifiers modifiers);
    void scrolldisplay(int lines);
    void copy();
    void paste();
    void showabout();
    void showkeys();
    void togglehistory();
    void placebeside(QWidget* window, QSize size);
    void describehistory();
    void contexthelp(QWidget* widget, const QPoint& position);
    void whatsthis();
};
