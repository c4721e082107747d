// The main window's smaller parts: the drawn status icons, the message box's look and unattended
// answers, and the panel widths kept on resize.
#include "mainwin_station.h"

#include "ui/rled.h"
#include "ui/status_icons.h"

#include <QSystemTrayIcon>

#include <QLabel>
#include <gtest/gtest.h>
#include <set>

namespace {

using namespace quelm;
using quelm::test::Station;

TEST(MainWindowStatusIcons, ThreeDistinctSixteenPixelPicturesByCaseInsensitiveName) {
    std::set<QByteArray> pictures;
    for (int n = 1; n <= 3; ++n) {
        const QImage img = StatusIconImage(n);
        ASSERT_EQ(img.size(), QSize(16, 16)) << n;
        pictures.insert(QByteArray(reinterpret_cast<const char*>(img.constBits()), img.sizeInBytes()));
        EXPECT_FALSE(StatusIcon(QStringLiteral("STATUS%1").arg(n)).isNull());
        EXPECT_FALSE(StatusIcon(QStringLiteral("Status%1").arg(n)).isNull());
        EXPECT_FALSE(StatusIcon(QStringLiteral("status%1").arg(n)).isNull());
    }
    EXPECT_EQ(pictures.size(), 3u);
    for (const char* bad : {"Status0", "Status4", "Status", "Status12", "Icon1", ""})
        EXPECT_TRUE(StatusIcon(QString::fromLatin1(bad)).isNull()) << bad;
}

TEST(MainWindowStatusIcons, SetStatusIconChangesTheTrayPictureEvenWhileHidden) {
    Station st;
    st.Create();
    TQuelmForm& f = *st.form;
    EXPECT_EQ(f.StatusIcon(), 1);
    EXPECT_FALSE(f.QuelmTrayIcon->isVisible());
    const QImage one = f.QuelmTrayIcon->icon().pixmap(16, 16).toImage();
    f.SetStatusIcon(3);
    EXPECT_EQ(f.StatusIcon(), 3);
    EXPECT_NE(f.QuelmTrayIcon->icon().pixmap(16, 16).toImage(), one);
    f.SetStatusIcon(7); // no such picture: the icon stays
    EXPECT_EQ(f.StatusIcon(), 3);
}

TEST(MainWindowMessageBox, BlackWithYellowTextAndTheCaptionGiven) {
    const struct {
        TMsgDlgType type;
        QMessageBox::Icon icon;
    } cases[] = {{TMsgDlgType::mtWarning, QMessageBox::Warning},
                 {TMsgDlgType::mtError, QMessageBox::Critical},
                 {TMsgDlgType::mtInformation, QMessageBox::Information},
                 {TMsgDlgType::mtConfirmation, QMessageBox::Question}};
    for (const auto& c : cases) {
        const auto box =
            MakeMessageBox(nullptr, "Warning", "Text", c.type, QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(box->windowTitle(), "Warning");
        EXPECT_EQ(box->text(), "Text");
        EXPECT_EQ(box->icon(), c.icon);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        box->ensurePolished();
        EXPECT_EQ(box->palette().color(QPalette::Window), QColor(Qt::black));
        EXPECT_EQ(box->palette().color(QPalette::WindowText), QColor(255, 255, 0));
        const auto labels = box->findChildren<QLabel*>();
        bool yellowText = false;
        for (QLabel* l : labels) {
            l->ensurePolished();
            yellowText |=
                l->text() == "Text" && l->palette().color(QPalette::WindowText) == QColor(255, 255, 0);
        }
        EXPECT_TRUE(yellowText);
    }
}

TEST(MainWindowMessageBox, WithoutAUserTheAnswerChangesNothing) {
    // The offscreen platform has no user: no box waits, and a question is not answered yes.
    const MessageBoxPresenter old = SetMessageBoxPresenter({});
    EXPECT_EQ(ShowMessageBox(nullptr, "T", "x", TMsgDlgType::mtWarning, QMessageBox::Ok), QMessageBox::Ok);
    EXPECT_EQ(
        ShowMessageBox(nullptr, "T", "x", TMsgDlgType::mtConfirmation, QMessageBox::Yes | QMessageBox::No),
        QMessageBox::No);
    EXPECT_EQ(ShowMessageBox(nullptr, "T", "x", TMsgDlgType::mtConfirmation,
                             QMessageBox::Yes | QMessageBox::Cancel),
              QMessageBox::Cancel);
    SetMessageBoxPresenter(old);
}

TEST(MainWindowLayout, ResizeSplitsTheWidthAroundTheMiddleStrip) {
    Station st;
    st.Create();
    TQuelmForm& f = *st.form;
    f.show();
    const struct {
        int width;
        int cam;
    } cases[] = {{700, 323}, {701, 323}, {702, 324}, {640, 293}, {1280, 613}};
    for (const auto& c : cases) {
        f.resize(c.width, 240);
        QCoreApplication::processEvents();
        ASSERT_EQ(f.width(), c.width);
        EXPECT_EQ(f.CamPanel1->width(), c.cam) << c.width;
        EXPECT_EQ(f.CamPanel2->width(), c.cam) << c.width;
        EXPECT_EQ(f.CamPanel2->geometry().right(), c.width - 1);
        EXPECT_EQ(f.WarningPanel->x(), c.cam);
        EXPECT_EQ(f.CtrlPanel1->height(), 54);
        EXPECT_EQ(f.WarningRLed1->width(), 26);
        EXPECT_EQ(f.WarningRLed1->height(), 240 - 54);
        EXPECT_EQ(f.WarningRLed2->geometry().right(), f.WarningPanel->width() - 1);
    }
    EXPECT_EQ(f.AlgButton1->geometry(), QRect(1, 27, 26, 26));
    EXPECT_EQ(f.AlgButton2->geometry(), QRect(27, 27, 26, 26));
    EXPECT_EQ(f.MenuButton->geometry(), QRect(15, 1, 26, 26));
    EXPECT_EQ(f.AlgButton1->toolTip(), "Start/Stop Cam #1");
    EXPECT_EQ(f.MenuButton->toolTip(), "Menu");
}

TEST(MainWindowStartUp, FirstRunNoteIsRenamedWithoutReplacingAnExistingOne) {
    Station st;
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(st.dir.path());
    const auto write = [&](const char* name, const QByteArray& body) {
        QFile f(st.File(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(body);
    };
    std::vector<QString> opened;
    const auto oldOpener = TQuelmForm::SetDocumentOpener([&](const QString& fn) { opened.push_back(fn); });
    write("feedback_first.txt", "first");
    st.Create();
    EXPECT_FALSE(QFile::exists(st.File("feedback_first.txt")));
    EXPECT_TRUE(QFile::exists(st.File("feedback.txt")));
    st.form.reset();
    st.logForm.reset();

    write("feedback_first.txt", "second");
    st.Create();
    EXPECT_TRUE(QFile::exists(st.File("feedback_first.txt"))); // the existing note is not replaced
    QFile kept(st.File("feedback.txt"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "first");
    // The note is opened both times, whether or not the rename happened.
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(QFileInfo(opened[0]).canonicalFilePath(),
              QFileInfo(st.File("feedback.txt")).canonicalFilePath());
    EXPECT_EQ(opened[1], opened[0]);
    st.form.reset();
    st.logForm.reset();
    QFile::remove(st.File("feedback_first.txt"));
    st.Create();
    EXPECT_EQ(opened.size(), 2u); // no first-run note, nothing opened
    TQuelmForm::SetDocumentOpener(oldOpener);
    QDir::setCurrent(oldCwd);
}

} // namespace
