// The interface selector: the application's main window for the whole run.
// The user picks the converter or the cartoon interface and launches it;
// closing the selector ends the program.
#pragma once

#include "ui/dialog_frame.h"

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QTabWidget;
class QWidget;

namespace kalo {

class TJQImage;

class TJQFormSelector : public TJQForm {
    Q_OBJECT
public:
    explicit TJQFormSelector(QWidget* parent = nullptr);
    ~TJQFormSelector() override;

    // Launch: hides the selector, creates the interface window ActiveUI
    // names and shows it. Start-up calls it directly when the selector is
    // switched off.
    void Button1Click();

    void FormShow() override;

    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheetConverter = nullptr;
    QWidget* TabSheetCartoon = nullptr;
    // An empty page without a tab: open when ActiveUI names neither
    // interface, so no page is open.
    QWidget* TabSheetNone = nullptr;
    TJQImage* Image1 = nullptr; // the cartoon interface
    TJQImage* Image2 = nullptr; // the converter
    QLabel* Label1 = nullptr;
    QFrame* Bevel1 = nullptr;
    QCheckBox* CheckBoxSelector = nullptr;
    QPushButton* Button1 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void PageControl1Change(int index);
    void CheckBoxSelectorClick(bool checked);
};

// The one selector of the process, or null outside its life.
extern TJQFormSelector* JQFormSelector;

} // namespace kalo
