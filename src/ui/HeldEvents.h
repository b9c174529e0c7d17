#pragma once

#include <QObject>
#include <QString>
#include <functional>

// While the window waits (a message box is open, a pause before a frame, a
// read being dispatched), none of its own event handlers may act: the line
// is not read, no tick acts, a lost port is not reported. What falls due
// meanwhile is remembered and handed back once the handler that waited has
// returned to the event loop. After the window has ended, nothing is handed
// back at all.
class HeldEvents : public QObject {
    Q_OBJECT
public:
    enum class Due { PortLoss, Read, RetryTick, DetectionStep };
    using Act = std::function<void(Due due, const QString& detail)>;

    HeldEvents(Act act, QObject* parent);

    // True when the caller must not act now; the event is kept for later.
    bool heldBack(Due due, const QString& detail = {});
    // A due event that a newer one of its kind replaces.
    void forget(Due due);
    bool holding() const { return depth > 0 || ended; }
    bool hasEnded() const { return ended; }
    // From now on every event is held back and dropped.
    void end();

    // Holds the handlers for its lifetime.
    class Scope {
    public:
        explicit Scope(HeldEvents& held) : held(held) { ++held.depth; }
        ~Scope() { held.leave(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        HeldEvents& held;
    };

private:
    void leave();
    void handBack();

    Act act;
    int depth = 0;
    bool ended = false;
    bool handBackPosted = false;
    unsigned dueMask = 0;
    QString portLossDetail;
};
