#include "ui/worker.h"

#include <chrono>

Thread::~Thread()
{
    if (m_thread.joinable())
        m_thread.join();
}

void Thread::start()
{
    m_running.store(true, std::memory_order_release);
    m_thread = std::thread([this] {
        run();
        m_running.store(false, std::memory_order_release);
    });
}

void Thread::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

CalculatorWorker::CalculatorWorker(KeyAction action, IdleNotice onidle, PasteStep pastestep)
    : m_keyaction(std::move(action)), m_onidle(std::move(onidle)), m_pastestep(std::move(pastestep))
{
    // The engine, its snapshot and the semaphore exist before the thread
    // starts, so it never sees them half made. The window lists the
    // engine's history.
    m_calculator.keephistory(true);
    publishsnapshot();
    start();
}

CalculatorWorker::~CalculatorWorker() { stop(); }

bool CalculatorWorker::postkey(int code) { return post(job::key, code, {}); }

bool CalculatorWorker::postpaste(std::string text) { return post(job::paste, 0, std::move(text)); }

bool CalculatorWorker::postprecision(int digits) { return post(job::precision, digits, {}); }

bool CalculatorWorker::postrecall(std::uint64_t serial)
{
    if (!isidle())
        return false;
    m_pendingserial = serial;
    return post(job::recall, 0, {});
}

bool CalculatorWorker::postclearhistory() { return post(job::clearhistory, 0, {}); }

bool CalculatorWorker::post(job what, int value, std::string text)
{
    if (!isidle() || m_quit.load(std::memory_order_relaxed))
        return false;
    m_idle.store(0, std::memory_order_relaxed);
    m_stopjob.store(false, std::memory_order_relaxed);
    m_pendingjob = what;
    m_pendingvalue = value;
    m_pendingtext = std::move(text);
    m_semaphore.release();
    return true;
}

bool CalculatorWorker::takedisplay(std::string& text)
{
    std::lock_guard lock(m_publishmutex);
    if (!m_displaychanged)
        return false;
    m_displaychanged = false;
    text = m_snapshot.display;
    return true;
}

enginesnapshot CalculatorWorker::snapshot() const
{
    std::lock_guard lock(m_publishmutex);
    return m_snapshot;
}

void CalculatorWorker::publishdisplay()
{
    std::lock_guard lock(m_publishmutex);
    m_snapshot.display = m_calculator.display();
    m_displaychanged = true;
}

// The whole snapshot as the job leaves the engine. A display a paste left
// and the window has not taken is stale now: the snapshot supersedes it.
void CalculatorWorker::publishsnapshot()
{
    const Calculator& engine = m_calculator;
    std::lock_guard lock(m_publishmutex);
    m_snapshot = {engine.display(),  engine.parens(),    engine.memorynonzero(),
                  engine.inv(),      engine.hyp(),       engine.grouping(),
                  engine.error(),    engine.radix(),     engine.angle(),
                  engine.wordsize(), engine.precision(), engine.pendingexpression(),
                  engine.history()};
    m_snapshot.word = engine.word();
    m_displaychanged = false;
}

void CalculatorWorker::runkey(int code)
{
    if (m_keyaction)
        m_keyaction(m_calculator, code);
    else
        m_calculator.presskey(code);
}

// The engine's own paste loop; between its keys the worker stops on a
// cancel and shows the display the key before left.
void CalculatorWorker::runpaste()
{
    std::size_t pressed = 0;
    const auto proceed = [this, &pressed] {
        if (m_stopjob.load(std::memory_order_relaxed))
            return false;
        if (pressed != 0)
            publishdisplay();
        if (m_pastestep)
            m_pastestep(m_calculator, pressed);
        ++pressed;
        return !m_stopjob.load(std::memory_order_relaxed);
    };
    // The text may be long; its memory goes back with the job.
    std::string text;
    text.swap(m_pendingtext);
    m_calculator.paste(text, true, proceed);
}

void CalculatorWorker::runjob()
{
    switch (m_pendingjob) {
    case job::key: runkey(m_pendingvalue); return;
    case job::paste: runpaste(); return;
    case job::precision: m_calculator.setprecision(m_pendingvalue); return;
    case job::recall: m_calculator.recall(m_pendingserial); return;
    case job::clearhistory: m_calculator.clearhistory(); return;
    }
}

void CalculatorWorker::stop()
{
    if (m_quit.exchange(true))
        return;
    // A key action that has just begun sets the cancellation flag again
    // (presskey starts with startcompute), so cancel until it has ended. The
    // action stops at its next multiplication; nothing is killed, so the
    // allocator and the limb pool are never left locked by a dead thread.
    {
        std::unique_lock lock(m_idlemutex);
        while (!isidle()) {
            cancel();
            m_idlechanged.wait_for(lock, std::chrono::milliseconds(10));
        }
    }
    m_semaphore.release();
    join();
}

void CalculatorWorker::run()
{
    for (;;) {
        m_semaphore.acquire();
        if (m_quit.load(std::memory_order_relaxed)) {
            // A key posted just before stop() is not run.
            m_idle.store(1, std::memory_order_release);
            return;
        }
        // A cancel between the hand-over and this point would be lost to
        // the engine, which clears its flag as a key starts: the job is
        // skipped instead.
        if (m_stopjob.load(std::memory_order_relaxed))
            std::string().swap(m_pendingtext);
        else
            runjob();
        publishsnapshot();
        {
            std::lock_guard lock(m_idlemutex);
            m_idle.store(1, std::memory_order_release);
        }
        m_idlechanged.notify_all();
        if (m_onidle && !m_quit.load(std::memory_order_relaxed))
            m_onidle();
    }
}
