#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

// The virtual module as a child process: started on a symbolic link the
// window's port row points at, its output read line by line.
class VirtualModuleProcess : public QObject {
    Q_OBJECT
public:
    explicit VirtualModuleProcess(QObject* parent = nullptr);
    ~VirtualModuleProcess() override;

    // Starts the module and waits for the device it opened. False with
    // errorText() set when it could not start.
    bool start(const QString& program, const QString& linkPath, const QStringList& extraArguments);
    void stop();
    // Resets the module: a baud rate it stored takes effect on its line.
    void reset();
    // Asks for a fresh state line; lastState() is empty until it comes.
    void requestState();
    // On a fixture: the module reads its control file again, taking the
    // module off or putting a fresh one on.
    void refit();

    QString device() const { return devicePath; }
    // Its last "state: ..." line: what the module holds.
    QString lastState() const { return stateLine; }
    QString errorText() const { return error; }
    // "running", or how the process ended.
    QString processState() const;

signals:
    void lineRead(const QString& line);

private:
    void readLines();

    QProcess process;
    QString devicePath;
    QString stateLine;
    QString error;
};

// The virtual-module executable next to this one, or the one built with it.
QString virtualModuleProgram();
