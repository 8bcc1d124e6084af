#include "ui/about_box.h"

#include "ui/link_label.h"
#include "ui/picture_control.h"
#include "ui/shared_helpers.h"

#include <QApplication>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kalo;

namespace {

struct Opened {
    QString target;
    QString verb;
    int showState;
};

struct ShellRecorder {
    QList<Opened> opened;
    ShellRecorder() {
        SetShellOpener([this](const QString& t, const QString& v, int s) {
            opened.append({t, v, s});
        });
    }
    ~ShellRecorder() { SetShellOpener({}); }
};

void leftClick(QWidget* w) {
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(3, 3));
}

} // namespace

TEST(AboutBox, EveryLinkOpensItsTargetAndTheBoxStaysOpen) {
    ShellRecorder shell;
    TFormAbout box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_FALSE(box.Sizeable);
    EXPECT_EQ(box.size(), QSize(449, 329));
    EXPECT_TRUE(box.closeImage->isVisible());
    EXPECT_FALSE(box.minImage->isVisible());
    EXPECT_EQ(box.PageControl1->tabText(0), " About ");
    EXPECT_EQ(box.PageControl1->tabText(1), "Contact && Updates");

    const QString site = "https://kalotalk.example.com/";
    const QString maker = "https://halden.example.org/";
    const QString support = "mailto:support@halden.example.org";
    const QList<QPair<QWidget*, QString>> aboutPage{{box.LabelMailTo, support},
                                                    {box.LabelKALOURL, site},
                                                    {box.LabelHaldenURL, maker},
                                                    {box.Image1, site},
                                                    {box.Image2, maker}};
    const QList<QPair<QWidget*, QString>> contactPage{
        {box.Label14, "mailto:author@halden.example.org"},
        {box.LabelSupport, support},
        {box.Label5, "mailto:sales@halden.example.org"},
        {box.Label6, "mailto:comments@halden.example.org"},
        {box.LabelLatest, site},
        {box.LabelSkins, site},
        {box.LabelCharacters, site},
        {box.Image4, site},
        {box.Image3, maker}};
    for (const auto& [page, links] : {qMakePair(0, aboutPage), qMakePair(1, contactPage)}) {
        box.PageControl1->setCurrentIndex(page);
        for (const auto& [widget, target] : links) {
            SCOPED_TRACE(target.toStdString() + " from " + widget->objectName().toStdString());
            ASSERT_TRUE(widget->isVisible());
            shell.opened.clear();
            leftClick(widget);
            ASSERT_EQ(shell.opened.size(), 1);
            EXPECT_EQ(shell.opened[0].target, target);
            EXPECT_EQ(shell.opened[0].verb, "Open");
            EXPECT_EQ(shell.opened[0].showState, 3);
            EXPECT_TRUE(box.isVisible());
        }
    }
    // The right button opens nothing.
    shell.opened.clear();
    QTest::mouseClick(box.Label14, Qt::RightButton, {}, QPoint(3, 3));
    EXPECT_TRUE(shell.opened.isEmpty());
    // The link texts show the addresses they open.
    EXPECT_EQ(box.LabelMailTo->text(), "support@halden.example.org");
    EXPECT_EQ(box.LabelKALOURL->text(), site);
}

TEST(AboutBox, OKOnEitherPageAndTheCloseButtonEndTheBox) {
    {
        TFormAbout box;
        box.open();
        leftClick(box.ButtonOKAbout);
        EXPECT_FALSE(box.isVisible());
        EXPECT_EQ(box.result(), QDialog::Accepted);
    }
    {
        TFormAbout box;
        box.open();
        box.PageControl1->setCurrentIndex(1);
        leftClick(box.ButtonOKContact);
        EXPECT_EQ(box.result(), QDialog::Accepted);
    }
    {
        TFormAbout box;
        box.open();
        box.setResult(-1);
        leftClick(box.closeImage);
        EXPECT_FALSE(box.isVisible());
        EXPECT_EQ(box.result(), QDialog::Rejected);
    }
}

TEST(AboutBox, ShowAboutIsModalOverItsOwnerAndGoesWhenClosed) {
    QWidget owner;
    owner.setGeometry(100, 100, 600, 400);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    QPointer<TFormAbout> seen;
    QPoint at;
    QTimer::singleShot(0, [&] {
        seen = qobject_cast<TFormAbout*>(QApplication::activeModalWidget());
        ASSERT_TRUE(seen);
        at = seen->pos();
        QTest::keyClick(seen, Qt::Key_Return); // OK is the default button
    });
    ShowAbout(&owner);
    EXPECT_TRUE(seen.isNull()); // destroyed on return
    const QRect ownerFrame = owner.frameGeometry();
    EXPECT_EQ(at, ownerFrame.topLeft() +
                      QPoint((ownerFrame.width() - 449) / 2, (ownerFrame.height() - 329) / 2));
}
