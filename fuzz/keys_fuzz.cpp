// Arbitrary key sequences into a fresh calculator: nothing crashes, nothing
// escapes presskey, the display is never empty and the stacks hold at most
// ten entries. A watchdog cancels any key that runs too long, as the window's
// No answer would.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "calc/calculator.h"
#include "calc/keys.h"
#include "fuzzcheck.h"

namespace {

// Cancels the running computation when a key takes longer than the budget.
class watchdog {
public:
    watchdog() : m_thread([this] { loop(); }) {}
    ~watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    void arm()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
        m_armed = true;
        m_wake.notify_all();
    }
    void disarm()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_armed = false;
    }

private:
    void loop()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_stop) {
            if (!m_armed) {
                m_wake.wait(lock);
                continue;
            }
            if (m_wake.wait_until(lock, m_deadline) == std::cv_status::timeout && m_armed) {
                Calculator::cancel();
                m_armed = false;
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::chrono::steady_clock::time_point m_deadline;
    bool m_armed = false;
    bool m_stop = false;
    std::thread m_thread;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static watchdog dog;
    if (size < 2)
        return 0;
    Calculator c;
    // Mostly short precisions, sometimes long ones.
    int precision = data[0] < 200 ? 1 + data[0] % 60 : 1 + (data[0] * 37 + data[1]) % 6000;
    c.setprecision(precision);
    for (std::size_t i = 2; i < size; ++i) {
        std::uint8_t b = data[i];
        int code;
        if (b >= 0xC0)  // a raw key code, taken from the keys of the window
            code = keybuttons[(b - 0xC0) % keybuttoncount].code;
        else if (b == 0xBF)
            code = key::grouping;
        else
            code = characterkey(static_cast<char>(b), keysource::paste, c.radix());
        if (code == 0)
            continue;
        dog.arm();
        c.presskey(code);
        dog.disarm();
        FUZZ_CHECK(!c.display().empty());
        FUZZ_CHECK(c.numbercount() >= 0 && c.numbercount() <= Calculator::STACKSIZE);
        FUZZ_CHECK(c.operatorcount() >= 0 && c.operatorcount() <= Calculator::STACKSIZE);
        FUZZ_CHECK(c.parens() >= 0 && c.parens() <= c.operatorcount());
    }
    return 0;
}
