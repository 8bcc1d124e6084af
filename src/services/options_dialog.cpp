#include "services/options_dialog.h"

#include "services/data_module.h"
#include "services/folder_picker.h"
#include "services/interface_windows.h"
#include "services/option_mappings.h"
#include "base/settings_store.h"
#include "ui/shared_helpers.h"
#include "ui/tool_tips.h"
#include "ui/ui_pictures.h"
#include "ui/window_placement.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QToolButton>

#include <climits>

namespace kalo {

namespace {

// The colour a tab widget shows behind a page's controls, read from the
// widget as drawn at a spot of the page where no control lies.
QColor tabPageColor(QTabWidget* tabs, QWidget* page, QPoint emptySpot) {
    const QPoint at = page->mapTo(tabs, emptySpot);
    const QImage image = tabs->grab(QRect(at, QSize(1, 1))).toImage();
    return image.isNull() ? tabs->palette().color(QPalette::Window) : image.pixelColor(0, 0);
}

TCharacterOptionsLink g_characterLink;

// The cartoon interface runs: its changes reach the character at once.
bool cartoonRunning() {
    return Settings.ActiveUI == 1 && !FormKALO.isNull();
}

QLabel* addLabel(QWidget* parent, const QString& text, QPoint at) {
    auto* label = new QLabel(text, parent);
    label->adjustSize();
    label->move(at);
    return label;
}

QSpinBox* addSpin(QWidget* parent, int minimum, int maximum) {
    auto* spin = new QSpinBox(parent);
    spin->setRange(minimum, maximum);
    spin->setAccelerated(true);
    return spin;
}

QComboBox* addList(QWidget* parent, const QStringList& items, const QRect& geometry) {
    auto* list = new QComboBox(parent);
    list->addItems(items);
    list->setGeometry(geometry);
    return list;
}

// Places a spin edit over the run of blanks in a caption, from the text
// before the blanks to the word after them; textLeft is where the caption's
// text begins, in the spin edit's parent.
void placeInGap(QSpinBox* spin, const QString& caption, const QFont& font, int textLeft,
                int centreY) {
    const QFontMetrics fm(font);
    const int gapStart = caption.indexOf(QStringLiteral("  "));
    int gapEnd = gapStart;
    while (gapEnd < caption.size() && caption[gapEnd] == ' ')
        ++gapEnd;
    const int left = textLeft + fm.horizontalAdvance(caption.left(gapStart)) + 4;
    const int right = textLeft + fm.horizontalAdvance(caption.left(gapEnd)) - 4;
    const int height = 21;
    spin->setGeometry(left, centreY - height / 2, std::max(40, right - left), height);
    spin->raise();
}

int checkBoxTextLeft(QCheckBox* box) {
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    return box->x() +
           box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box).left();
}

QToolButton* folderButton(QWidget* parent, const QRect& geometry) {
    auto* button = new QToolButton(parent);
    button->setText(QStringLiteral("..."));
    button->setGeometry(geometry);
    return button;
}

QLineEdit* folderEdit(QWidget* parent, const QRect& geometry) {
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setGeometry(geometry);
    return edit;
}

} // namespace

void SetCharacterOptionsLink(TCharacterOptionsLink link) {
    g_characterLink = std::move(link);
}

TFormOption::TFormOption(QWidget* parent) : TJQForm(parent, Qt::Dialog) {
    setObjectName(QStringLiteral("FormOption"));
    setWindowTitle(QStringLiteral(" Options"));
    setBorderIcons(biSystemMenu);
    resize(446, 353);

    PageControl1 = new QTabWidget(PanelJQClient);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(0, 0, 446 - FrameLeftWidth - FrameRightWidth, 249);
    PageControl1->addTab(buildGeneralPage(), UiPicture(QStringLiteral("options/page_general.png")),
                         QStringLiteral("General"));
    PageControl1->addTab(buildConverterPage(),
                         UiPicture(QStringLiteral("options/page_converter.png")),
                         QStringLiteral("Converter Settings"));
    PageControl1->addTab(buildCartoonPage(), UiPicture(QStringLiteral("options/page_cartoon.png")),
                         QStringLiteral("Cartoon Settings"));

    ButtonOK = new QPushButton(QStringLiteral("OK"), PanelJQClient);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonOK->setGeometry(350 - FrameLeftWidth, 308 - FrameTopHeight, 75, 25);
    ButtonOK->setDefault(true);
    connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
    // Every change is already stored, so Escape closes the dialog as OK does.
    setCancelButton(ButtonOK);
}

