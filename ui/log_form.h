#pragma once
// TLogForm: the event log window. A grid of the entries (kind icon, date, time, message), Clear (after a
// question), Close (hides the window) and Save (an HTML report through a file dialog). The window is
// created hidden at start-up, loads the log file and adds the start entry.
#include "records/event_log.h"

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>

class QPushButton;
class QTableView;

namespace quelm {

class LogGridModel;

class TLogForm : public QDialog {
    Q_OBJECT
public:
    // Loads logFileName and adds the LogOn entry. A log file that cannot be read is kept aside under a
    // new name and the log starts afresh; onMessage tells the user so (stderr when empty).
    explicit TLogForm(QString logFileName, std::function<void(const QString&)> onMessage = {},
                      QWidget* parent = nullptr);
    ~TLogForm() override;

    // Appends an entry; callable from any thread (other threads' entries land in arrival order).
    void AddToLog(const QString& s, std::uint8_t LRtype);
    // Writes every entry to the file in the log format; throws LogFileError.
    void SaveGrid(const QString& FileName);
    // Replaces the entries by the file's content if it exists; throws LogFileError / LogFileDamaged.
    void LoadGrid(const QString& FileName);

    const QString& LogFileName() const { return FLogFileName; }
    EventLog& Log() { return FLog; }

    // Button handlers.
    void ClearBtnClick();
    void SaveBtnClick();
    void ExitButtonClick();

    // Asks a yes/no question (caption, text); true for Yes. By default a message box.
    std::function<bool(const QString& caption, const QString& text)> OnAskQuestion;
    // Picks the report file (dialog title, proposed name); an empty result cancels. By default a file
    // dialog that asks before overwriting.
    std::function<QString(const QString& title, const QString& proposedName)> OnChooseReportFile;
    // Tells the user about a failure.
    std::function<void(const QString& text)> OnMessage;

    QTableView* LogStringGrid = nullptr;
    QPushButton* ClearBtn = nullptr;
    QPushButton* CloseBtn = nullptr;
    QPushButton* SaveBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void Tell(const QString& text);
    QString ChooseReportFile(const QString& title, const QString& proposedName);

    QString FLogFileName;
    EventLog FLog;
    LogGridModel* FModel = nullptr;
    QString FReportFolder;
    bool FCentred = false;
};

} // namespace quelm
