#pragma once

#include "link/Platform.h"
#include "protocol/FrameReassembler.h"
#include "query/ParamSnapshot.h"
#include "ui/HeldEvents.h"
#include "ui/WindowManagerClose.h"

#include <QByteArray>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTimer;

// The one window of the tool. Every handler is a method of it; each is
// defined in the file of its area (link/, set/, query/, ui/).
class frmParvex : public QWidget {
    Q_OBJECT
public:
    explicit frmParvex(Platform platform, QWidget* parent = nullptr);
    ~frmParvex() override;

    // Flags are 16-bit, -1 for true and 0 for false.
    static constexpr int16_t True = -1;
    static constexpr int16_t False = 0;

    // Serial-port frame.
    QGroupBox* Frame3 = nullptr;
    QLabel* Label10 = nullptr;
    QComboBox* ComPortNum = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* ComFlowCtrl = nullptr;
    QCheckBox* bAutoDetect = nullptr;
    QLabel* Label11 = nullptr;
    QComboBox* ConnBaudRate = nullptr;
    QPushButton* CmdConn = nullptr;

    // Parameter area.
    QLabel* version = nullptr;
    QCheckBox* IsAuth = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtPwd = nullptr;
    QCheckBox* IsMaster = nullptr;
    QCheckBox* chkIsBind = nullptr;
    QLineEdit* txtMaxConnNum = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* paramBaudRate = nullptr;
    QPushButton* cmdAdvanced = nullptr;

    // Advanced section.
    QGroupBox* Frame1 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* txtBDName = nullptr;
    QLabel* Label14 = nullptr;
    QLineEdit* txtClassOfDevice = nullptr;
    QLabel* Label15 = nullptr;
    QLineEdit* txtPsInterval = nullptr;
    QLabel* Label19 = nullptr;
    QLineEdit* txtPsWindow = nullptr;
    QLabel* Label20 = nullptr;
    QLineEdit* txtIsInterval = nullptr;
    QLabel* Label21 = nullptr;
    QLineEdit* txtIsWindow = nullptr;
    QGroupBox* Frame2 = nullptr;
    QFrame* Frame7 = nullptr;
    QGroupBox* Frame6 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* txtSniffMaxIntval = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* txtSniffMinIntval = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* txtAttempt = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* txtTimeout = nullptr;
    QSlider* SniffSlider = nullptr;
    QLabel* Label16 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label13 = nullptr;
    QLineEdit* txtParkMaxIntval = nullptr;
    QLabel* Label12 = nullptr;
    QLineEdit* txtParkMinIntval = nullptr;
    QSlider* ParkSlider = nullptr;
    QLabel* Label17 = nullptr;
    QLabel* Label18 = nullptr;

    // Button bar.
    QWidget* Picture1 = nullptr;
    QPushButton* CmdQuery = nullptr;
    QPushButton* CmdSet = nullptr;
    QPushButton* CmdSetDefault = nullptr;
    QPushButton* CmdClearAddr = nullptr;
    QPushButton* CmdClose = nullptr;
    QLabel* Status = nullptr;
    QLabel* Label_retry = nullptr;

    QTimer* RecvTimer = nullptr;
    QTimer* RetryTimer = nullptr;
    QTimer* TimeoutTimer = nullptr;
    SerialPortControl* MSComm1 = nullptr;

    // Receive state.
    FrameReassembler receiver;
    // Detection.
    QString DetectBaud;
    int16_t BaudFound = False;
    // The sequence started last, and the command in flight.
    int16_t QueryActive = False;
    int16_t SetActive = False;
    uint8_t CurCmdType{};
    QByteArray CurCmdParam;
    int16_t RetryCount = 0;
    // Bytes of the command being built, or data of the answer being decoded.
    QByteArray ParamBuf;
    std::array<uint8_t, 2> BaudParam{{0, 0}};
    bool AdvancedShown = false;

    // The window (ui/frmParvex.cpp).
    void Form_Load();
    void cmdAdvanced_Click();
    void ShowStatus(const QString& msg);
    void CmdClose_Click();
    // True while a box is open, a pause runs or a read is dispatched: the
    // window's own handlers wait meanwhile.
    bool handlersHeld() const { return held->holding(); }
    const PortNames& portNames() const { return platform.portNames; }

    // Sending frames and the receive path (link/ReceivePath.cpp).
    void SendSetCmd(uint8_t CmdType, const QByteArray& Param);
    void SendQueryCmd(uint8_t CmdType);
    void RecvDataSub();
    void ParseData(const QByteArray& dat);
    void MSComm1_OnComm(SerialPortControl::CommEvent event, const QString& description);
    void RecvTimer_Timer();

    // Connection and detection (link/Connection.cpp).
    void CmdConn_Click();
    void bAutoDetect_Click();
    void TimeoutTimer_Timer();

    // Command retry and the command in flight (link/Retry.cpp).
    void RetryTimer_Timer();
    // What a resend sends again: the type, and for a set command the
    // parameter bytes sent; a query leaves CurCmdParam as it is.
    void recordCommandInFlight(uint8_t CmdType, std::optional<QByteArray> Param = std::nullopt);

