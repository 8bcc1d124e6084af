#include "ui/about_box.h"

#include "ui/fonts.h"
#include "ui/link_label.h"
#include "ui/picture_control.h"
#include "ui/shared_helpers.h"
#include "ui/ui_pictures.h"
#include "ui/window_placement.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kalo {

namespace {

const char* const HotTrackingTabs = R"(
QTabBar::tab:hover:!selected { color: #1a56db; }
)";

QFont smallFont(bool bold = false) {
    return NamedPixelFont(QStringLiteral("MS Sans Serif"), 11, bold);
}

QFont headingFont() {
    QFont f = NamedPixelFont(QStringLiteral("MS Sans Serif"), 19, true);
    f.setUnderline(true);
    return f;
}

QLabel* label(QWidget* parent, const QString& text, const QFont& font, QPoint at) {
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    l->setFont(font);
    l->adjustSize();
    l->move(at);
    return l;
}

TJQLinkLabel* link(QWidget* parent, const QString& text, QPoint at) {
    auto* l = new TJQLinkLabel(text, parent);
    QFont f = smallFont();
    f.setUnderline(true);
    l->setFont(f);
    l->adjustSize();
    l->move(at);
    return l;
}

// The lowered panel at the left of both pages, holding the stretched side
// picture; clicking the picture opens the product's web site.
TJQImage* sidePanel(QWidget* page) {
    auto* panel = new QFrame(page);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(2);
    panel->setGeometry(8, 8, 97, 193);
    auto* image = new TJQImage(panel, TJQImage::Fit::Stretch);
    image->setPicture(UiPicture(QStringLiteral("about/side.jpg")));
    image->setGeometry(2, 2, 93, 189);
    image->setCursor(Qt::PointingHandCursor);
    return image;
}

TJQImage* makerMark(QWidget* page, QPoint at) {
    auto* image = new TJQImage(page, TJQImage::Fit::Stretch);
    image->setPicture(UiPicture(QStringLiteral("about/halden.png")));
    image->setGeometry(QRect(at, QSize(32, 32)));
    image->setCursor(Qt::PointingHandCursor);
    return image;
}

QPushButton* bevelAndOK(QDialog* box, QWidget* page) {
    auto* bevel = new QFrame(page);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(112, 176, 305, 2);
    auto* ok = new QPushButton(QStringLiteral("OK"), page);
    ok->setGeometry(342, 186, 75, 25);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, box, &QDialog::accept);
    return ok;
}

void openAddress(const char* target) {
    ShellOpen(QString::fromLatin1(target), QStringLiteral("Open"), SW_SHOWMAXIMIZED);
}

void openMail(const char* address) {
    ShellOpen(QStringLiteral("mailto:") + QLatin1String(address), QStringLiteral("Open"),
              SW_SHOWMAXIMIZED);
}

} // namespace

