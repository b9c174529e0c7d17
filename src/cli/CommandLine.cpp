#include "Profile.h"
#include "Request.h"
#include "link/FlowControl.h"
#include "protocol/BaudCodes.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QSysInfo>
#include <algorithm>
#include <cstdio>

namespace {
struct CommandRow {
    const char* name;
    Request::Command command;
    const char* usage;
    const char* summary;
};

const CommandRow commands[] = {
    {"read", Request::Command::Read, "read -p PORT [-p PORT ...]",
     "read every setting, as a table or --json"},
    {"set", Request::Command::Set, "set -p PORT [-p PORT ...] KEY=VALUE ...",
     "write these, read them back, compare"},
    {"apply", Request::Command::Apply, "apply PROFILE -p PORT [-p PORT ...]",
     "write what differs from PROFILE, read back, compare"},
    {"default", Request::Command::Default, "default -p PORT [-p PORT ...]",
     "write the factory values, read back, compare"},
    {"clear", Request::Command::Clear, "clear -p PORT [-p PORT ...]",
     "make each module forget its bound address"},
    {"detect", Request::Command::Detect, "detect -p PORT [-p PORT ...]",
     "print each module's line rate"},
    {"station", Request::Command::Station,
     "station PROFILE -p PORT [-p PORT ...] [--record FILE] [--name-pattern PATTERN] ...",
     "provision module after module dropped on the ports, each recorded, until stopped"},
    {"summary", Request::Command::Summary, "summary FILE...",
     "outcomes, yield, numbers and cycle times of station records"},
};

// Options only the station takes; the station and the summary; the
// summary of a store.
const char* const stationOptions[] = {"record", "name-pattern", "first", "quota"};
const char* const storeOptions[] = {"station", "store"};
const char* const storeSummaryOptions[] = {"since", "until"};

template <size_t count>
QString refused(const QCommandLineParser& parser, const char* const (&options)[count],
                const char* onlyFor) {
    for (const char* option : options)
        if (parser.isSet(QLatin1String(option)))
            return QStringLiteral("--%1 is only for %2")
                .arg(QLatin1String(option), QLatin1String(onlyFor));
    return {};
}

QString takeStore(Request& request, const QCommandLineParser& parser) {
    request.store = parser.value(QStringLiteral("store"));
    if (parser.isSet(QStringLiteral("store")) && request.store.isEmpty())
        return QStringLiteral("--store: give the store's URI (postgresql://...)");
    return {};
}

// summary --store: which station, from which day to which (both included).
QString takeSummaryOptions(Request& request, const QCommandLineParser& parser) {
    QString error = refused(parser, stationOptions, "station");
    if (error.isEmpty())
        error = takeStore(request, parser);
    if (!error.isEmpty())
        return error;
    if (request.store.isEmpty())
        return refused(parser, storeSummaryOptions, "summary --store");
    request.stationId = parser.value(QStringLiteral("station"));
    for (const char* option : storeSummaryOptions) {
        const QString text = parser.value(QLatin1String(option));
        const QDate day = QDate::fromString(text, Qt::ISODate);
        if (!text.isEmpty() && !day.isValid())
            return QStringLiteral("--%1: give a day as YYYY-MM-DD, not \"%2\"")
                .arg(QLatin1String(option), text);
        (qstrcmp(option, "since") == 0 ? request.since : request.until) = day;
    }
    return {};
}

QString takeStationOptions(Request& request, const QCommandLineParser& parser) {
    if (request.command == Request::Command::Summary)
        return takeSummaryOptions(request, parser);
    if (request.command != Request::Command::Station) {
        QString error = refused(parser, stationOptions, "station");
        if (error.isEmpty())
            error = refused(parser, storeOptions, "station and summary");
        return error.isEmpty() ? refused(parser, storeSummaryOptions, "summary --store") : error;
    }
    if (const QString error = refused(parser, storeSummaryOptions, "summary --store");
        !error.isEmpty())
        return error;
    if (parser.isSet(QStringLiteral("record")))
        request.record = parser.value(QStringLiteral("record"));
    if (const QString error = takeStore(request, parser); !error.isEmpty())
        return error;
    request.namePattern = parser.value(QStringLiteral("name-pattern"));
    if (parser.isSet(QStringLiteral("name-pattern")) && request.namePattern.isEmpty())
        return QStringLiteral("--name-pattern: give a name with one run of #");
    bool number = true;
    if (parser.isSet(QStringLiteral("first")))
        request.first = parser.value(QStringLiteral("first")).toLongLong(&number);
    if (!number || request.first < 1 || request.first > (qint64(1) << 53))
        return QStringLiteral("--first: must be a whole number from 1");
    if (parser.isSet(QStringLiteral("quota")))
        request.quota = parser.value(QStringLiteral("quota")).toInt(&number);
    if (!number || (parser.isSet(QStringLiteral("quota")) && request.quota < 1))
        return QStringLiteral("--quota: must be a whole number from 1");
    request.stationId = parser.isSet(QStringLiteral("station"))
                            ? parser.value(QStringLiteral("station"))
                            : QSysInfo::machineHostName();
    if (request.stationId.isEmpty())
        return QStringLiteral("--station: give a name for the station");
    return {};
}

QString description() {
    QString text = QStringLiteral(
        "Reads, writes and checks the settings of serial-port Bluetooth modules, on many ports at "
        "once.\n\nCommands:\n");
    for (const CommandRow& row : commands)
        text += QStringLiteral("  %1\n      %2\n")
                    .arg(QString::fromLatin1(row.usage), QString::fromLatin1(row.summary));
    text += QStringLiteral("\nKeys: %1 (read only: version, connections)\n"
                           "PORT: COM1 to COM12, mapped as the window maps them, or a device path.")
                .arg(Parameters::keyList(true));
    return text;
}

const CommandRow* commandNamed(const QString& name) {
    for (const CommandRow& row : commands)
        if (name == QLatin1String(row.name))
            return &row;
    return nullptr;
}

// The defaults of a factory module, all writable keys.
QString addFactoryValues(Request& request) {
    for (const Parameters::Parameter& parameter : Parameters::all())
        if (parameter.writable())
            if (const QString error = addValue(request, QString::fromLatin1(parameter.key),
                                               QString::fromLatin1(parameter.factory));
                !error.isEmpty())
                return error;
    return {};
}

void inReadOrder(QList<QPair<const Parameters::Parameter*, QString>>& values) {
    // The table is one array: its addresses run in read order.
    std::sort(values.begin(), values.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
}

QString takeOperands(Request& request, const QStringList& operands) {
    switch (request.command) {
    case Request::Command::Set:
        if (operands.isEmpty())
            return QStringLiteral("set: give at least one KEY=VALUE");
        for (const QString& operand : operands) {
            const qsizetype equals = operand.indexOf(QLatin1Char('='));
            if (equals <= 0)
                return QStringLiteral("\"%1\" is not KEY=VALUE").arg(operand);
            if (const QString error =
                    addValue(request, operand.left(equals), operand.mid(equals + 1));
                !error.isEmpty())
                return error;
        }
        return {};
    case Request::Command::Apply:
    case Request::Command::Station:
        if (operands.size() != 1)
            return QStringLiteral("%1: give exactly one PROFILE")
                .arg(request.command == Request::Command::Apply ? QStringLiteral("apply")
                                                                : QStringLiteral("station"));
        return loadProfile(operands.first(), request);
    case Request::Command::Summary:
        request.files = operands;
        if (!request.store.isEmpty())
            return operands.isEmpty() ? QString()
                                      : QStringLiteral("summary --store takes no record FILE");
        return operands.isEmpty() ? QStringLiteral("summary: give at least one record FILE")
                                  : QString();
    case Request::Command::Default:
        return operands.isEmpty() ? addFactoryValues(request)
                                  : QStringLiteral("default takes no arguments");
    default:
        return operands.isEmpty()
                   ? QString()
                   : QStringLiteral("unexpected argument \"%1\"").arg(operands.first());
    }
}

QString takeOptions(Request& request, const QCommandLineParser& parser) {
    request.ports = parser.values(QStringLiteral("port"));
    if (request.ports.isEmpty() && request.command != Request::Command::Summary)
        return QStringLiteral("give at least one port with -p PORT");
    for (const QString& port : request.ports)
        if (request.ports.count(port) > 1)
            return QStringLiteral("port %1 given twice").arg(port);
    if (parser.isSet(QStringLiteral("rate"))) {
        const QString rate = parser.value(QStringLiteral("rate"));
        if (!BaudCodes::lineRates().contains(rate))
            return QStringLiteral("--rate: %1 is not one of %2")
                .arg(rate, BaudCodes::lineRates().join(QStringLiteral(", ")));
        request.rate = rate.toInt();
    }
    request.handshaking = handshakingOf(parser.value(QStringLiteral("flow")));
    if (request.handshaking < 0)
        return QStringLiteral("--flow: must be none, hardware or xonxoff");
    bool number = false;
    request.paceMs = parser.value(QStringLiteral("pace")).toInt(&number);
    if (!number || request.paceMs < 0 || request.paceMs > 60000)
        return QStringLiteral("--pace: must be a whole number of milliseconds from 0 to 60000");
    request.json = parser.isSet(QStringLiteral("json"));
    request.verbose = parser.isSet(QStringLiteral("verbose"));
    request.quiet = parser.isSet(QStringLiteral("quiet"));
    return takeStationOptions(request, parser);
}
} // namespace

ParsedRequest parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("read, set, apply, default, clear, detect, "
                                                "station or summary"));
    parser.addOptions({
        {{QStringLiteral("p"), QStringLiteral("port")},
         QStringLiteral("A port: COM1 to COM12 or a device path; repeat for more."),
         QStringLiteral("PORT")},
        {QStringLiteral("rate"), QStringLiteral("Open at this line rate instead of finding it."),
         QStringLiteral("N")},
        {QStringLiteral("flow"), QStringLiteral("Flow control: none, hardware or xonxoff."),
         QStringLiteral("FLOW"), QStringLiteral("none")},
        {QStringLiteral("pace"), QStringLiteral("Pause before every frame, in ms."),
         QStringLiteral("MS"), QStringLiteral("500")},
        {QStringLiteral("json"), QStringLiteral("Print one JSON document on stdout.")},
        {QStringLiteral("verbose"), QStringLiteral("Every frame in hex with its time, on stderr.")},
        {QStringLiteral("quiet"), QStringLiteral("No progress and no result lines.")},
        {QStringLiteral("record"),
         QStringLiteral("station: the record, JSON Lines (default parvex-station.jsonl)."),
         QStringLiteral("FILE")},
        {QStringLiteral("name-pattern"),
         QStringLiteral("station: names with a number in the run of # (Bench-####)."),
         QStringLiteral("PATTERN")},
        {QStringLiteral("first"), QStringLiteral("station: the lowest number (default 1)."),
         QStringLiteral("N")},
        {QStringLiteral("quota"), QStringLiteral("station: stop once N modules have passed."),
         QStringLiteral("N")},
        {QStringLiteral("station"),
         QStringLiteral("station: its name in the record (default the host name)."),
         QStringLiteral("ID")},
        {QStringLiteral("store"),
         QStringLiteral("station: the line's store, a PostgreSQL URI (the record is then the "
                        "station's journal); summary: the store to sum up."),
         QStringLiteral("URI")},
        {QStringLiteral("since"), QStringLiteral("summary --store: from this day (YYYY-MM-DD)."),
         QStringLiteral("DAY")},
        {QStringLiteral("until"),
         QStringLiteral("summary --store: to this day, included (YYYY-MM-DD)."),
         QStringLiteral("DAY")},
    });
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();

    ParsedRequest parsed;
    if (!parser.parse(arguments)) {
        parsed.error = parser.errorText();
        return parsed;
    }
    if (parser.isSet(help) || parser.isSet(version)) {
        std::fputs(qPrintable(parser.isSet(help)
                                  ? parser.helpText()
                                  : QCoreApplication::applicationName() + QLatin1Char(' ') +
                                        QCoreApplication::applicationVersion() + QLatin1Char('\n')),
                   stdout);
        parsed.done = true;
        return parsed;
    }
    QStringList operands = parser.positionalArguments();
    if (operands.isEmpty()) {
        parsed.error = QStringLiteral(
            "give a command: read, set, apply, default, clear, detect, station or summary");
        return parsed;
    }
    const CommandRow* row = commandNamed(operands.takeFirst());
    if (!row) {
        parsed.error =
            QStringLiteral("unknown command \"%1\"").arg(parser.positionalArguments().first());
        return parsed;
    }
    parsed.request.command = row->command;
    parsed.error = takeOptions(parsed.request, parser);
    if (parsed.error.isEmpty())
        parsed.error = takeOperands(parsed.request, operands);
    inReadOrder(parsed.request.values);
    return parsed;
}
