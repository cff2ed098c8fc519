// The window's side of the worker thread: hands requests over one at a time
// and in the order they came, waiting for the worker to finish the one
// before (typed, clicked and pasted keys alike: none is dropped), shows when
// keys wait, decides when the wait pointer shows and when to ask whether a
// long action may go on, cancels the running action for C and CE, and says
// when the precision may change. It has no widgets; it asks the window for
// what it shows through KeyFeeder::Window, and it never blocks the thread
// it runs on: every wait is a timer or the worker's notice that it is idle.
#pragma once

#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QSocketNotifier;

#include "ui/worker.h"

class KeyFeeder {
public:
    // What the feeder asks of the window.
    class Window {
    public:
        // Shows the engine's state as the last job left it in the controls.
        virtual void refresh(const enginesnapshot& state) = 0;
        // Shows `text` on the display while the worker is busy with a paste.
        virtual void showdisplay(const std::string& text) = 0;
        virtual void showwaitpointer(bool on) = 0;
        // How many requests wait behind a busy worker; 0 when none does.
        virtual void showwaiting(int count) = 0;
        // The question after a long key action; true is Yes.
        virtual bool askcontinue() = 0;
        // Shows the button of a key down, or lets it go; nothing for a key
        // without a push button.
        virtual void flash(int code, bool down) = 0;
        // Offers Options > Precision... or greys it.
        virtual void enableprecision(bool on) = 0;
        // The Precision dialog opened on `digits`: the digits chosen, or
        // nothing when it was cancelled. The worker is idle meanwhile.
        virtual std::optional<int> askprecision(int digits) = 0;
        virtual void beep() = 0;

    protected:
        ~Window() = default;
    };

    // Polling of the worker: the first second, later, and after a cancel.
    static constexpr int BUSY_FIRST = 50;     // ms
    static constexpr int BUSY_LATER = 500;    // ms
    static constexpr int BUSY_CANCEL = 10;    // ms, a tenth of the 100 ms a cancel may take
    static constexpr int BUSY_POINTER = 1;    // s until the wait pointer
    static constexpr int BUSY_QUESTION = 10;  // s until the question
    // ms a pressed key's button shows down before the hand-over
    static constexpr int KEY_WAIT = 10;
    // ms the Precision command waits for a worker that is still busy; it is
    // refused after, since the precision may change only while the worker
    // is idle (KEY_GRACE > KEY_WAIT + the time of a quick key)
    static constexpr int KEY_GRACE = 50;
    static constexpr int GRACE_POLL = 1;  // ms between looks at the worker during the grace
    // ms between looks at a worker that requests wait for, where its notice
    // that it is idle cannot come (no pipe could be made for it)
    static constexpr int WAIT_POLL = 5;

    // `now` is the clock in whole seconds (empty: the system's); `action`
    // is what the worker does with a key (empty: the engine's presskey).
    // `pastestep` is asked before each key of a paste (tests).
    explicit KeyFeeder(Window& window, std::function<std::time_t()> now = {},
                       CalculatorWorker::KeyAction action = {},
                       CalculatorWorker::PasteStep pastestep = {});
    ~KeyFeeder();
    KeyFeeder(const KeyFeeder&) = delete;
    KeyFeeder& operator=(const KeyFeeder&) = delete;

