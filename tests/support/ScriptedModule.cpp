#include "ScriptedModule.h"

ScriptedModule::ScriptedModule(FakePort& port, Settings settings)
    : port(port), module(std::move(settings), 9600) {
    port.onOutput = [this](const QByteArray& frame) { onFrame(frame); };
}

void ScriptedModule::onFrame(const QByteArray& frame) {
    if (frame.size() < 4 || static_cast<uint8_t>(frame[0]) != 0x55 ||
        static_cast<uint8_t>(frame[1]) != 0xAA)
        return;
    const QByteArray body = frame.mid(3);
    const auto command = parseCommand(Bytes(body.begin(), body.end()));
    if (!command || silentTypes.contains(command->type))
        return;
    const Outcome outcome = module.handle(*command);
    if (outcome.applied)
        applied << command->type;
    const QByteArray answer(reinterpret_cast<const char*>(outcome.answer.data()),
                            static_cast<qsizetype>(outcome.answer.size()));
    port.receive(frameOf(answer));
}
