#include "ui/keyfeeder.h"

#include <QSocketNotifier>

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

#include "calc/keys.h"

namespace {

// The key a request handed over by radix stands for in `radix`.
int inradix(int code, int radix)
{
    const bool decimal = radix == 10;
    switch (code) {
    case key::exponent:
    case key::digitE: return decimal ? int{key::exponent} : int{key::digitE};
    case key::degrees:
    case key::dword: return decimal ? int{key::degrees} : int{key::dword};
    case key::radians:
    case key::word: return decimal ? int{key::radians} : int{key::word};
    case key::grads:
    case key::byte: return decimal ? int{key::grads} : int{key::byte};
    default: return code;
    }
}

bool isclear(int code) { return code == key::clearall || code == key::clearentry; }

}  // namespace

KeyFeeder::KeyFeeder(Window& window, std::function<std::time_t()> now,
                     CalculatorWorker::KeyAction action, CalculatorWorker::PasteStep pastestep)
    : m_window(window), m_now(std::move(now)),
      m_worker(
          std::move(action), [this] { wake(); }, std::move(pastestep))
{
    // No job is handed over before the pipe exists, and the worker is
    // joined (stop) before it is closed.
    openwake();
    m_turntimer.setSingleShot(true);
    m_busytimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_turntimer, &QTimer::timeout, [this] { advance(); });
    QObject::connect(&m_busytimer, &QTimer::timeout, [this] { onbusytimer(); });
}

KeyFeeder::~KeyFeeder()
{
    stop();
    m_wakenotifier.reset();
    for (int end : {m_wakeread, m_wakewrite}) {
        if (end >= 0)
            close(end);
    }
}

void KeyFeeder::openwake()
{
    int ends[2];
    if (pipe(ends) != 0)
        return;
    for (int end : ends) {
        fcntl(end, F_SETFL, fcntl(end, F_GETFL) | O_NONBLOCK);
        fcntl(end, F_SETFD, FD_CLOEXEC);
    }
    m_wakeread = ends[0];
    m_wakewrite = ends[1];
    m_wakenotifier = std::make_unique<QSocketNotifier>(m_wakeread, QSocketNotifier::Read);
    QObject::connect(m_wakenotifier.get(), &QSocketNotifier::activated, [this] {
        char bytes[64];
        while (read(m_wakeread, bytes, sizeof bytes) > 0) {
        }
        onidle();
    });
}

// A full pipe already holds a notice that has not been read.
void KeyFeeder::wake()
{
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = write(m_wakewrite, &byte, 1);
}

std::time_t KeyFeeder::now() const { return m_now ? m_now() : std::time(nullptr); }

int KeyFeeder::busyinterval() const { return m_busytimer.isActive() ? m_busytimer.interval() : 0; }

void KeyFeeder::hand(int code, bool byradix)
{
    enqueue({request::handed, code, false, byradix, {}, {}, 0});
}

void KeyFeeder::press(int code, bool flash, bool byradix)
{
    if (m_stopped)
        return;
    if (isclear(code)) {
        if (!m_worker.isidle()) {
            cancelrunning(true);
            discard();
        } else if (m_pastecount != 0) {
            droppaste();
        }
    }
    enqueue({request::pressed, code, flash, byradix, {}, {}, 0});
}

void KeyFeeder::paste(const QString& text)
{
    if (m_stopped || text.isEmpty())
        return;
    ++m_pastecount;
    enqueue({request::pasted, 0, false, false, text.toStdString(), {}, 0});
}

bool KeyFeeder::pasting() const
{
    return m_pastecount != 0 || (m_pasterunning && !m_worker.isidle());
}

int KeyFeeder::waitingcount() const
{
    return static_cast<int>(std::count_if(m_queue.begin(), m_queue.end(), [](const pending& p) {
        return p.what != request::precision;
    }));
}

