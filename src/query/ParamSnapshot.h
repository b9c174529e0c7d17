#pragma once

#include <QString>
#include <QStringList>

// The parameter values last read from or written to the module, as the
// window showed them. It lives for the whole run, outside the window.
struct ParamSnapshotFields {
    // False until a read or a Set completes on the current opening of the
    // port; while it is false every parameter counts as changed.
    bool Held = false;
    QString BaudRate;
    QString Auth;
    QString Pwd;
    // Grouped fields, one text per box.
    QStringList Sniff;
    QStringList Park;
    QString BDName;
    QString ClassOfDevice;
    QString Master;
    QStringList Scan;
    QString Bind;

    void clear() { *this = ParamSnapshotFields(); }
};

extern ParamSnapshotFields ParamSnapshot;