QWidget* TFormOption::buildGeneralPage() {
    // Made inside the page control at once, so its controls measure their
    // text in the dialog's font.
    TabSheet1 = new QWidget(PageControl1);
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    QWidget* page = TabSheet1;

    GroupBoxClipboard = new QGroupBox(page);
    GroupBoxClipboard->setObjectName(QStringLiteral("GroupBoxClipboard"));
    GroupBoxClipboard->setGeometry(8, 26, 400, 112);

    // The check box is the group's heading, lying on its top edge over the
    // frame line (its background hides the line behind it). It is not inside
    // the group, so it stays usable while the group is disabled.
    CheckBoxWatchClipboard = new QCheckBox(QStringLiteral("Watch Clipboard"), page);
    CheckBoxWatchClipboard->setObjectName(QStringLiteral("CheckBoxWatchClipboard"));
    CheckBoxWatchClipboard->setAutoFillBackground(true);
    CheckBoxWatchClipboard->adjustSize();
    CheckBoxWatchClipboard->resize(CheckBoxWatchClipboard->width() + 4,
                                   CheckBoxWatchClipboard->height());
    CheckBoxWatchClipboard->move(GroupBoxClipboard->x() + 8,
                                 GroupBoxClipboard->y() - CheckBoxWatchClipboard->height() / 2);
    CheckBoxWatchClipboard->raise();

    const QString ignoreCaption =
        QStringLiteral("Ignore Clipboard Text Less Than                  Characters");
    LabelIgnoreLen = addLabel(GroupBoxClipboard, ignoreCaption, {12, 16});
    SpinEditIgnoreLen = addSpin(GroupBoxClipboard, INT_MIN, INT_MAX);
    SpinEditIgnoreLen->setObjectName(QStringLiteral("SpinEditIgnoreLen"));
    placeInGap(SpinEditIgnoreLen, ignoreCaption, LabelIgnoreLen->font(), 12,
               LabelIgnoreLen->geometry().center().y());

    CheckBoxPrompt =
        new QCheckBox(QStringLiteral("Display Prompt Dialog for                        Seconds"),
                      GroupBoxClipboard);
    CheckBoxPrompt->setObjectName(QStringLiteral("CheckBoxPrompt"));
    CheckBoxPrompt->adjustSize();
    CheckBoxPrompt->move(10, 44);
    SpinEditPromptDelay = addSpin(GroupBoxClipboard, 1, 999);
    SpinEditPromptDelay->setObjectName(QStringLiteral("SpinEditPromptDelay"));
    placeInGap(SpinEditPromptDelay, CheckBoxPrompt->text(), CheckBoxPrompt->font(),
               checkBoxTextLeft(CheckBoxPrompt), CheckBoxPrompt->geometry().center().y());

    addLabel(GroupBoxClipboard, QStringLiteral("Default Action:"), {12, 80});
    ComboBoxDefAction = addList(GroupBoxClipboard,
                                {QStringLiteral("Read Now!"), QStringLiteral("New"),
                                 QStringLiteral("Append"), QStringLiteral("Cancel")},
                                QRect(100, 76, 120, 22));
    ComboBoxDefAction->setObjectName(QStringLiteral("ComboBoxDefAction"));

    CheckBoxHint = new QCheckBox(QStringLiteral("Show Hints"), page);
    CheckBoxHint->setObjectName(QStringLiteral("CheckBoxHint"));
    CheckBoxHint->adjustSize();
    CheckBoxHint->move(10, 146);

    addLabel(page, QStringLiteral("Download More Engines for Different Languages: "), {12, 170});
    ComboBoxEngines = addList(page, EngineDownloadItems(), QRect(12, 186, 250, 22));
    ComboBoxEngines->setObjectName(QStringLiteral("ComboBoxEngines"));
    SpeedButton4 = new QToolButton(page);
    SpeedButton4->setObjectName(QStringLiteral("SpeedButton4"));
    SpeedButton4->setIcon(UiPicture(QStringLiteral("options/download.png")));
    SpeedButton4->setIconSize(QSize(20, 20));
    SpeedButton4->setGeometry(268, 184, 26, 26);
    SpeedButton4->setToolTip(QStringLiteral("Download Now!"));
    SpeedButton4->setAutoRaise(true);

    // The states the page was designed with: filling a check box from a
    // setting that differs flips it and so runs its handler.
    // A spin edit's design value differs from both ends of its range, so a
    // setting outside the range is stored as the value shown.
    CheckBoxWatchClipboard->setChecked(true);
    CheckBoxPrompt->setChecked(true);
    CheckBoxHint->setChecked(true);
    SpinEditPromptDelay->setValue(3);

    connect(CheckBoxWatchClipboard, &QCheckBox::toggled, this,
            &TFormOption::CheckBoxWatchClipboardClick);
    connect(SpinEditIgnoreLen, &QSpinBox::valueChanged, this,
            &TFormOption::SpinEditIgnoreLenChange);
    connect(CheckBoxPrompt, &QCheckBox::toggled, this, &TFormOption::CheckBoxPromptClick);
    connect(SpinEditPromptDelay, &QSpinBox::valueChanged, this,
            &TFormOption::SpinEditPromptDelayChange);
    connect(ComboBoxDefAction, &QComboBox::activated, this, &TFormOption::ComboBoxDefActionChange);
    connect(CheckBoxHint, &QCheckBox::toggled, this, &TFormOption::CheckBoxHintClick);
    connect(SpeedButton4, &QToolButton::clicked, this, &TFormOption::SpeedButton4Click);
    return page;
}

