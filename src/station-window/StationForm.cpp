#include "StationForm.h"

#include "link/PortNames.h"
#include "protocol/BaudCodes.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {
constexpr int portRows = 12;

// The field a command line's complaint is about: "--quota: ..." is the
// quota's; one about ports is the port list's; the rest is the profile's.
QString fieldOfComplaint(const QString& complaint) {
    static const QRegularExpression option(QStringLiteral("^--([a-z-]+):"));
    if (const auto match = option.match(complaint); match.hasMatch())
        return match.captured(1);
    if (complaint.contains(QLatin1String("-p PORT")) ||
        complaint.startsWith(QLatin1String("port ")))
        return QStringLiteral("port");
    return QStringLiteral("profile");
}
} // namespace

StationForm::StationForm(Starter starter, QWidget* parent)
    : QDialog(parent), start(std::move(starter)), ports(new QListWidget(this)),
      rate(new QComboBox(this)), pace(new QSpinBox(this)) {
    setWindowTitle(QStringLiteral("Parvex station: setup"));
    auto* form = new QFormLayout;
    const auto row = [this, form](const QString& name, const QString& label, QWidget* widget) {
        auto* fault = new QLabel(this);
        fault->setStyleSheet(QStringLiteral("color: #c62828"));
        fault->setWordWrap(true);
        fault->hide();
        faults[name] = fault;
        auto* box = new QVBoxLayout;
        box->addWidget(widget);
        box->addWidget(fault);
        form->addRow(label, box);
    };
    const QList<QStringList> fields{
        {"profile", "&Profile:", "The profile file (JSON) every module gets"},
        {"name-pattern", "&Name pattern:", "Names handed out, # for the number: Bench-####"},
        {"first", "&First number:", "The first number, when the record has none"},
        {"quota", "&Quota:", "Modules to pass before the station stops (empty: none)"},
        {"record", "&Record:",
         "The station's record file (its journal with a store); empty: one in the user's "
         "application data"},
        {"store", "S&tore:", "The line's store: postgresql://station@line-db/parvex"},
        {"station", "Station &ID:", "This station's name on the line"},
    };
    for (const QStringList& f : fields) {
        auto* edit = new QLineEdit(this);
        edit->setAccessibleName(QString(f[1]).remove(QLatin1Char('&')).chopped(1));
        edit->setAccessibleDescription(f[2]);
        edit->setPlaceholderText(f[2]);
        edits[f[0]] = edit;
        if (f[0] == QLatin1String("profile")) {
            auto* line = new QWidget(this);
            auto* box = new QHBoxLayout(line);
            box->setContentsMargins(0, 0, 0, 0);
            auto* browse = new QPushButton(QStringLiteral("&Browse..."), line);
            connect(browse, &QPushButton::clicked, this, [this, edit] {
                const QString chosen = QFileDialog::getOpenFileName(
                    this, QStringLiteral("Profile"), edit->text(), QStringLiteral("JSON (*.json)"));
                if (!chosen.isEmpty())
                    edit->setText(chosen);
            });
            box->addWidget(edit, 1);
            box->addWidget(browse);
            row(f[0], f[1], line);
        } else {
            row(f[0], f[1], edit);
        }
        if (f[0] == QLatin1String("profile")) {
            const PortNames names = defaultPortNames();
            for (int r = 1; r <= portRows; ++r) {
                auto* item = new QListWidgetItem(portRowLabel(r, names), ports);
                item->setData(Qt::UserRole, names.value(r));
                item->setToolTip(portRowTooltip(r, names));
                item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
                item->setCheckState(Qt::Unchecked);
            }
            ports->setAccessibleName(QStringLiteral("Ports"));
            ports->setAccessibleDescription(QStringLiteral("Tick the ports of the fixtures"));
            row(QStringLiteral("port"), QStringLiteral("P&orts:"), ports);
        }
    }
    rate->addItem(QStringLiteral("find it"), QString());
    for (const QString& lineRate : BaudCodes::lineRates())
        rate->addItem(lineRate, lineRate);
    rate->setAccessibleName(QStringLiteral("Rate"));
    row(QStringLiteral("rate"), QStringLiteral("R&ate:"), rate);
    pace->setRange(0, 60000);
    pace->setValue(500);
    pace->setSuffix(QStringLiteral(" ms"));
    pace->setAccessibleName(QStringLiteral("Pace"));
    row(QStringLiteral("pace"), QStringLiteral("Pa&ce:"), pace);
    faults[QString()] = new QLabel(this);
    faults[QString()]->setStyleSheet(QStringLiteral("color: #c62828"));
    faults[QString()]->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    buttons->addButton(QStringLiteral("&Start"), QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (tryStart())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(faults[QString()]);
    layout->addWidget(buttons);
    recall();
}

QString StationForm::defaultRecord() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    return QDir(folder).filePath(QStringLiteral("parvex-station.jsonl"));
}

