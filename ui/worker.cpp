#include "ui/worker.h"

#include <chrono>

#include "calc/paste.h"

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

CalculatorWorker::CalculatorWorker(KeyAction action, IdleNotice onidle)
    : m_keyaction(std::move(action)), m_onidle(std::move(onidle))
{
    // The engine and the semaphore exist before the thread starts, so it
    // never sees them half made.
    start();
}

CalculatorWorker::~CalculatorWorker() { stop(); }

bool CalculatorWorker::postkey(int code) { return post(code, {}, false); }

bool CalculatorWorker::postpaste(std::string text) { return post(0, std::move(text), true); }

bool CalculatorWorker::post(int code, std::string text, bool paste)
{
    if (!isidle() || m_quit.load(std::memory_order_relaxed))
        return false;
    m_idle.store(0, std::memory_order_relaxed);
    m_stopjob.store(false, std::memory_order_relaxed);
    m_pendingkey = code;
    m_pendingtext = std::move(text);
    m_pendingpaste = paste;
    m_semaphore.release();
    return true;
}

bool CalculatorWorker::takedisplay(std::string& text)
{
    std::lock_guard lock(m_displaymutex);
    if (!m_displaychanged)
        return false;
    m_displaychanged = false;
    text = m_display;
    return true;
}

void CalculatorWorker::publishdisplay()
{
    std::lock_guard lock(m_displaymutex);
    m_display = m_calculator.display();
    m_displaychanged = true;
}

void CalculatorWorker::runkey(int code)
{
    if (m_keyaction)
        m_keyaction(m_calculator, code);
    else
        m_calculator.presskey(code);
}

void CalculatorWorker::runpaste()
{
    const pastekeys read = m_calculator.readpasted(m_pendingtext);
    // The text may be long; its memory goes back now.
    std::string().swap(m_pendingtext);
    if (read.refusal != nullptr) {
        m_calculator.refusepaste(read.refusal);
        return;
    }
    for (std::size_t k = 0; k < read.keys.size(); ++k) {
        if (m_stopjob.load(std::memory_order_relaxed))
            return;
        if (k != 0)
            publishdisplay();
        runkey(read.keys[k]);
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
        else if (m_pendingpaste)
            runpaste();
        else
            runkey(m_pendingkey);
        {
            std::lock_guard lock(m_idlemutex);
            m_idle.store(1, std::memory_order_release);
        }
        m_idlechanged.notify_all();
        if (m_onidle && !m_quit.load(std::memory_order_relaxed))
            m_onidle();
    }
}
