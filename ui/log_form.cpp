#include "ui/log_form.h"

#include "ui/log_icons.h"
#include "ui/log_lang.h"

#include <QAbstractTableModel>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <algorithm>
#include <cstdio>

namespace quelm {

// The grid's view of the log. Rows appended to the log become inserted rows; anything else resets.
class LogGridModel : public QAbstractTableModel {
public:
    static constexpr int KindRole = Qt::UserRole + 1;

    explicit LogGridModel(const EventLog& log, QObject* parent)
        : QAbstractTableModel(parent)
        , log_(log)
        , rows_(log.Grid().RowCount()) {}

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : LogGrid::kColumns;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rows_)
            return {};
        const LogGrid& grid = log_.Grid();
        if (role == Qt::DisplayRole)
            return grid.Cell(index.column(), index.row());
        if (role == KindRole)
            return grid.IsEmpty() ? -1 : grid.Kind(index.row());
        return {};
    }

    void Sync() {
        const int now = log_.Grid().RowCount();
        if (now > rows_) {
            const int before = rows_;
            beginInsertRows({}, before, now - 1);
            rows_ = now;
            endInsertRows();
            // Row 0 of an empty log is filled in place, and a reload may change earlier rows.
            Q_EMIT dataChanged(index(0, 0), index(before - 1, LogGrid::kColumns - 1));
        } else if (now == rows_) {
            Q_EMIT dataChanged(index(0, 0), index(rows_ - 1, LogGrid::kColumns - 1));
        } else {
            beginResetModel();
            rows_ = now;
            endResetModel();
        }
    }

private:
    const EventLog& log_;
    int rows_;
};

namespace {

// Draws the kind icon of column 0 at the cell's left edge plus 1 pixel and its top edge.
class KindIconDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        const QPixmap icon = LogKindIcon(index.data(LogGridModel::KindRole).toInt());
        if (!icon.isNull())
            painter->drawPixmap(option.rect.left() + 1, option.rect.top(), icon);
    }
};

QPushButton* Button(QWidget* parent, const char* name, const char* caption, int x) {
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(x, 264, 83, 25);
    button->setAutoDefault(false);
    return button;
}

} // namespace