    // Every request waits behind the ones before it and for the worker to
    // be idle; a hand-over starts the long-action clock again.
    //
    // The key of a radio button, check box or menu item. A key `byradix`
    // means what it means in the radix in force when its turn comes: F2 to
    // F4 and their controls are the angle units in the decimal radix and
    // the word sizes in the others, and a typed E is EE or the digit E.
    void hand(int code, bool byradix = false);
    // The key of a push button: its button (when `flash`) shows down for
    // KEY_WAIT ms once its turn has come, then the key is handed over. C
    // and CE while the worker is busy cancel the action in progress and
    // drop every request waiting; C and CE first end the pastes waiting.
    void press(int code, bool flash, bool byradix = false);
    // Types text as pasted: once every request before it is done, the
    // worker reads it and runs its keys as one job (CalculatorWorker::
    // postpaste), so that the paste is read against the entry the keys
    // before it leave and none of its keys mixes with keys typed meanwhile,
    // which wait for its end.
    void paste(const QString& text);
    // Options > Precision...: asks the window for the digits once the worker
    // is idle and hands them to it as a job. Refused with a beep while a
    // paste is being typed or a key action runs (still busy after KEY_GRACE
    // ms).
    void changeprecision();
    // The recall of a history entry and the clearing of the history: jobs
    // of the worker in their turn, as keys are.
    void recall(std::uint64_t serial);
    void clearhistory();
    // Ends everything: nothing pending is handed over, the key action in
    // progress is cancelled and the worker ended. Calls nothing of the
    // window.
    void stop();

    CalculatorWorker& worker() { return m_worker; }
    const CalculatorWorker& worker() const { return m_worker; }
    // The polling timer's interval, or 0 while it is stopped.
    int busyinterval() const;
    bool waitpointer() const { return m_waitpointer; }
    // A paste waits or runs.
    bool pasting() const;
    // Requests not yet handed over, pasted ones included.
    bool waiting() const { return !m_queue.empty(); }
    int waitingcount() const;
    // Whether the precision may change now: the worker idle and its result
    // shown, nothing waiting.
    bool precisionallowed() const;

private:
    enum class request : std::uint8_t { pressed, handed, pasted, precision, recalled, cleared };
    struct pending {
        request what;
        int code;  // a key code
        bool flash = false;
        bool byradix = false;
        std::string text;                               // pasted, in UTF-8
        std::chrono::steady_clock::time_point asked{};  // when the precision was asked for
        std::uint64_t serial = 0;                       // the history entry recalled
    };
    // Where the first request stands.
    enum class turn : std::uint8_t {
        queued,  // not started
        down,    // its button shows down for KEY_WAIT
    };

    Window& m_window;
    std::function<std::time_t()> m_now;
    // The worker's notice that it is idle: a byte written to a pipe on its
    // thread, read here when the notifier sees it. The worker touches
    // nothing of Qt, whose locks a thread checker cannot see.
    int m_wakeread = -1;
    int m_wakewrite = -1;
    std::unique_ptr<QSocketNotifier> m_wakenotifier;
    CalculatorWorker m_worker;
    std::deque<pending> m_queue;
    int m_pastecount = 0;         // pastes waiting
    bool m_pasterunning = false;  // the worker's job is a paste
    turn m_turn = turn::queued;
    int m_turncode = 0;           // the first request's key, as its turn resolved it
    QTimer m_turntimer;           // wakes the first request
    QTimer m_busytimer;           // polls a busy worker
    std::time_t m_starttime = 0;  // when the last key was handed over
    std::chrono::steady_clock::time_point m_jobstart;  // the same, for the grace
    bool m_waitpointer = false;
    int m_waitingshown = 0;     // the count the window shows
    bool m_backlog = false;     // requests have waited behind this job for a poll
    bool m_cancelling = false;  // the job is being cancelled: cancel again until it ends
    bool m_clearing = false;    // by C or CE, whose result then shows instead of the cancel
    bool m_asking = false;      // the question is open
    bool m_advancing = false;   // inside advance, maybe in a dialog of the window
    bool m_stopped = false;

    std::time_t now() const;
    void openwake();
    void wake();  // on the worker thread
    void enqueue(pending p);
    void advance();
    bool step();
    void post(int code);
    void started();
    void askprecision();
    void cancelrunning(bool clearing);
    void discard();
    void droppaste();
    void onidle();
    void showresult();
    void startbusytimer(int ms);
    void stopbusytimer();
    void onbusytimer();
    void setwaitpointer(bool on);
    void showwaiting();
    void showprecisionstate();
};