void KeyFeeder::changeprecision()
{
    if (m_stopped)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (pasting() ||
        (!m_worker.isidle() && now - m_jobstart >= std::chrono::milliseconds(KEY_GRACE))) {
        m_window.beep();
        return;
    }
    enqueue({request::precision, 0, false, false, {}, now, 0});
}

void KeyFeeder::recall(std::uint64_t serial)
{
    enqueue({request::recalled, 0, false, false, {}, {}, serial});
}

void KeyFeeder::clearhistory() { enqueue({request::cleared, 0, false, false, {}, {}, 0}); }

void KeyFeeder::enqueue(pending p)
{
    if (m_stopped)
        return;
    m_queue.push_back(std::move(p));
    advance();
}

// Takes requests in order until one has to wait. A request that waits for
// the worker is woken by its notice that it is idle; one that waits for its
// button or its grace has the turn timer running, which calls here again. A
// call while that timer runs, or while a dialog of the window is open
// inside step, leaves the first request to them.
void KeyFeeder::advance()
{
    if (m_advancing || m_stopped || m_turntimer.isActive())
        return;
    m_advancing = true;
    while (!m_stopped && !m_queue.empty() && step()) {
    }
    m_advancing = false;
    showwaiting();
    showprecisionstate();
}

// One move of the first request; true when it is done with.
bool KeyFeeder::step()
{
    // Nothing is handed over while the question is open: No would cancel it.
    if (m_asking)
        return false;
    pending& first = m_queue.front();
    if (!m_worker.isidle()) {
        // The Precision command does not wait out a long action.
        if (first.what == request::precision) {
            if (std::chrono::steady_clock::now() - first.asked >=
                std::chrono::milliseconds(KEY_GRACE)) {
                m_queue.pop_front();
                m_window.beep();
                return true;
            }
            m_turntimer.start(GRACE_POLL);
        } else if (m_wakenotifier == nullptr) {
            m_turntimer.start(WAIT_POLL);
        }
        return false;
    }
    m_pasterunning = false;
    showresult();
    switch (first.what) {
    case request::pasted: {
        // Read against the engine as the keys before it leave it.
        std::string text = std::move(first.text);
        m_queue.pop_front();
        --m_pastecount;
        m_worker.postpaste(std::move(text));
        m_pasterunning = true;
        started();
        return true;
    }
    case request::precision:
        m_queue.pop_front();
        askprecision();
        return true;
    case request::handed: {
        const int code =
            first.byradix ? inradix(first.code, m_worker.snapshot().radix) : first.code;
        m_queue.pop_front();
        post(code);
        return true;
    }
    case request::recalled: {
        const std::uint64_t serial = first.serial;
        m_queue.pop_front();
        m_worker.postrecall(serial);
        started();
        return true;
    }
    case request::cleared:
        m_queue.pop_front();
        m_worker.postclearhistory();
        started();
        return true;
    case request::pressed: break;
    }
    if (m_turn == turn::queued) {
        m_turncode = first.byradix ? inradix(first.code, m_worker.snapshot().radix) : first.code;
        if (first.flash)
            m_window.flash(m_turncode, true);
        m_turn = turn::down;
        m_turntimer.start(KEY_WAIT);
        return false;
    }
    const bool flash = first.flash;
    const int code = m_turncode;
    m_queue.pop_front();
    m_turn = turn::queued;
    post(code);
    if (flash)
        m_window.flash(code, false);
    return true;
}

void KeyFeeder::post(int code)
{
    m_worker.postkey(code);
    started();
}

// A job has been handed over: the clocks of the pointer, the question and
// the grace start, and the worker is polled until its result shows.
void KeyFeeder::started()
{
    m_starttime = now();
    m_jobstart = std::chrono::steady_clock::now();
    startbusytimer(BUSY_FIRST);
}

// While the dialog is open nothing is handed to the worker: it is modal,
// and requests that come meanwhile wait for advance. The redraw with the
// new digits is a job of the worker like a key, shown as a key's result.
void KeyFeeder::askprecision()
{
    if (const std::optional<int> digits = m_window.askprecision(m_worker.snapshot().precision)) {
        m_worker.postprecision(*digits);
        started();
    }
}

