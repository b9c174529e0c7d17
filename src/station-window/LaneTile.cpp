#include "LaneTile.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {
using RecordLines::Outcome;

QString verdictOf(const TileState& state) {
    if (!state.outcome)
        return state.activity;
    switch (*state.outcome) {
    case Outcome::Pass:
        return QStringLiteral("PASS %1").arg(state.name);
    case Outcome::Fail:
        return QStringLiteral("FAIL");
    case Outcome::Already:
        return QStringLiteral("ALREADY %1").arg(state.name);
    case Outcome::Aborted:
        break;
    }
    return QStringLiteral("ABORTED");
}

QString detailOf(const TileState& state) {
    if (!state.outcome)
        return {};
    switch (*state.outcome) {
    case Outcome::Pass:
        return QStringLiteral("Provisioned. Take the module off.");
    case Outcome::Already:
        return QStringLiteral("Already provisioned: nothing written. Take the module off.");
    case Outcome::Fail:
        return QStringLiteral("Failed at %1: %2. Take the module off.")
            .arg(state.step, state.reason);
    case Outcome::Aborted:
        break;
    }
    return QStringLiteral("Stopped at %1.").arg(state.step);
}

// Green for a pass, red for a failure, amber for a module already done;
// the words say the same.
QString groundOf(const std::optional<Outcome>& outcome) {
    if (!outcome)
        return QStringLiteral("#eceff1");
    switch (*outcome) {
    case Outcome::Pass:
        return QStringLiteral("#2e7d32");
    case Outcome::Fail:
        return QStringLiteral("#c62828");
    case Outcome::Already:
        return QStringLiteral("#f9a825");
    case Outcome::Aborted:
        break;
    }
    return QStringLiteral("#757575");
}
} // namespace

LaneTile::LaneTile(QWidget* parent)
    : QFrame(parent), port(new QLabel(this)), verdict(new QLabel(this)), detail(new QLabel(this)) {
    setFrameShape(QFrame::StyledPanel);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(300, 180);
    QFont portFont = port->font();
    portFont.setPointSizeF(portFont.pointSizeF() * 1.6);
    portFont.setBold(true);
    port->setFont(portFont);
    QFont verdictFont = verdict->font();
    verdictFont.setPointSizeF(verdictFont.pointSizeF() * 2.6);
    verdictFont.setBold(true);
    verdict->setFont(verdictFont);
    verdict->setWordWrap(true);
    detail->setWordWrap(true);
    QFont detailFont = detail->font();
    detailFont.setPointSizeF(detailFont.pointSizeF() * 1.3);
    detail->setFont(detailFont);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(port);
    layout->addWidget(verdict, 1);
    layout->addWidget(detail);
}

void LaneTile::display(const TileState& state) {
    // A device file by its name: the folder says nothing from a metre away.
    const QString portName = state.port.contains(QLatin1Char('/'))
                                 ? state.port.section(QLatin1Char('/'), -1)
                                 : state.port;
    port->setText(portName);
    verdict->setText(verdictOf(state));
    detail->setText(detailOf(state));
    const bool result = state.outcome.has_value();
    setStyleSheet(QStringLiteral("LaneTile { background: %1; } QLabel { color: %2; }")
                      .arg(groundOf(state.outcome),
                           result ? QStringLiteral("white") : QStringLiteral("black")));
    setAccessibleName(QStringLiteral("%1: %2").arg(portName, verdict->text()));
    setAccessibleDescription(result ? detail->text() : QStringLiteral("No result shown"));
    setToolTip(detail->text().isEmpty() ? state.port
                                        : state.port + QLatin1Char('\n') + detail->text());
}

QString LaneTile::verdictText() const {
    return verdict->text();
}

QString LaneTile::detailText() const {
    return detail->text();
}