QWidget* TFormOption::buildConverterPage() {
    // Made inside the page control at once, so its controls measure their
    // text in the dialog's font.
    TabSheetConverter = new QWidget(PageControl1);
    TabSheetConverter->setObjectName(QStringLiteral("TabSheetConverter"));
    QWidget* page = TabSheetConverter;

    GroupBox3 = new QGroupBox(QStringLiteral(" Default File Output Directories "), page);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    GroupBox3->setGeometry(8, 6, 400, 112);
    addLabel(GroupBox3, QStringLiteral("Documents Directory:"), {12, 28});
    EditTxt = folderEdit(GroupBox3, QRect(136, 24, 224, 21));
    EditTxt->setObjectName(QStringLiteral("EditTxt"));
    SpeedButton1 = folderButton(GroupBox3, QRect(364, 24, 24, 21));
    addLabel(GroupBox3, QStringLiteral("WAV Files Directory:"), {12, 56});
    EditWav = folderEdit(GroupBox3, QRect(136, 52, 224, 21));
    EditWav->setObjectName(QStringLiteral("EditWav"));
    SpeedButton2 = folderButton(GroupBox3, QRect(364, 52, 24, 21));
    addLabel(GroupBox3, QStringLiteral("MP3 Files Directory:"), {12, 84});
    EditMp3 = folderEdit(GroupBox3, QRect(136, 80, 224, 21));
    EditMp3->setObjectName(QStringLiteral("EditMp3"));
    SpeedButton3 = folderButton(GroupBox3, QRect(364, 80, 24, 21));

    CheckBoxAutoNext = new QCheckBox(QStringLiteral("Auto Read Next Document"), page);
    CheckBoxAutoNext->setObjectName(QStringLiteral("CheckBoxAutoNext"));
    CheckBoxAutoNext->adjustSize();
    CheckBoxAutoNext->move(18, 128);
    CheckBoxAutoName = new QCheckBox(QStringLiteral("Auto Name for Wav/Mp3 Files"), page);
    CheckBoxAutoName->setObjectName(QStringLiteral("CheckBoxAutoName"));
    CheckBoxAutoName->adjustSize();
    CheckBoxAutoName->move(18, 152);
    addLabel(page, QStringLiteral("Write to File( .wav/.mp3 ) Speed:"), {18, 184});
    ComboBoxWriteSpeed = addList(page, WriteSpeedItems(), QRect(210, 180, 80, 22));
    ComboBoxWriteSpeed->setObjectName(QStringLiteral("ComboBoxWriteSpeed"));

    connect(SpeedButton1, &QToolButton::clicked, this, &TFormOption::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TFormOption::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TFormOption::SpeedButton3Click);
    connect(EditTxt, &QLineEdit::textChanged, this, &TFormOption::EditTxtChange);
    connect(EditWav, &QLineEdit::textChanged, this, &TFormOption::EditWavChange);
    connect(EditMp3, &QLineEdit::textChanged, this, &TFormOption::EditMp3Change);
    connect(CheckBoxAutoNext, &QCheckBox::toggled, this, &TFormOption::CheckBoxAutoNextClick);
    connect(CheckBoxAutoName, &QCheckBox::toggled, this, &TFormOption::CheckBoxAutoNameClick);
    connect(ComboBoxWriteSpeed, &QComboBox::activated, this,
            &TFormOption::ComboBoxWriteSpeedChange);
    return page;
}