// The engine clears its cancel flag as a key begins, so a cancel that came
// just before is given again at every poll until the job has ended.
void KeyFeeder::cancelrunning(bool clearing)
{
    m_worker.cancel();
    m_cancelling = true;
    m_clearing = clearing;
    m_backlog = false;
    stopbusytimer();
    startbusytimer(BUSY_CANCEL);
}

// Every request waiting goes, a button shown down comes up again.
void KeyFeeder::discard()
{
    m_turntimer.stop();
    if (m_turn == turn::down && m_queue.front().flash)
        m_window.flash(m_turncode, false);
    m_turn = turn::queued;
    m_queue.clear();
    m_pastecount = 0;
    showwaiting();
}

// A paste ends with the action the user stopped; the pastes waiting go too.
void KeyFeeder::droppaste()
{
    std::erase_if(m_queue, [](const pending& p) { return p.what == request::pasted; });
    m_pastecount = 0;
    if (!m_queue.empty() && !m_turntimer.isActive())
        m_turntimer.start(0);
}

void KeyFeeder::onidle()
{
    // The question and the window's dialogs take the notice up when they
    // close.
    if (m_stopped || m_asking || m_advancing || !m_worker.isidle())
        return;
    showresult();
    advance();
}

// The result of the job before shows before the next job starts, however
// quickly it follows: 0,5 stays on the display while n! runs. The worker
// is idle. After C or CE cancelled the job, their own result follows at
// once and the cancel is not shown.
void KeyFeeder::showresult()
{
    if (!m_busytimer.isActive())
        return;
    stopbusytimer();
    const bool clearing = m_clearing;
    m_cancelling = false;
    m_clearing = false;
    m_backlog = false;
    if (!clearing)
        m_window.refresh(m_worker.snapshot());
    if (m_queue.empty())
        setwaitpointer(false);
    showwaiting();
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
// has shown its result, and while requests wait: the dialog opens on the
// digits of the snapshot the last job left, and the new digits are a job of
// the worker that redraws what that job showed.
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
        onidle();
        return;
    }
    if (m_cancelling)
        m_worker.cancel();
    // A paste shows its keys as they run.
    std::string text;
    if (m_worker.takedisplay(text))
        m_window.showdisplay(text);
    // Keys that still wait after a poll wait for a long action: the window
    // says it is busy with them.
    if (!m_queue.empty() && !m_backlog) {
        m_backlog = true;
        setwaitpointer(true);
    }
    showwaiting();
    if (m_cancelling)
        return;
    const std::time_t elapsed = now() - m_starttime;
    if (elapsed < BUSY_POINTER)
        return;
    if (elapsed < BUSY_QUESTION) {
        setwaitpointer(true);
        if (m_busytimer.interval() != BUSY_LATER) {
            stopbusytimer();
            startbusytimer(BUSY_LATER);
        }
        return;
    }
    stopbusytimer();
    setwaitpointer(false);
    m_asking = true;
    const bool yes = m_window.askcontinue();
    m_asking = false;
    if (m_stopped)
        return;
    m_starttime = now();
    if (yes) {
        setwaitpointer(true);
        startbusytimer(BUSY_LATER);
    } else {
        cancelrunning(false);
        droppaste();
        setwaitpointer(false);
    }
    // The action may have ended while the question was open, and requests
    // made meanwhile wait for their turn.
    QTimer::singleShot(0, &m_turntimer, [this] { onidle(); });
}

void KeyFeeder::setwaitpointer(bool on)
{
    if (on == m_waitpointer)
        return;
    m_waitpointer = on;
    m_window.showwaitpointer(on);
}

void KeyFeeder::showwaiting()
{
    if (m_stopped)
        return;
    const int count = m_backlog ? waitingcount() : 0;
    if (count == m_waitingshown)
        return;
    m_waitingshown = count;
    m_window.showwaiting(count);
}
