// Helpers for driving the real calculator window in tests.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <ctime>
#include <functional>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

#include <QAbstractButton>
#include <QTest>
#include <QTextEdit>

#include "calc/keys.h"
#include "number/number.h"
#include "ui/calculatordialog.h"

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// Processes events until `done` holds or `ms` have passed.
inline bool waitfor(const std::function<bool()>& done, int ms = 10000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QTest::qWait(2);
    }
    return true;
}

// Waits until every key has been handed over, the worker is idle and the
// window has refreshed.
inline bool waitidle(CalculatorDialog& dialog, int ms = 10000)
{
    return waitfor(
        [&] {
            return !dialog.feeder().waiting() && dialog.worker().isidle() &&
                   dialog.busyinterval() == 0;
        },
        ms);
}

// Waits until the keys sent so far have been handed over and run.
inline bool waithanded(CalculatorDialog& dialog)
{
    return waitfor([&] { return !dialog.feeder().waiting() && dialog.worker().isidle(); });
}

// Sets the precision without the Precision dialog: a job of the idle worker,
// as the dialog's. The display shows the redraw only with the next key.
inline bool setprecision(CalculatorDialog& dialog, int digits)
{
    return waitidle(dialog) && dialog.worker().postprecision(digits) &&
           waitfor([&] { return dialog.worker().isidle(); });
}

inline QString displaytext(const CalculatorDialog& dialog)
{
    return static_cast<QTextEdit*>(dialog.control(1000))->toPlainText();
}

inline QAbstractButton* button(const CalculatorDialog& dialog, int id)
{
    return qobject_cast<QAbstractButton*>(dialog.control(id));
}

// Keys typed at the window, as the keyboard sends them. Each waits for the
// worker, since a key that finds it busy past the grace is dropped.
inline void type(CalculatorDialog& dialog, const char* text)
{
    for (const char* c = text; *c != '\0'; ++c) {
        QTest::keyClick(&dialog, *c);
        waithanded(dialog);
    }
}

// A key action that holds the worker the way a long computation does, until
// the test lets it go or the window cancels it. Every other key goes to the
// engine. It records every key the worker receives outside a paste; a paste
// it holds before the key holdpaste names, whose key then runs as usual.
class slowaction {
public:
    explicit slowaction(int slowkey = key::factorial) : m_slowkey(slowkey) {}

    CalculatorWorker::KeyAction action()
    {
        return [this](Calculator& calculator, int code) {
            {
                std::lock_guard lock(m_mutex);
                m_keys.push_back(code);
            }
            if (code != m_slowkey)
                calculator.presskey(code);
            else
                hold();
        };
    }

    CalculatorWorker::PasteStep pastestep()
    {
        return [this](Calculator&, std::size_t pressed) {
            if (pressed == m_pasteslow.load())
                hold();
        };
    }

    // The key of a paste, counted from 0, before which the paste is held.
    void holdpaste(std::size_t index) { m_pasteslow = index; }
    void release() { m_release = true; }
    bool running() const { return m_running; }
    bool cancelled() const { return m_cancelled; }
    std::vector<int> keys()
    {
        std::lock_guard lock(m_mutex);
        return m_keys;
    }

private:
    int m_slowkey;
    std::atomic<std::size_t> m_pasteslow{static_cast<std::size_t>(-1)};
    std::atomic<bool> m_release{false};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_cancelled{false};
    std::mutex m_mutex;
    std::vector<int> m_keys;

    void hold()
    {
        num::startcompute();
        m_running = true;
        while (!m_release && num::computeallowed())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (!num::computeallowed())
            m_cancelled = true;
        m_running = false;
    }
};