QStringList StationForm::arguments() const {
    QStringList arguments{QStringLiteral("parvex-station"), QStringLiteral("station")};
    const QString profile = edits["profile"]->text().trimmed();
    if (!profile.isEmpty())
        arguments << profile;
    for (int i = 0; i < ports->count(); ++i)
        if (ports->item(i)->checkState() == Qt::Checked)
            arguments << QStringLiteral("-p") << ports->item(i)->data(Qt::UserRole).toString();
    for (const char* option : {"name-pattern", "first", "quota", "record", "store", "station"}) {
        const QString value = edits[QLatin1String(option)]->text().trimmed();
        if (!value.isEmpty())
            arguments << QStringLiteral("--%1").arg(QLatin1String(option)) << value;
    }
    // A window started from a menu has no folder of its own to write in.
    if (edits["record"]->text().trimmed().isEmpty())
        arguments << QStringLiteral("--record") << defaultRecord();
    if (!rate->currentData().toString().isEmpty())
        arguments << QStringLiteral("--rate") << rate->currentData().toString();
    arguments << QStringLiteral("--pace") << QString::number(pace->value());
    return arguments;
}

bool StationForm::tryStart() {
    for (QLabel* fault : faults)
        fault->hide();
    const ParsedRequest parsed = parseCommandLine(arguments());
    if (!parsed.error.isEmpty()) {
        showFault(fieldOfComplaint(parsed.error), parsed.error);
        return false;
    }
    QString field, reason;
    if (!start(parsed.request, field, reason)) {
        showFault(field, reason);
        return false;
    }
    started = parsed.request;
    remember();
    return true;
}

void StationForm::showFault(const QString& field, const QString& reason) {
    QLabel* fault = faults.value(field, faults[QString()]);
    fault->setText(reason);
    fault->setAccessibleName(QStringLiteral("Fault"));
    fault->show();
    if (QLineEdit* edit = edits.value(field))
        edit->setFocus();
}

QString StationForm::faultOf(const QString& field) const {
    const QLabel* fault = faults.value(field);
    return fault && !fault->isHidden() ? fault->text() : QString();
}

void StationForm::remember() const {
    QSettings settings;
    settings.beginGroup(QStringLiteral("setup"));
    for (auto it = edits.begin(); it != edits.end(); ++it)
        settings.setValue(it.key(), it.value()->text());
    QStringList ticked;
    for (int i = 0; i < ports->count(); ++i)
        if (ports->item(i)->checkState() == Qt::Checked)
            ticked << ports->item(i)->data(Qt::UserRole).toString();
    settings.setValue(QStringLiteral("ports"), ticked);
    settings.setValue(QStringLiteral("rate"), rate->currentData());
    settings.setValue(QStringLiteral("pace"), pace->value());
}

void StationForm::recall() {
    QSettings settings;
    settings.beginGroup(QStringLiteral("setup"));
    for (auto it = edits.begin(); it != edits.end(); ++it)
        it.value()->setText(settings.value(it.key()).toString());
    const QStringList ticked = settings.value(QStringLiteral("ports")).toStringList();
    for (int i = 0; i < ports->count(); ++i)
        if (ticked.contains(ports->item(i)->data(Qt::UserRole).toString()))
            ports->item(i)->setCheckState(Qt::Checked);
    rate->setCurrentIndex(std::max(0, rate->findData(settings.value(QStringLiteral("rate")))));
    pace->setValue(settings.value(QStringLiteral("pace"), 500).toInt());
}