QWidget* TFormOption::buildCartoonPage() {
    // Made inside the page control at once, so its controls measure their
    // text in the dialog's font.
    TabSheetCartoon = new QWidget(PageControl1);
    TabSheetCartoon->setObjectName(QStringLiteral("TabSheetCartoon"));
    QWidget* page = TabSheetCartoon;

    auto* voice = new QGroupBox(QStringLiteral(" Voice "), page);
    voice->setGeometry(8, 6, 400, 112);
    QLabel* pitch = addLabel(voice, QStringLiteral("Pitch:"), {12, 24});
    QFont pitchFont = pitch->font();
    pitchFont.setBold(true);
    pitchFont.setUnderline(true);
    pitch->setFont(pitchFont);
    pitch->adjustSize();
    addLabel(voice, QStringLiteral("The pitch of the character's voice"),
             {pitch->geometry().right() + 8, 24});
    TrackBarPit = new QSlider(Qt::Horizontal, voice);
    TrackBarPit->setObjectName(QStringLiteral("TrackBarPit"));
    TrackBarPit->setRange(50, 400);
    TrackBarPit->setTickInterval(10);
    TrackBarPit->setTickPosition(QSlider::TicksBelow);
    TrackBarPit->setPageStep(10);
    TrackBarPit->setGeometry(10, 42, 380, 30);
    TrackBarPit->setValue(100); // away from both ends, as the spin edits
    addLabel(voice, QStringLiteral("Voice Type:"), {12, 84});
    ComboBoxType = addList(voice, VoiceTypeItems(), QRect(90, 80, 120, 22));
    ComboBoxType->setObjectName(QStringLiteral("ComboBoxType"));

    auto* size = new QGroupBox(QStringLiteral(" Size "), page);
    size->setGeometry(8, 126, 260, 60);
    addLabel(size, QStringLiteral("Width:"), {12, 30});
    SpinEditWidth = addSpin(size, INT_MIN, INT_MAX);
    SpinEditWidth->setObjectName(QStringLiteral("SpinEditWidth"));
    SpinEditWidth->setGeometry(56, 26, 66, 22);
    addLabel(size, QStringLiteral("Height:"), {136, 30});
    SpinEditHeight = addSpin(size, INT_MIN, INT_MAX);
    SpinEditHeight->setObjectName(QStringLiteral("SpinEditHeight"));
    SpinEditHeight->setGeometry(182, 26, 66, 22);

    CheckBoxGreeting = new QCheckBox(QStringLiteral("Greeting at Startup"), page);
    CheckBoxGreeting->setObjectName(QStringLiteral("CheckBoxGreeting"));
    CheckBoxGreeting->adjustSize();
    CheckBoxGreeting->move(18, 194);

    connect(TrackBarPit, &QSlider::valueChanged, this, &TFormOption::TrackBarPitChange);
    connect(ComboBoxType, &QComboBox::activated, this, &TFormOption::ComboBoxTypeChange);
    connect(SpinEditWidth, &QSpinBox::valueChanged, this, &TFormOption::SpinEditWidthChange);
    connect(SpinEditHeight, &QSpinBox::valueChanged, this, &TFormOption::SpinEditHeightChange);
    connect(CheckBoxGreeting, &QCheckBox::toggled, this, &TFormOption::CheckBoxGreetingClick);
    return page;
}

