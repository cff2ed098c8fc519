// The worker thread: every key action of the calculator runs here, one at a
// time, so that the window stays responsive while a computation with
// thousands of digits takes seconds or minutes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <semaphore>
#include <string>
#include <thread>

#include "calc/calculator.h"

// A thread that runs the derived class's run() once.
class Thread {
public:
    Thread() = default;
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    // The derived class must have ended run() and called join() by now: the
    // thread may not outlive the object whose run() it executes.
    virtual ~Thread();

    // True from the start of run() until it has returned.
    bool isrunning() const { return m_running.load(std::memory_order_acquire); }

protected:
    void start();
    void join();
    virtual void run() = 0;

private:
    std::thread m_thread;
    std::atomic<bool> m_running{false};
};

// Owns the one Calculator and runs its key actions. The window hands over
// one key at a time with postkey and reads the engine only while isidle().
class CalculatorWorker : public Thread {
public:
    // What the worker does with a key; empty means the engine's presskey.
    // Tests put a controllable long action here.
    using KeyAction = std::function<void(Calculator&, int)>;
    // Called on the worker thread each time a job has ended and the worker
    // is idle again, so that the window need not poll for it.
    using IdleNotice = std::function<void()>;

    explicit CalculatorWorker(KeyAction action = {}, IdleNotice onidle = {});
    ~CalculatorWorker() override;

    // Hands `code` to the worker. When the worker is still busy with the
    // previous key, the key is dropped and the result is false.
    bool postkey(int code);
    // Hands pasted text to the worker, as postkey hands a key: its keys
    // (Calculator::readpasted) run back to back as one job, each through
    // the key action, until the last or a cancel.
    bool postpaste(std::string text);
    bool isidle() const { return m_idle.load(std::memory_order_acquire) != 0; }

    // Cancels the key action in progress, through the engine, and ends a
    // paste there; a job handed over but not yet begun is skipped. From any
    // thread. The next job runs as usual.
    void cancel()
    {
        m_stopjob.store(true, std::memory_order_relaxed);
        Calculator::cancel();
    }

    // The display as a running paste has left it so far: true and the text
    // when it changed since the last call. From any thread.
    bool takedisplay(std::string& text);

    // Ends the worker for good: cancels the key action in progress, waits
    // until it has ended, ends the loop and joins the thread. The engine is
    // then never touched again by the worker. Later keys are dropped.
    void stop();

    // The engine; only while isidle() (or after stop()).
    Calculator& calculator() { return m_calculator; }
    const Calculator& calculator() const { return m_calculator; }

protected:
    void run() override;

private:
    bool post(int code, std::string text, bool paste);
    void runkey(int code);
    void runpaste();
    void publishdisplay();

    Calculator m_calculator;
    // At most one key is ever outstanding; the maximum only bounds the type.
    std::counting_semaphore<1000000> m_semaphore{0};
    // Written by the window before the release of the semaphore and read by
    // the worker after acquiring it, which orders the two.
    int m_pendingkey = 0;
    bool m_pendingpaste = false;
    std::string m_pendingtext;
    // Set by cancel; a paste stops before its next key.
    std::atomic<bool> m_stopjob{false};
    // The display between the keys of a paste, for the window to show
    // while the worker is busy.
    std::mutex m_displaymutex;
    std::string m_display;
    bool m_displaychanged = false;
    // 1 while the worker waits for a key. Set with release by the worker
    // after a key action, so that the window, reading it with acquire, sees
    // everything the action changed in the engine.
    std::atomic<std::uint8_t> m_idle{1};
    // Signalled when the worker becomes idle, for stop() to wait on.
    std::mutex m_idlemutex;
    std::condition_variable m_idlechanged;
    std::atomic<bool> m_quit{false};
    KeyAction m_keyaction;
    IdleNotice m_onidle;
};
