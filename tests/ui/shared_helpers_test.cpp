#include "ui/shared_helpers.h"

#include "base/output_volume.h"

#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

using namespace kalo;

namespace {

// Receives what the desktop would be asked to open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    UrlRecorder() {
        for (const char* scheme : {"file", "https", "mailto"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    }
    ~UrlRecorder() override {
        for (const char* scheme : {"file", "https", "mailto"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened << url; }
};

// Keeps the process-wide volume word as a test found it.
struct KeepVolume {
    uint32_t word = OutputVolumeWord();
    ~KeepVolume() { SetOutputVolumeWord(word); }
};

} // namespace

TEST(SharedHelpers, TheVolumeWordCarriesBothChannelsAndTheRightOneIsRead) {
    KeepVolume keep;
    SetWaveVolume(4660);
    EXPECT_EQ(OutputVolumeWord(), 0x12341234u);
    EXPECT_EQ(GetWaveVolume(), 4660);
    SetWaveVolume(65535);
    EXPECT_EQ(OutputVolumeWord(), 0xFFFFFFFFu);
    SetWaveVolume(0);
    EXPECT_EQ(OutputVolumeWord(), 0u);

    // Left channel full, right channel half: the right one is the volume.
    SetOutputVolumeWord(0x8000FFFFu);
    EXPECT_EQ(GetWaveVolume(), 32768);

    // Values outside the range change nothing and raise nothing.
    SetWaveVolume(65536);
    SetWaveVolume(-1);
    EXPECT_EQ(OutputVolumeWord(), 0x8000FFFFu);
}

TEST(SharedHelpers, RunAndWaitGivesTheExitCodeOrMinusOne) {
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(RunAndWait(QStringLiteral("/nonexistent/kalotalk-no-such-program"), {}), -1);
    EXPECT_LT(clock.elapsed(), 5000);

    EXPECT_EQ(RunAndWait(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exit 7")}),
              7);
    // The caller waits for the end of the program, and arguments arrive as
    // they are, blanks and quotes included.
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out"));
    const QString odd = QStringLiteral("a b \"c\" $HOME; 'd'");
    EXPECT_EQ(
        RunAndWait(QStringLiteral("sh"),
                   {QStringLiteral("-c"), QStringLiteral("sleep 0.2; printf %s \"$1\" > \"$2\""),
                    QStringLiteral("sh"), odd, out}),
        0);
    QFile written(out);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(written.readAll()), odd);
    // A program killed by a signal did not succeed.
    EXPECT_NE(
        RunAndWait(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("kill -9 $$")}), 0);
    // A program that reads its input finds none, instead of waiting for ever.
    EXPECT_EQ(RunAndWait(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("read line; exit 7")}), 7);
}

TEST(SharedHelpers, ShellOpenHandsFilesFoldersAndAddressesToTheDesktop) {
    UrlRecorder desktop;
    QTemporaryDir dir;
    const QString odd = dir.filePath(QStringLiteral("a b#1%.txt"));
    QFile file(odd);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    ShellOpen(odd, QStringLiteral("Open"));
    ShellOpen(dir.path(), QStringLiteral("explore"));
    ShellOpen(QStringLiteral("https://kalotalk.example.com/"), QStringLiteral("Open"));
    ShellOpen(QStringLiteral("mailto:support@halden.example.org"), QStringLiteral("Open"));
    ASSERT_EQ(desktop.opened.size(), 4);
    EXPECT_EQ(desktop.opened[0].toLocalFile(), odd);
    EXPECT_EQ(desktop.opened[1].toLocalFile(), dir.path());
    EXPECT_EQ(desktop.opened[2], QUrl(QStringLiteral("https://kalotalk.example.com/")));
    EXPECT_EQ(desktop.opened[3].scheme(), "mailto");
    EXPECT_EQ(desktop.opened[3].path(), "support@halden.example.org");
}

TEST(SharedHelpers, ShellOpenSaysSoWhenNothingCanOpenTheTarget) {
    // The offscreen platform has nothing to hand addresses to, as a desktop
    // without xdg-open has not.
    QStringList shown;
    SetMessageBoxHandler([&](const QString& text, int flags) {
        shown << text;
        EXPECT_EQ(flags, MB_ICONWARNING);
    });
    ShellOpen(QStringLiteral("https://kalotalk.example.com/"), QStringLiteral("Open"));
    SetMessageBoxHandler({});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith("Cannot open https://kalotalk.example.com/."));
}

TEST(SharedHelpers, MessageBoxesCarryTheApplicationTitleAndTheIconOfTheFlags) {
    struct Seen {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };
    auto show = [](const std::function<void()>& call) {
        Seen seen;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_TRUE(box);
            seen = {box->windowTitle(), box->text(), box->icon()};
            box->accept();
        });
        call();
        return seen;
    };
    Seen info = show([] { ShowMessageBox(QStringLiteral("You can download it"), 64); });
    EXPECT_EQ(info.title, "Kalotalk");
    EXPECT_EQ(info.text, "You can download it");
    EXPECT_EQ(info.icon, QMessageBox::Information);
    Seen error = show([] { ShowErrorBox(QStringLiteral("Cannot create file x")); });
    EXPECT_EQ(error.title, "Kalotalk");
    EXPECT_EQ(error.icon, QMessageBox::Critical);
    EXPECT_EQ(show([] { ShowMessageBox(QStringLiteral("?"), MB_ICONWARNING); }).icon,
              QMessageBox::Warning);
}

TEST(SharedHelpers, TheWorkAreaEdgesLieJustOutsideIt) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(WorkAreaRight(), area.right() + 1);
    EXPECT_EQ(WorkAreaBottom(), area.bottom() + 1);
}

#include "shared_helpers_test.moc"
