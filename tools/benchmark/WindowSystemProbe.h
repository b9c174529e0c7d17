#pragma once

#include <QMutex>
#include <QObject>
#include <atomic>
#include <chrono>
#include <deque>
#include <thread>

class QWindow;

// Queues an expose event for a window every few milliseconds from a thread
// of its own, through the same asynchronous queue the platform plugin feeds,
// and records how late the window's thread handles each one. A plain posted
// event would prove nothing: only a thread that reads the window system's
// queue handles these.
class WindowSystemProbe : public QObject {
public:
    using Clock = std::chrono::steady_clock;

    explicit WindowSystemProbe(QWindow* window, int everyMs = 10);
    ~WindowSystemProbe() override;

    void start();
    void stop();
    // The longest an expose event waited before the window handled it.
    double longestLateMs() const;
    int handled() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void queueExposes();

    QWindow* window;
    int everyMs;
    std::thread queueing;
    std::atomic<bool> running{false};
    mutable QMutex mutex;
    std::deque<Clock::time_point> queuedAt;
    double longestMs = 0;
    int handledCount = 0;
};

// Queues a key press and release for the window through the same queue.
void queueKeyAsynchronously(QWindow* window, int key);
