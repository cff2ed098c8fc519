// The window's side of the worker thread: hands keys over one at a time and
// in the order they came, polls the worker while it is busy, decides when
// the wait pointer shows and when to ask whether a long action may go on,
// types pastes, and says when the precision may change. It has no widgets;
// it asks the window for what it shows through KeyFeeder::Window, and it
// never blocks the thread it runs on: every wait is a timer.
#pragma once

#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "ui/worker.h"

class KeyFeeder {
public:
    // What the feeder asks of the window.
    class Window {
    public:
        // Copies the engine's state into the controls; the worker is idle.
        virtual void refresh() = 0;
        // Shows `text` on the display while the worker is busy with a paste.
        virtual void showdisplay(const std::string& text) = 0;
        virtual void showwaitpointer(bool on) = 0;
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
    static constexpr int BUSY_CANCEL = 10;    // ms
    static constexpr int BUSY_POINTER = 1;    // s until the wait pointer
    static constexpr int BUSY_QUESTION = 10;  // s until the question
    // ms a pressed key's button shows down before the hand-over
    static constexpr int KEY_WAIT = 10;
    static constexpr int KEY_GRACE = 50;   // ms a key waits for a worker that is still busy
    static constexpr int GRACE_POLL = 1;   // ms between looks at the worker during the grace
    static constexpr int PASTE_POLL = 10;  // ms between looks at a worker that a paste waits for

    // `now` is the clock in whole seconds (empty: the system's); `action`
    // is what the worker does with a key (empty: the engine's presskey).
    explicit KeyFeeder(Window& window, std::function<std::time_t()> now = {},
                       CalculatorWorker::KeyAction action = {});
    ~KeyFeeder();
    KeyFeeder(const KeyFeeder&) = delete;
    KeyFeeder& operator=(const KeyFeeder&) = delete;

    // Every request waits behind the ones before it. A key that then finds
    // the worker busy gets KEY_GRACE ms for it to finish and is dropped
    // after; either way the long-action clock starts again.
    //
    // The key of a radio button, check box or menu item, handed over at once.
    void hand(int code);
    // The key of a push button: its button (when `flash`) shows down for
    // KEY_WAIT ms, then the key is handed over. C and CE first end the
    // pastes, the running one and those waiting.
    void press(int code, bool flash);
    // Types text as pasted: once every request before it is done, the
    // worker reads it and runs its keys as one job (CalculatorWorker::
    // postpaste), so no pasted key is dropped and none mixes with keys
    // typed meanwhile, which wait for its end.
    void paste(const QString& text);
    // Options > Precision...: asks the window for the digits once the worker
    // is idle and applies them. Refused with a beep while a paste is being
    // typed, or when the worker is still busy after the grace.
    void changeprecision();
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
    // Whether the precision may change now: the worker idle and its result
    // shown, nothing waiting.
    bool precisionallowed() const;

private:
    enum class request : std::uint8_t { pressed, handed, pasted, precision };
    struct pending {
        request what;
        int code;  // a key code
        bool flash = false;
        std::string text;  // pasted, in UTF-8
    };
    // Where the first request stands.
    enum class turn : std::uint8_t {
        queued,  // not started
        down,    // its button shows down for KEY_WAIT
        grace,   // waiting for the worker until m_graceend
    };

    Window& m_window;
    std::function<std::time_t()> m_now;
    CalculatorWorker m_worker;
    std::deque<pending> m_queue;
    int m_pastecount = 0;         // pastes waiting
    bool m_pasterunning = false;  // the worker's job is a paste
    turn m_turn = turn::queued;
    std::chrono::steady_clock::time_point m_graceend;
    QTimer m_turntimer;           // wakes the first request
    QTimer m_busytimer;           // polls a busy worker
    std::time_t m_starttime = 0;  // when the last key was handed over
    bool m_waitpointer = false;
    bool m_asking = false;     // the question is open
    bool m_advancing = false;  // inside advance, maybe in a dialog of the window
    bool m_stopped = false;

    std::time_t now() const;
    void enqueue(const pending& p);
    void advance();
    bool step();
    void finish(const pending& p);
    void droppaste();
    void showunshown();
    void startbusytimer(int ms);
    void stopbusytimer();
    void onbusytimer();
    void setwaitpointer(bool on);
    void showprecisionstate();
};
