#include "ui/keyfeeder.h"

#include "calc/keys.h"

KeyFeeder::KeyFeeder(Window& window, std::function<std::time_t()> now,
                     CalculatorWorker::KeyAction action)
    : m_window(window), m_now(std::move(now)), m_worker(std::move(action))
{
    m_turntimer.setSingleShot(true);
    m_busytimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_turntimer, &QTimer::timeout, [this] { advance(); });
    QObject::connect(&m_busytimer, &QTimer::timeout, [this] { onbusytimer(); });
}

KeyFeeder::~KeyFeeder() { stop(); }

std::time_t KeyFeeder::now() const { return m_now ? m_now() : std::time(nullptr); }

int KeyFeeder::busyinterval() const { return m_busytimer.isActive() ? m_busytimer.interval() : 0; }

void KeyFeeder::hand(int code) { enqueue({request::handed, code, false, {}}); }

void KeyFeeder::press(int code, bool flash)
{
    // C and CE end a paste: the rest of a running one, and the ones waiting.
    if ((code == key::clearall || code == key::clearentry) && pasting()) {
        if (m_pasterunning && !m_worker.isidle())
            m_worker.cancel();
        droppaste();
    }
    enqueue({request::pressed, code, flash, {}});
}

void KeyFeeder::paste(const QString& text)
{
    if (m_stopped || text.isEmpty())
        return;
    m_queue.push_back({request::pasted, 0, false, text.toStdString()});
    ++m_pastecount;
    advance();
}

bool KeyFeeder::pasting() const
{
    return m_pastecount != 0 || (m_pasterunning && !m_worker.isidle());
}

void KeyFeeder::changeprecision()
{
    if (pasting()) {
        m_window.beep();
        return;
    }
    enqueue({request::precision, 0, false, {}});
}

void KeyFeeder::enqueue(const pending& p)
{
    if (m_stopped)
        return;
    m_queue.push_back(p);
    advance();
}

// Takes requests in order until one has to wait. A request that waits has
// the turn timer running, which calls here again; a call while it runs, or
// while a dialog of the window is open inside finish, leaves the first
// request to it.
void KeyFeeder::advance()
{
    if (m_advancing || m_turntimer.isActive())
        return;
    m_advancing = true;
    while (!m_stopped && !m_queue.empty() && step()) {
    }
    m_advancing = false;
    showprecisionstate();
}

// One move of the first request; true when it is done with.
bool KeyFeeder::step()
{
    pending& first = m_queue.front();
    // Nothing is handed over while the question is open, No would cancel
    // it, nor while a paste runs: what comes after it waits for its end.
    if (m_asking || (m_pasterunning && !m_worker.isidle())) {
        m_turntimer.start(PASTE_POLL);
        return false;
    }
    m_pasterunning = false;
    if (m_turn == turn::queued) {
        if (first.what == request::pasted) {
            // The paste is read against the engine as the keys before it
            // leave it, so it waits for them all.
            if (!m_worker.isidle()) {
                m_turntimer.start(PASTE_POLL);
                return false;
            }
            const std::string text = std::move(first.text);
            m_queue.pop_front();
            --m_pastecount;
            showunshown();
            m_worker.postpaste(text);
            m_pasterunning = true;
            m_starttime = now();
            startbusytimer(BUSY_FIRST);
            return true;
        }
        if (first.what == request::pressed) {
            if (first.flash)
                m_window.flash(first.code, true);
            m_turn = turn::down;
            m_turntimer.start(KEY_WAIT);
            return false;
        }
        m_turn = turn::down;
    }
    if (m_turn == turn::down) {
        m_turn = turn::grace;
        m_graceend = std::chrono::steady_clock::now() + std::chrono::milliseconds(KEY_GRACE);
    }
    if (!m_worker.isidle() && std::chrono::steady_clock::now() < m_graceend) {
        m_turntimer.start(GRACE_POLL);
        return false;
    }
    const pending done = first;
    m_queue.pop_front();
    m_turn = turn::queued;
    finish(done);
    return true;
}

void KeyFeeder::finish(const pending& p)
{
    if (p.what == request::precision) {
        if (!m_worker.isidle()) {
            m_window.beep();
            return;
        }
        // While the dialog is open nothing is handed to the worker: it is
        // modal, and requests that come meanwhile wait for advance.
        Calculator& engine = m_worker.calculator();
        if (const std::optional<int> digits = m_window.askprecision(engine.precision())) {
            engine.setprecision(*digits);
            m_window.refresh();
        }
        return;
    }
    // Dropped when the worker is still busy.
    showunshown();
    m_worker.postkey(p.code);
    m_starttime = now();
    startbusytimer(BUSY_FIRST);
    if (p.flash)
        m_window.flash(p.code, false);
}

// The result of the key before shows before the next key starts, however
// quickly it follows: 0,5 stays on the display while n! runs.
void KeyFeeder::showunshown()
{
    if (m_busytimer.isActive() && m_worker.isidle())
        m_window.refresh();
}

// A paste ends with the action the user stopped; the pastes waiting go too.
void KeyFeeder::droppaste()
{
    std::erase_if(m_queue, [](const pending& p) { return p.what == request::pasted; });
    m_pastecount = 0;
    if (!m_queue.empty() && !m_turntimer.isActive())
        m_turntimer.start(0);
}

void KeyFeeder::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    m_turntimer.stop();
    m_busytimer.stop();
    m_queue.clear();
    m_pastecount = 0;
    m_worker.stop();
}

void KeyFeeder::startbusytimer(int ms)
{
    if (!m_busytimer.isActive())
        m_busytimer.start(ms);
    showprecisionstate();
}

void KeyFeeder::stopbusytimer()
{
    m_busytimer.stop();
    showprecisionstate();
}

// The Precision item is greyed from the hand-over of a key until the window
// has shown its result, and while requests wait: the precision is changed
// on this thread, which may touch the engine only while the worker is idle.
bool KeyFeeder::precisionallowed() const
{
    return !m_busytimer.isActive() && m_worker.isidle() && m_queue.empty();
}

void KeyFeeder::showprecisionstate()
{
    if (!m_stopped)
        m_window.enableprecision(precisionallowed());
}

void KeyFeeder::onbusytimer()
{
    if (m_worker.isidle()) {
        setwaitpointer(false);
        m_window.refresh();
        stopbusytimer();
        return;
    }
    // A paste shows its keys as they run.
    std::string text;
    if (m_worker.takedisplay(text))
        m_window.showdisplay(text);
    const std::time_t elapsed = now() - m_starttime;
    if (elapsed < BUSY_POINTER)
        return;
    if (elapsed < BUSY_QUESTION) {
        setwaitpointer(true);
        stopbusytimer();
        startbusytimer(BUSY_LATER);
        return;
    }
    stopbusytimer();
    setwaitpointer(false);
    m_asking = true;
    const bool yes = m_window.askcontinue();
    m_asking = false;
    m_starttime = now();
    if (yes) {
        setwaitpointer(true);
        startbusytimer(BUSY_LATER);
    } else {
        m_worker.cancel();
        droppaste();
        setwaitpointer(false);
        startbusytimer(BUSY_CANCEL);
    }
}

void KeyFeeder::setwaitpointer(bool on)
{
    if (on == m_waitpointer)
        return;
    m_waitpointer = on;
    m_window.showwaitpointer(on);
}
