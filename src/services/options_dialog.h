// The options dialog: three pages of settings, each control writing its
// setting the moment it changes. There is nothing to undo; OK just closes.
#pragma once

#include "ui/dialog_frame.h"

#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QToolButton;

namespace kalo {

// How the options dialog reaches the running character: the player window
// sets these while it exists. The dialog calls them only while the cartoon
// interface runs (ActiveUI 1 and a player window), and skips those not set.
struct TCharacterOptionsLink {
    std::function<void(int pitch)> setPitch;
    std::function<void(const QString& voiceType)> setVoiceType;
    std::function<void(short width)> setWidth;
    std::function<void(short height)> setHeight;
    // "Watch Clipboard" changed: the player's check mark follows.
    std::function<void(bool on)> setAutoSpeak;
};
void SetCharacterOptionsLink(TCharacterOptionsLink link);

class TFormOption : public TJQForm {
    Q_OBJECT
public:
    explicit TFormOption(QWidget* parent = nullptr);

    void FormShow() override;

    QTabWidget* PageControl1 = nullptr;
    QPushButton* ButtonOK = nullptr;
    // General.
    QWidget* TabSheet1 = nullptr;
    QCheckBox* CheckBoxWatchClipboard = nullptr;
    QGroupBox* GroupBoxClipboard = nullptr;
    QLabel* LabelIgnoreLen = nullptr;
    QSpinBox* SpinEditIgnoreLen = nullptr;
    QCheckBox* CheckBoxPrompt = nullptr;
    QSpinBox* SpinEditPromptDelay = nullptr;
    QComboBox* ComboBoxDefAction = nullptr;
    QCheckBox* CheckBoxHint = nullptr;
    QComboBox* ComboBoxEngines = nullptr;
    QToolButton* SpeedButton4 = nullptr;
    // Converter Settings.
    QWidget* TabSheetConverter = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QLineEdit* EditTxt = nullptr;
    QLineEdit* EditWav = nullptr;
    QLineEdit* EditMp3 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QCheckBox* CheckBoxAutoNext = nullptr;
    QCheckBox* CheckBoxAutoName = nullptr;
    QComboBox* ComboBoxWriteSpeed = nullptr;
    // Cartoon Settings.
    QWidget* TabSheetCartoon = nullptr;
    QSlider* TrackBarPit = nullptr;
    QComboBox* ComboBoxType = nullptr;
    QSpinBox* SpinEditWidth = nullptr;
    QSpinBox* SpinEditHeight = nullptr;
    QCheckBox* CheckBoxGreeting = nullptr;

    void CheckBoxWatchClipboardClick(bool checked);
    void SpinEditIgnoreLenChange(int value);
    void CheckBoxPromptClick(bool checked);
    void SpinEditPromptDelayChange(int value);
    void ComboBoxDefActionChange(int index);
    void CheckBoxHintClick(bool checked);
    void SpeedButton4Click();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void EditTxtChange(const QString& text);
    void EditWavChange(const QString& text);
    void EditMp3Change(const QString& text);
    void CheckBoxAutoNextClick(bool checked);
    void CheckBoxAutoNameClick(bool checked);
    void ComboBoxWriteSpeedChange(int index);
    void TrackBarPitChange(int position);
    void ComboBoxTypeChange(int index);
    void SpinEditWidthChange(int value);
    void SpinEditHeightChange(int value);
    void CheckBoxGreetingClick(bool checked);

private:
    QWidget* buildGeneralPage();
    QWidget* buildConverterPage();
    QWidget* buildCartoonPage();
    void pickFolder(QLineEdit* edit);
};

// Shows the options dialog modally, centred on the screen, and destroys it
// when it closes.
void ShowOptions();

} // namespace kalo