TFormAbout::TFormAbout(QWidget* parent) : TJQForm(parent, Qt::Dialog) {
    setObjectName(QStringLiteral("FormAbout"));
    setWindowTitle(QStringLiteral("About KALO - Halden Software"));
    setBorderIcons(biSystemMenu);
    resize(449, 329);

    PageControl1 = new QTabWidget(PanelJQClient);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    auto* fill = new QVBoxLayout(PanelJQClient);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(PageControl1);
    PageControl1->setStyleSheet(QString::fromLatin1(HotTrackingTabs));
    PageControl1->setUsesScrollButtons(false);

    // The About page.
    TabSheetAbout = new QWidget;
    TabSheetAbout->setObjectName(QStringLiteral("TabSheetAbout"));
    Image1 = sidePanel(TabSheetAbout);
    LabelHalden = label(TabSheetAbout, QStringLiteral("HALDEN"), headingFont(), {120, 8});
    QFont titleFont = NamedPixelFont(QStringLiteral("Impact"), 32, true);
    LabelTitle = label(TabSheetAbout, QStringLiteral("Kalotalk"), titleFont, {118, 34});
    QPalette titlePalette = LabelTitle->palette();
    titlePalette.setColor(QPalette::WindowText, QColor(0x1b, 0x3a, 0x8c));
    LabelTitle->setPalette(titlePalette);
    QLabel* version = label(TabSheetAbout, QStringLiteral("Version 1.0  -  text to speech"),
                            smallFont(), {121, 76});
    version->setEnabled(false);
    label(TabSheetAbout, QStringLiteral("E-Mail:"), smallFont(true), {120, 98});
    LabelMailTo = link(TabSheetAbout, QString::fromLatin1(SupportMail), {178, 98});
    label(TabSheetAbout, QStringLiteral("Internet:"), smallFont(true), {120, 120});
    LabelKALOURL = link(TabSheetAbout, QString::fromLatin1(ProductWebSite), {178, 120});
    LabelHaldenURL = link(TabSheetAbout, QString::fromLatin1(MakerWebSite), {178, 138});
    Image2 = makerMark(TabSheetAbout, {385, 8});
    ButtonOKAbout = bevelAndOK(this, TabSheetAbout);
    PageControl1->addTab(TabSheetAbout, QStringLiteral(" About "));

    // The Contact & Updates page.
    TabSheetContact = new QWidget;
    TabSheetContact->setObjectName(QStringLiteral("TabSheetContact"));
    Image4 = sidePanel(TabSheetContact);
    label(TabSheetContact, QStringLiteral("Thanks for trying our products!"), headingFont(),
          {120, 8});
    label(TabSheetContact, QStringLiteral("Contact Us:"), smallFont(true), {120, 38});
    Label14 = link(TabSheetContact, QStringLiteral("Contact the author directly!"), {132, 54});
    LabelSupport = link(TabSheetContact,
                        QStringLiteral("Contact Halden Software Tech Support Staff"), {132, 68});
    Label5 =
        link(TabSheetContact, QStringLiteral("Contact Halden Software Sales Staff"), {132, 82});
    Label6 = link(TabSheetContact,
                  QStringLiteral("Send us your comments! We'd love to hear from you! "), {132, 96});
    label(TabSheetContact, QStringLiteral("FREE Downloads & Updates:"), smallFont(true),
          {120, 116});
    LabelLatest =
        link(TabSheetContact, QStringLiteral("Get the latest version of KALO!"), {132, 132});
    LabelSkins =
        link(TabSheetContact, QStringLiteral("Download more FREE fancy skins!"), {132, 146});
    LabelCharacters =
        link(TabSheetContact, QStringLiteral("Download more FREE funny characters!"), {132, 160});
    Image3 = makerMark(TabSheetContact, {120, 182});
    ButtonOKContact = bevelAndOK(this, TabSheetContact);
    // Escape closes the box as either OK button does.
    setCancelButton(ButtonOKAbout);
    PageControl1->addTab(TabSheetContact, QStringLiteral("Contact && Updates"));
    PageControl1->setCurrentIndex(0);

    connect(LabelKALOURL, &TJQLinkLabel::clicked, this, &TFormAbout::LabelKALOURLClick);
    connect(LabelLatest, &TJQLinkLabel::clicked, this, &TFormAbout::LabelKALOURLClick);
    connect(LabelCharacters, &TJQLinkLabel::clicked, this, &TFormAbout::LabelKALOURLClick);
    connect(LabelSkins, &TJQLinkLabel::clicked, this, &TFormAbout::LabelKALOURLClick);
    connect(Image1, &TJQImage::clicked, this, &TFormAbout::Image1Click);
    connect(Image4, &TJQImage::clicked, this, &TFormAbout::Image1Click);
    connect(LabelHaldenURL, &TJQLinkLabel::clicked, this, &TFormAbout::LabelHaldenURLClick);
    connect(Image2, &TJQImage::clicked, this, &TFormAbout::Image2Click);
    connect(Image3, &TJQImage::clicked, this, &TFormAbout::Image2Click);
    connect(LabelMailTo, &TJQLinkLabel::clicked, this, &TFormAbout::LabelMailToClick);
    connect(LabelSupport, &TJQLinkLabel::clicked, this, &TFormAbout::LabelMailToClick);
    connect(Label14, &TJQLinkLabel::clicked, this, &TFormAbout::Label14Click);
    connect(Label5, &TJQLinkLabel::clicked, this, &TFormAbout::Label5Click);
    connect(Label6, &TJQLinkLabel::clicked, this, &TFormAbout::Label6Click);
}

void TFormAbout::FormShow() {
    TJQForm::FormShow();
    Sizeable = false;
}

void TFormAbout::LabelKALOURLClick() {
    openAddress(ProductWebSite);
}

void TFormAbout::Image1Click() {
    openAddress(ProductWebSite);
}

void TFormAbout::LabelHaldenURLClick() {
    openAddress(MakerWebSite);
}

void TFormAbout::Image2Click() {
    openAddress(MakerWebSite);
}

void TFormAbout::LabelMailToClick() {
    openMail(SupportMail);
}

void TFormAbout::Label14Click() {
    openMail(AuthorMail);
}

void TFormAbout::Label5Click() {
    openMail(SalesMail);
}

void TFormAbout::Label6Click() {
    openMail(CommentsMail);
}

void ShowAbout(QWidget* owner) {
    if (!owner)
        owner = QApplication::activeWindow();
    TFormAbout box(owner);
    CentreOver(box, owner);
    box.exec();
}

} // namespace kalo
