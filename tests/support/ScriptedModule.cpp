#include "ScriptedModule.h"

namespace {
QByteArray toQByteArray(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}
} // namespace

ScriptedModule::ScriptedModule(FakePort& port, Settings settings)
    : port(port), module(std::move(settings), 9600) {
    port.onOutput = [this](const QByteArray& frame) { onFrame(frame); };
}

QByteArray ScriptedModule::heldData(uint8_t type) const {
    Module copy = module;
    const Outcome outcome = copy.handle(Command{true, type, {}});
    return toQByteArray(outcome.answer).mid(4);
}

bool ScriptedModule::heardAtLineRate() const {
    return hearsOnlyAtRate == 0 ||
           port.Settings().section(QLatin1Char(','), 0, 0).toUInt() == hearsOnlyAtRate;
}

void ScriptedModule::onFrame(const QByteArray& frame) {
    if (frame.size() < 4 || static_cast<uint8_t>(frame[0]) != 0x55 ||
        static_cast<uint8_t>(frame[1]) != 0xAA || !heardAtLineRate())
        return;
    const QByteArray body = frame.mid(3);
    const auto command = parseCommand(Bytes(body.begin(), body.end()));
    if (!command || silentTypes.contains(command->type))
        return;
    const Fate fate = fateOf ? fateOf(*command) : Fate::Answer;
    if (fate == Fate::Unheard)
        return;
    Outcome outcome;
    if (fate == Fate::Refuse)
        outcome.answer = Module::refusal(*command);
    else
        outcome = module.handle(*command);
    if (outcome.applied)
        applied << command->type;
    const QByteArray answer = frameOf(toQByteArray(outcome.answer));
    if (deliver)
        deliver(answer, *command, outcome);
    else
        port.receive(answer);
}