void TFormOption::FormShow() {
    TJQForm::FormShow();
    Sizeable = false;
    // The heading's background is the page's own, so it hides the frame
    // line behind it and nothing more.
    QPalette heading = CheckBoxWatchClipboard->palette();
    heading.setColor(CheckBoxWatchClipboard->backgroundRole(),
                     tabPageColor(PageControl1, PageControl1->currentWidget(), QPoint(2, 2)));
    CheckBoxWatchClipboard->setPalette(heading);

    // Each control takes its setting; a control whose state really changes
    // runs its handler, so enabled states follow the settings and folder
    // settings get their trailing "/". Lists are set without their handlers.
    CheckBoxWatchClipboard->setChecked(Settings.AutoSpeak);
    SpinEditIgnoreLen->setValue(Settings.IgnoreLen);
    CheckBoxPrompt->setChecked(Settings.ShowPrompt);
    SpinEditPromptDelay->setValue(Settings.PromptDelay);
    ComboBoxDefAction->setCurrentIndex(Settings.DefAction);
    CheckBoxHint->setChecked(Settings.ShowHint);
    {
        // The controls that reach the running character show its settings
        // without running their handlers: showing the dialog changes
        // nothing, and a character hidden at 0 by 0 stays hidden.
        const QSignalBlocker pitch(TrackBarPit);
        const QSignalBlocker width(SpinEditWidth);
        const QSignalBlocker height(SpinEditHeight);
        TrackBarPit->setValue(Settings.Pit);
        SpinEditWidth->setValue(Settings.Width);
        SpinEditHeight->setValue(Settings.Height);
    }
    ComboBoxType->setCurrentIndex(VoiceTypeItemFor(Settings.VoiceType));
    CheckBoxGreeting->setChecked(Settings.GreetingWhenStart);
    EditTxt->setText(Settings.DefTxtPath);
    EditWav->setText(Settings.DefWavPath);
    EditMp3->setText(Settings.DefMp3Path);
    ComboBoxWriteSpeed->setCurrentIndex(WriteSpeedItemFor(Settings.RealTime, WriteSpeedItems()));
    CheckBoxAutoNext->setChecked(Settings.AutoNext);
    CheckBoxAutoName->setChecked(Settings.AutoName);
    ComboBoxEngines->setCurrentIndex(0);
    // The enabled states follow the check boxes also where no box flipped.
    GroupBoxClipboard->setEnabled(CheckBoxWatchClipboard->isChecked());
    SpinEditPromptDelay->setEnabled(CheckBoxPrompt->isChecked());

    // Only the running interface's page can be reached.
    const int converterPage = PageControl1->indexOf(TabSheetConverter);
    const int cartoonPage = PageControl1->indexOf(TabSheetCartoon);
    const bool converter = Settings.ActiveUI == 0;
    PageControl1->setTabVisible(converterPage, converter);
    PageControl1->setTabVisible(cartoonPage, !converter);
    PageControl1->setCurrentIndex(converter ? converterPage : cartoonPage);
}