    // The response dispatcher (set/Dispatcher.cpp).
    void handleRecvPacket(const QByteArray& dat);

    // The Set action (set/SetSequence.cpp).
    void CmdSet_Click();

    // The set steps (set/SetSteps.cpp).
    void SetBaudRate();
    void SetSecurity();
    void SetPassword();
    void SetSniffParam();
    void SetParkParam();
    void SetDeviceName();
    void SetClassOfDevice();
    void SetMasterSlave();
    void SetScanParam();
    void SetBind();

    // The query sequence (query/QuerySequence.cpp).
    void CmdQuery_Click();
    void HandleQueryRspPacket(uint8_t CmdType, uint8_t CmdState, const QByteArray& Param,
                              int16_t ParamLen);

    // The parameter snapshot (query/ParamSnapshot.cpp).
    void SaveParamSnapshot();
    // The values the read under way has taken from the module so far, field
    // by field; its end keeps these, not what the operator changed meanwhile.
    ParamSnapshotFields ValuesRead;

    // The groups of hexadecimal fields (ui/FieldGroups.cpp): a box, its name
    // in messages, the text Default writes, the text of the slider's "open".
    struct HexField {
        QLineEdit* box;
        const char* name;
        QString factory;
        const char* open;
    };
    std::vector<HexField> sniffFields() const;
    std::vector<HexField> parkFields() const;
    std::vector<HexField> scanFields() const;

    // Field corrections and sliders (ui/FieldCorrections.cpp).
    void txtClassOfDevice_LostFocus();
    void txtPsInterval_LostFocus() { fillBlankScanField(txtPsInterval); }
    void txtPsWindow_LostFocus() { fillBlankScanField(txtPsWindow); }
    void txtIsInterval_LostFocus() { fillBlankScanField(txtIsInterval); }
    void txtIsWindow_LostFocus() { fillBlankScanField(txtIsWindow); }
    void SniffSlider_Click();
    void ParkSlider_Click();

    // Defaults and clearing the bound address (ui/DefaultsAndClear.cpp).
    void CmdSetDefault_Click();
    void CmdClearAddr_Click();

signals:
    // The status line now reads four spaces followed by msg.
    void statusShown(const QString& msg);

protected:
    // ui/WindowLayout.cpp, ui/frmParvex.cpp.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Building the window (ui/WindowLayout.cpp).
    void createControls();
    void layOutControls();
    void connectHandlers();
    void setTabOrderByPosition();
    void refreshPortTooltips();

    // The platform, the handlers held while the window waits, and the
    // action buttons (ui/frmParvex.cpp).
    void actOnDue(HeldEvents::Due due, const QString& detail);
    void endProgram();
    void reportingFailures(const std::function<void()>& body);
    BoxAnswer MsgBox(const QString& text, const QString& title, BoxIcon icon,
                     BoxButtons buttons = BoxButtons::Ok);
    void Sleep(int ms);
    void disableAction(QPushButton* button);
    void enableAction(QPushButton* button);

    // link/ReceivePath.cpp.
    void sendFrame(const QByteArray& frame);

    // link/Connection.cpp.
    bool portShownOpen() const;
    void showPortClosed();
    void openPort();
    void stopDetectionAfterFailure(const QString& description);

    // set/SetSequence.cpp.
    bool changedFieldsAcceptable(const ParamSnapshotFields& window);
    // Each scan window no larger than its interval; else the first that is
    // refused.
    bool scanWindowsFit();

    // set/SetSteps.cpp.
    bool hexWordsAcceptable(const std::vector<HexField>& fields);
    bool classOfDeviceAcceptable();
    void buildHexWords(const std::vector<HexField>& fields);
    void sendHexWordsStep(uint8_t CmdType, const std::vector<HexField>& fields,
                          const QString& status);
    void sendStep(uint8_t CmdType, const QByteArray& Param, const QString& status);
    void sendCheckBoxStep(uint8_t CmdType, const QCheckBox* box, const QString& status);
    void refuseField(QLineEdit* field, const QString& text, BoxIcon icon = BoxIcon::Exclamation);
    void focusField(QLineEdit* field);

    // query/QuerySequence.cpp.
    void detectionEnd();
    void clearParameterFields();
    void keepValueRead(uint8_t CmdType);

    // query/ParamSnapshot.cpp: the window's values in the snapshot's form.
    ParamSnapshotFields windowValues() const;

    // query/Answers.cpp. True when the answer's data was written into the
    // window.
    bool decodeAnswer(uint8_t CmdType, const QByteArray& Param, int16_t ParamLen);
    void selectBaudRow(const QString& text);

    // ui/FieldCorrections.cpp.
    void fillBlankScanField(QLineEdit* box);

    Platform platform;
    HeldEvents* held = nullptr;
    WindowManagerClose closeUnderABox{this};
    // The action button that had the focus when it disabled itself.
    QPushButton* focusParkedFor = nullptr;
};
