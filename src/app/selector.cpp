#include "app/selector.h"

#include "services/interface_windows.h"
#include "base/settings_store.h"
#include "ui/picture_control.h"
#include "ui/ui_pictures.h"
#include "ui/window_placement.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

namespace kalo {

TJQFormSelector* JQFormSelector = nullptr;

namespace {

// Tabs drawn as flat buttons over a page without a border.
const char* const FlatTabsStyle = R"(
QTabWidget::pane { border: 1px solid #c7d2e7; border-radius: 3px; top: -1px; background: white; }
QTabBar::tab {
    border: 1px solid transparent; border-radius: 4px;
    padding: 3px 9px; margin: 0 3px 4px 0; color: #24304a;
}
QTabBar::tab:selected { background: #dbe5f8; border-color: #8fa6d6; }
QTabBar::tab:hover:!selected { background: #e9eef9; border-color: #c2cfe8; }
)";

TJQImage* pagePicture(QWidget* page, const char* picture) {
    auto* image = new TJQImage(page, TJQImage::Fit::Stretch);
    image->setPicture(UiPicture(QString::fromLatin1(picture)));
    return image;
}

// A page whose only content is a picture stretched over all of it.
class TPicturePage : public QWidget {
public:
    TPicturePage(TJQImage*& image, const char* picture) {
        image = pagePicture(this, picture);
        image_ = image;
    }

protected:
    void resizeEvent(QResizeEvent*) override { image_->setGeometry(rect()); }

private:
    TJQImage* image_;
};

} // namespace

TJQFormSelector::TJQFormSelector(QWidget* parent) : TJQForm(parent, Qt::Window) {
    setObjectName(QStringLiteral("JQFormSelector"));
    setWindowTitle(QStringLiteral("Select User Interface"));
    setBorderIcons(biSystemMenu);
    resize(323, 335);

    PageControl1 = new QTabWidget(PanelJQClient);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(8, 8, 282, 212);
    PageControl1->setStyleSheet(QString::fromLatin1(FlatTabsStyle));
    PageControl1->tabBar()->setDrawBase(false);
    TabSheetConverter = new TPicturePage(Image2, "selector/converter.png");
    TabSheetConverter->setObjectName(QStringLiteral("TabSheetConverter"));
    TabSheetCartoon = new TPicturePage(Image1, "selector/cartoon.png");
    TabSheetCartoon->setObjectName(QStringLiteral("TabSheetCartoon"));
    PageControl1->addTab(TabSheetConverter, InterfaceName(ConverterInterface));
    PageControl1->addTab(TabSheetCartoon, InterfaceName(CartoonInterface));
    TabSheetNone = new QWidget;
    TabSheetNone->setObjectName(QStringLiteral("TabSheetNone"));
    PageControl1->addTab(TabSheetNone, QString());
    PageControl1->setTabVisible(2, false);

    Bevel1 = new QFrame(PanelJQClient);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(8, 230, 281, 2);

    // The label lies over the line, hiding it behind the text.
    Label1 = new QLabel(QStringLiteral("Halden Software "), PanelJQClient);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont italic = font();
    italic.setItalic(true);
    Label1->setFont(italic);
    Label1->setEnabled(false);
    Label1->setAutoFillBackground(true);
    Label1->adjustSize();
    Label1->move(8, 224);
    Label1->raise();

    CheckBoxSelector =
        new QCheckBox(QStringLiteral("Display This Dialog at Startup"), PanelJQClient);
    CheckBoxSelector->setObjectName(QStringLiteral("CheckBoxSelector"));
    CheckBoxSelector->adjustSize();
    CheckBoxSelector->move(8, 248);

    Button1 = new QPushButton(QStringLiteral("Launch"), PanelJQClient);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(216, 240, 75, 25);
    Button1->setDefault(true);

    connect(PageControl1, &QTabWidget::currentChanged, this, &TJQFormSelector::PageControl1Change);
    connect(CheckBoxSelector, &QCheckBox::toggled, this, &TJQFormSelector::CheckBoxSelectorClick);
    connect(Button1, &QPushButton::clicked, this, &TJQFormSelector::Button1Click);

    // First shown here; afterwards wherever the user leaves it. A place
    // that lies on no screen (a smaller or missing monitor) is brought into
    // the primary work area.
    move(PlaceOnScreen(QRect(QPoint(394, 255), size())));
    JQFormSelector = this;
    SetMainWindow(this);
}

TJQFormSelector::~TJQFormSelector() {
    if (JQFormSelector == this)
        JQFormSelector = nullptr;
    if (MainWindow() == this)
        SetMainWindow(nullptr);
}

void TJQFormSelector::FormShow() {
    TJQForm::FormShow();
    Sizeable = false;
    {
        // Turning the page by program is no choice of the user's.
        const QSignalBlocker block(PageControl1);
        // A stored value outside the two opens no page (the empty one
        // without a tab); Launch still opens the cartoon interface for it.
        const int page = Settings.ActiveUI == 0 || Settings.ActiveUI == 1 ? Settings.ActiveUI : 2;
        PageControl1->setCurrentIndex(page);
    }
    CheckBoxSelector->setChecked(Settings.ShowSelector);
}

void TJQFormSelector::PageControl1Change(int index) {
    Settings.ActiveUI = index;
}

void TJQFormSelector::CheckBoxSelectorClick(bool checked) {
    Settings.ShowSelector = checked;
}

void TJQFormSelector::Button1Click() {
    hide();
    QWidget* window = nullptr;
    try {
        window = CreateInterfaceWindow();
    } catch (...) {
        // Nothing opened: the selector stays, so the user can choose again.
        show();
        throw;
    }
    window->show();
}

void TJQFormSelector::closeEvent(QCloseEvent* event) {
    // The selector is the main window: closing it ends the run.
    event->accept();
    hide();
    QApplication::exit(0);
}

} // namespace kalo