TLogForm::TLogForm(QString logFileName, std::function<void(const QString&)> onMessage, QWidget* parent)
    : QDialog(parent)
    , OnMessage(std::move(onMessage))
    , FLogFileName(std::move(logFileName))
    , FReportFolder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)) {
    setObjectName(QStringLiteral("LogForm"));
    setWindowTitle(QStringLiteral("Log"));
    setFixedSize(375, 295);

    LogStringGrid = new QTableView(this);
    LogStringGrid->setObjectName(QStringLiteral("LogStringGrid"));
    LogStringGrid->setGeometry(8, 8, 361, 249);
    LogStringGrid->horizontalHeader()->hide();
    LogStringGrid->horizontalHeader()->setMinimumSectionSize(1);
    LogStringGrid->verticalHeader()->hide();
    LogStringGrid->verticalHeader()->setMinimumSectionSize(1);
    LogStringGrid->verticalHeader()->setDefaultSectionSize(18);
    LogStringGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    LogStringGrid->setShowGrid(false);
    LogStringGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    LogStringGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    LogStringGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LogStringGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    LogStringGrid->setWordWrap(false);
    FModel = new LogGridModel(FLog, this);
    LogStringGrid->setModel(FModel);
    LogStringGrid->setItemDelegateForColumn(LogGrid::IconCol, new KindIconDelegate(LogStringGrid));
    const int widths[] = {23, 18, 69, 57, 190};
    for (int col = 0; col < LogGrid::kColumns; ++col)
        LogStringGrid->setColumnWidth(col, widths[col]);
    FLog.OnChange = [this] { FModel->Sync(); };

    ClearBtn = Button(this, "ClearBtn", "Clear", 10);
    CloseBtn = Button(this, "CloseBtn", "Close", 146);
    SaveBtn = Button(this, "SaveBtn", "Save", 287);
    connect(ClearBtn, &QPushButton::clicked, this, [this] { ClearBtnClick(); });
    connect(CloseBtn, &QPushButton::clicked, this, [this] { ExitButtonClick(); });
    connect(SaveBtn, &QPushButton::clicked, this, [this] { SaveBtnClick(); });

    OnAskQuestion = [this](const QString& caption, const QString& text) {
        return QMessageBox::question(this, caption, text, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };
    OnChooseReportFile = [this](const QString& title, const QString& proposedName) {
        return ChooseReportFile(title, proposedName);
    };

    FormCreate();
}

TLogForm::~TLogForm() {
    // The grid and its model read FLog, which goes before the window's children would.
    FLog.OnChange = nullptr;
    delete LogStringGrid;
    delete FModel;
}

void TLogForm::FormCreate() {
    LogStringGrid->setColumnWidth(LogGrid::IconCol, 20);
    LogStringGrid->setColumnHidden(LogGrid::KindCol, true); // the kind is never shown as text
    // The date and time columns are at least as wide as their longest texts in the desktop's font;
    // the message column takes the rest.
    const QFontMetrics metrics(LogStringGrid->font());
    const int pad = 2 * LogStringGrid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 6;
    LogStringGrid->setColumnWidth(
        LogGrid::DateCol, std::max(69, metrics.horizontalAdvance(LogDateText(QDate(2026, 12, 28))) + pad));
    LogStringGrid->setColumnWidth(
        LogGrid::TimeCol, std::max(57, metrics.horizontalAdvance(LogTimeText(QTime(23, 58, 58))) + pad));
    LogStringGrid->horizontalHeader()->setStretchLastSection(true);
    try {
        LoadGrid(FLogFileName);
    } catch (const LogFileError& e) {
        QString note = QString::fromStdString(e.what());
        try {
            const QString aside = KeepLogAside(FLogFileName);
            note += QStringLiteral("\nIt was kept as \"%1\"; the log starts afresh.").arg(aside);
        } catch (const LogFileError& moveFailure) {
            note += QLatin1Char('\n') + QString::fromStdString(moveFailure.what()) +
                    QStringLiteral("\nThe log starts afresh.");
        }
        Tell(note);
    }
    AddToLog(LogLangString("LogOn"), LogInfo);
}

void TLogForm::AddToLog(const QString& s, std::uint8_t LRtype) {
    FLog.AddToLog(s, LRtype);
}

void TLogForm::SaveGrid(const QString& FileName) {
    FLog.Save(FileName);
}

void TLogForm::LoadGrid(const QString& FileName) {
    FLog.Load(FileName);
}

void TLogForm::ClearBtnClick() {
    if (!OnAskQuestion || !OnAskQuestion(QStringLiteral("Question"), LogLangString("QuestionClearLog")))
        return;
    FLog.Clear(LogLangString("CleanLog"));
    try {
        SaveGrid(FLogFileName);
    } catch (const LogFileError& e) {
        Tell(QString::fromStdString(e.what()));
    }
}

void TLogForm::SaveBtnClick() {
    const QString proposed = LogReportFileName(LogDateText(QDate::currentDate()));
    const QString fileName = OnChooseReportFile ? OnChooseReportFile(SaveBtn->text(), proposed) : QString();
    if (fileName.isEmpty())
        return;
    FLog.Flush();
    const QString date = LogDateText(QDate::currentDate());
    const QString time = LogTimeText(QTime::currentTime());
    const LogReportTexts texts{LogLangString("QuelmLogHeader"), LogLangString("Date"), LogLangString("Time"),
                               LogLangString("LogRecord")};
    try {
        SaveLogReport(LogReportHtml(FLog.Grid(), texts, date, time), fileName);
    } catch (const LogFileError& e) {
        Tell(QString::fromStdString(e.what()));
    }
}

void TLogForm::ExitButtonClick() {
    hide();
}

QString TLogForm::ChooseReportFile(const QString& title, const QString& proposedName) {
    QFileDialog dialog(this, title, QDir(FReportFolder).filePath(proposedName),
                       QStringLiteral("HTML (*.html);;Any File (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("html"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString chosen = dialog.selectedFiles().constFirst();
    FReportFolder = QFileInfo(chosen).absolutePath();
    return chosen;
}

void TLogForm::Tell(const QString& text) {
    if (OnMessage)
        OnMessage(text);
    else
        std::fprintf(stderr, "%s\n", qUtf8Printable(text));
}

void TLogForm::showEvent(QShowEvent* event) {
    if (!FCentred) {
        FCentred = true;
        if (const QScreen* s = screen())
            move(s->availableGeometry().center() - rect().center());
    }
    QDialog::showEvent(event);
}

} // namespace quelm
