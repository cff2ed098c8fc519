// The calculator window: the keypad, the display and the indicators laid out
// like a pocket calculator, the menu bar and the keyboard. The window never
// computes: it hands every key to the worker thread (handkey) and, once the
// worker is idle again, copies the engine's state into its controls
// (refreshwindow).
#pragma once

#include <QDialog>
#include <QHash>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>

#include "worker.h"

class QAction;
class QButtonGroup;
class QLabel;
class QMessageBox;
class QMenuBar;
class QTextEdit;
struct menuitem;

// The question after a key action has run for 10 seconds. Its line break is
// written "\n\r"; the box shows it as two lines.
extern const char longactionquestion[];

class CalculatorDialog : public QDialog {
public:
    // Seams for tests; an empty member means the real thing.
    struct hooks {
        std::function<std::time_t()> now;           // the clock, whole seconds
        std::function<bool(QWidget*)> askcontinue;  // the question; true is Yes
        CalculatorWorker::KeyAction keyaction;      // what the worker does with a key
    };

    // Polling of the worker: the first second, later, and after a cancel.
    static constexpr int BUSY_FIRST = 50;     // ms
    static constexpr int BUSY_LATER = 500;    // ms
    static constexpr int BUSY_CANCEL = 10;    // ms
    static constexpr int BUSY_POINTER = 1;    // s until the wait pointer
    static constexpr int BUSY_QUESTION = 10;  // s until the question
    static constexpr int KEY_WAIT = 10;       // ms between a key press and its hand-over
    static constexpr int KEY_GRACE = 50;      // ms a key waits for a worker that is still busy
    static constexpr int PASTE_POLL = 10;     // ms between looks at the worker during a paste

    explicit CalculatorDialog(hooks h = {}, QWidget* parent = nullptr);
    ~CalculatorDialog() override;

    // Copies the engine's display, indicators, modifiers and modes into the
    // controls and menu. Only while the worker is idle.
    void refreshwindow();

    QWidget* control(int id) const { return m_controls.value(id); }
    QMenuBar* menubar() const { return m_menubar; }
    // The menu item with this command, in any popup of the menu bar.
    QAction* findcommand(int command) const;
    CalculatorWorker& worker() { return *m_worker; }

    // State of the polling, for tests: the timer's interval or 0 when it is
    // stopped, whether the wait pointer is shown, keys of a paste not yet
    // handed over.
    int busyinterval() const;
    bool busycursor() const { return m_busycursor; }
    bool pasting() const { return !m_pastetext.isEmpty(); }
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
    // True while a key comes from the keyboard or a paste: its button flashes.
    bool m_accelerating = false;
    std::unique_ptr<CalculatorWorker> m_worker;
    QTimer m_busytimer;
    std::time_t m_starttime = 0;  // when the last key was handed over
    bool m_busycursor = false;
    bool m_asking = false;      // the question is open
    bool m_decimalmode = true;  // the shape the controls show
    QString m_displaystring;    // what the display shows; what Copy copies
    QString m_pastetext;        // characters of a paste not yet typed
    QTimer m_pastetimer;

    QHash<int, QWidget*> m_controls;
    QMenuBar* m_menubar = nullptr;
    QTextEdit* m_display = nullptr;
    QWidget* m_client = nullptr;

    void buildcontrols();
    void buildmenus();

    void oncommand(int command);
    void presskey(int code);
    void handkey(int code);
    std::time_t now() const;

    void startbusytimer(int ms);
    void stopbusytimer();
    void enableprecision();
    void onbusytimer();
    void setbusycursor(bool on);
    bool askcontinue();

    void setdecimalmode();
    void setintegermode();
    void enabledigits(int n);
    void showcontrol(int id, bool on);
    void enablecontrol(int id, bool on);
    void checkcontrol(int id, bool on);

    // The View popup changes shape by command identifiers.
    void insertcommand(int before, const menuitem& item);
    void removecommand(int command);
    void checkcommand(int command, bool on);
    QAction* makeaction(const menuitem& item, QObject* parent);

    void scrolldisplay(int lines);
    void copy();
    void paste();
    void pastenext();
    void showprecision();
    void showabout();
    void contexthelp(QWidget* widget, const QPoint& position);
    void whatsthis();
};
