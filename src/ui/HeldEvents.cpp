#include "HeldEvents.h"

namespace {
constexpr unsigned bit(HeldEvents::Due due) {
    return 1u << static_cast<unsigned>(due);
}

// The order in which due events are handed back: a lost port first, so that
// nothing acts on a line that is gone.
constexpr HeldEvents::Due handBackOrder[] = {HeldEvents::Due::PortLoss, HeldEvents::Due::Read,
                                             HeldEvents::Due::RetryTick,
                                             HeldEvents::Due::DetectionStep};
} // namespace

HeldEvents::HeldEvents(Act actOnDue, QObject* parent) : QObject(parent), act(std::move(actOnDue)) {}

bool HeldEvents::heldBack(Due due, const QString& detail) {
    if (ended)
        return true;
    if (depth == 0)
        return false;
    dueMask |= bit(due);
    if (due == Due::PortLoss)
        portLossDetail = detail;
    return true;
}

void HeldEvents::forget(Due due) {
    dueMask &= ~bit(due);
}

void HeldEvents::end() {
    ended = true;
    dueMask = 0;
}

void HeldEvents::leave() {
    --depth;
    if (depth > 0 || dueMask == 0 || handBackPosted || ended)
        return;
    // Queued: the handler that waited finishes first.
    handBackPosted = true;
    QMetaObject::invokeMethod(this, &HeldEvents::handBack, Qt::QueuedConnection);
}

void HeldEvents::handBack() {
    handBackPosted = false;
    for (Due due : handBackOrder) {
        if (ended || depth > 0 || !(dueMask & bit(due)))
            continue;
        dueMask &= ~bit(due);
        act(due, due == Due::PortLoss ? portLossDetail : QString());
    }
}