void TFormOption::CheckBoxWatchClipboardClick(bool checked) {
    Settings.AutoSpeak = checked;
    GroupBoxClipboard->setEnabled(checked);
    if (cartoonRunning() && g_characterLink.setAutoSpeak)
        g_characterLink.setAutoSpeak(checked);
}

void TFormOption::SpinEditIgnoreLenChange(int value) {
    Settings.IgnoreLen = value;
}

void TFormOption::CheckBoxPromptClick(bool checked) {
    Settings.ShowPrompt = checked;
    SpinEditPromptDelay->setEnabled(checked);
}

void TFormOption::SpinEditPromptDelayChange(int value) {
    Settings.PromptDelay = value;
}

void TFormOption::ComboBoxDefActionChange(int index) {
    Settings.DefAction = index;
}

void TFormOption::CheckBoxHintClick(bool checked) {
    Settings.ShowHint = checked;
    SetToolTipsEnabled(checked);
}

void TFormOption::SpeedButton4Click() {
    const int i = ComboBoxEngines->currentIndex();
    const QStringList pages = EngineDownloadPages();
    if (i < 0 || i >= pages.size())
        return;
    ShowMessageBox(QStringLiteral("You can download ") + ComboBoxEngines->currentText() +
                       QStringLiteral(" at:\n") + pages[i],
                   MB_ICONINFORMATION);
    ShellOpen(pages[i], QStringLiteral("Open"), SW_SHOWMAXIMIZED);
}

void TFormOption::pickFolder(QLineEdit* edit) {
    const QString path = SelectFolder(QStringLiteral("Select a folder as the default"));
    if (path.isEmpty())
        return;
    edit->setText(FolderEditText(path));
}

void TFormOption::SpeedButton1Click() {
    pickFolder(EditTxt);
}

void TFormOption::SpeedButton2Click() {
    pickFolder(EditWav);
}

void TFormOption::SpeedButton3Click() {
    pickFolder(EditMp3);
}

void TFormOption::EditTxtChange(const QString& text) {
    Settings.DefTxtPath = FolderSetting(text);
    if (dmMain) {
        dmMain->OpenDialogTxt.initialDir = Settings.DefTxtPath;
        dmMain->SaveDialogTxt.initialDir = Settings.DefTxtPath;
    }
}

void TFormOption::EditWavChange(const QString& text) {
    Settings.DefWavPath = FolderSetting(text);
}

void TFormOption::EditMp3Change(const QString& text) {
    Settings.DefMp3Path = FolderSetting(text);
}

void TFormOption::CheckBoxAutoNextClick(bool checked) {
    Settings.AutoNext = checked;
}

void TFormOption::CheckBoxAutoNameClick(bool checked) {
    Settings.AutoName = checked;
}

void TFormOption::ComboBoxWriteSpeedChange(int index) {
    Settings.RealTime = RealTimeForWriteSpeed(ComboBoxWriteSpeed->itemText(index));
}

void TFormOption::TrackBarPitChange(int position) {
    Settings.Pit = position;
    if (cartoonRunning() && g_characterLink.setPitch)
        g_characterLink.setPitch(position);
}

void TFormOption::ComboBoxTypeChange(int index) {
    Settings.VoiceType = VoiceTypeForItem(index);
    if (cartoonRunning() && g_characterLink.setVoiceType)
        g_characterLink.setVoiceType(Settings.VoiceType);
}

void TFormOption::SpinEditWidthChange(int value) {
    Settings.Width = CutTo16Bits(value);
    if (cartoonRunning() && g_characterLink.setWidth)
        g_characterLink.setWidth(Settings.Width);
}

void TFormOption::SpinEditHeightChange(int value) {
    Settings.Height = CutTo16Bits(value);
    if (cartoonRunning() && g_characterLink.setHeight)
        g_characterLink.setHeight(Settings.Height);
}

void TFormOption::CheckBoxGreetingClick(bool checked) {
    Settings.GreetingWhenStart = checked;
}

void ShowOptions() {
    TFormOption options;
    CentreOver(options, nullptr);
    options.exec();
}

} // namespace kalo
