// The worker thread: every key action of the calculator runs here, one at a
// time, so that the window stays responsive while a computation with
// thousands of digits takes seconds or minutes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
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

// What the window shows of the engine: a copy the worker takes as each job
// ends, so that the window never reads the engine itself.
struct enginesnapshot {
    std::string display = "0";
    int parens = 0;
    bool memory = false;  // the memory holds a number other than 0
    bool inv = false;
    bool hyp = false;
    bool grouping = false;
    bool error = false;
    int radix = 10;
    angleunit angle = angleunit::degrees;
    ::wordsize size = ::wordsize::qword;
    int precision = Calculator::STARTPRECISION;
    std::string pending;  // the pending expression
    // The session's history, shared read-only with the engine.
    std::shared_ptr<const historylist> history;
    std::uint64_t word = 0;  // the value as the word of the integer radices, for the bit view
};

// Owns the one Calculator and runs its key actions. The window hands over
// one job at a time (postkey, postpaste, postprecision) and reads what it
// shows from the snapshot the worker publishes as the job ends.
class CalculatorWorker : public Thread {
public:
    // What the worker does with a key; empty means the engine's presskey.
    // Tests put a controllable long action here.
    using KeyAction = std::function<void(Calculator&, int)>;
    // Asked on the worker before each key of a paste, with how many of its
    // keys have run; tests hold a paste there as a long key would.
    using PasteStep = std::function<void(Calculator&, std::size_t)>;
    // Called on the worker thread each time a job has ended and the worker
    // is idle again, so that the window need not poll for it.
    using IdleNotice = std::function<void()>;

    explicit CalculatorWorker(KeyAction action = {}, IdleNotice onidle = {},
                              PasteStep pastestep = {});
    ~CalculatorWorker() override;

    // Hands `code` to the worker. When the worker is still busy with the
    // previous key, the key is dropped and the result is false.
    bool postkey(int code);
    // Hands pasted text to the worker, as postkey hands a key: its keys run
    // back to back as one job (Calculator::paste), until the last or a
    // cancel.
    bool postpaste(std::string text);
    // Hands a new precision to the worker, which redraws the display with
    // it (Calculator::setprecision), as postkey hands a key.
    bool postprecision(int digits);
    // Hands the recall of a history entry (Calculator::recall) and the
    // clearing of the history to the worker, as postkey hands a key.
    bool postrecall(std::uint64_t serial);
    bool postclearhistory();
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
    // The engine as the last job left it. From any thread; once isidle()
    // it holds everything that job changed.
    enginesnapshot snapshot() const;

    // Ends the worker for good: cancels the key action in progress, waits
    // until it has ended, ends the loop and joins the thread. The engine is
    // then never touched again by the worker. Later keys are dropped.
    void stop();

protected:
    void run() override;

private:
    enum class job : std::uint8_t { key, paste, precision, recall, clearhistory };

    bool post(job what, int value, std::string text);
    void runjob();
    void runkey(int code);
    void runpaste();
    void publishdisplay();
    void publishsnapshot();

    Calculator m_calculator;
    // At most one job is ever outstanding; the maximum only bounds the type.
    std::counting_semaphore<1000000> m_semaphore{0};
    // Written by the window before the release of the semaphore and read by
    // the worker after acquiring it, which orders the two.
    job m_pendingjob = job::key;
    int m_pendingvalue = 0;  // the key code, or the digits of the precision
    std::string m_pendingtext;
    std::uint64_t m_pendingserial = 0;  // the history entry to recall
    // Set by cancel; a paste stops before its next key.
    std::atomic<bool> m_stopjob{false};
    // What the window shows: the snapshot at the end of each job, and the
    // display between the keys of a paste while the worker is busy.
    mutable std::mutex m_publishmutex;
    enginesnapshot m_snapshot;
    bool m_displaychanged = false;
    // 1 while the worker waits for a job. Set with release by the worker
    // after a job, so that a thread reading it with acquire sees everything
    // the job changed, and may post the next one.
    std::atomic<std::uint8_t> m_idle{1};
    // Signalled when the worker becomes idle, for stop() to wait on.
    std::mutex m_idlemutex;
    std::condition_variable m_idlechanged;
    std::atomic<bool> m_quit{false};
    KeyAction m_keyaction;
    IdleNotice m_onidle;
    PasteStep m_pastestep;
};
