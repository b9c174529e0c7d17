#pragma once

#include "cli/Request.h"

#include <QDialog>
#include <QMap>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;

// The setup of a station, asked for when the window is started without
// options: the profile, the ports ticked among those the configuration
// window lists, the name pattern, first number and quota, the record or the
// store, the station ID, rate and pace. The last setup is offered again.
// Bad input is shown next to its field, and nothing starts.
class StationForm : public QDialog {
    Q_OBJECT
public:
    // start: opens the station for a request; the field at fault ("record",
    // "store", ...) and why when it cannot be.
    using Starter = std::function<bool(const Request&, QString& field, QString& reason)>;

    explicit StationForm(Starter start, QWidget* parent = nullptr);

    // The command line the fields make, as parvex-cli station takes it.
    QStringList arguments() const;
    // Checks the fields and starts; false with the fault shown.
    bool tryStart();
    const Request& request() const { return started; }
    // The fault shown next to a field ("profile", "port", "record", ...);
    // empty when none.
    QString faultOf(const QString& field) const;

    // The record when none is given: in the user's application data.
    static QString defaultRecord();
    // Fields by name, for a test to fill.
    QLineEdit* field(const QString& name) const { return edits.value(name); }
    QListWidget* portList() const { return ports; }

private:
    void addField(const QString& name, const QString& label, const QString& help);
    void showFault(const QString& field, const QString& reason);
    void remember() const;
    void recall();

    Starter start;
    QMap<QString, QLineEdit*> edits;
    QMap<QString, QLabel*> faults;
    QListWidget* ports;
    QComboBox* rate;
    QSpinBox* pace;
    Request started;
};
