// The interface selector: the application's main window for the whole run.
#pragma once

#include <QWidget>

class QCheckBox;
class QPushButton;
class QTabWidget;

namespace kalo {

class TJQFormSelector : public QWidget {
    Q_OBJECT
public:
    explicit TJQFormSelector(QWidget* parent = nullptr);

    // Launch: hides the selector, creates the interface window ActiveUI
    // names and shows it.
    void Button1Click();

    QTabWidget* PageControl1 = nullptr;
    QCheckBox* CheckBoxSelector = nullptr;
    QPushButton* Button1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();
    void PageControl1Change(int index);
    void CheckBoxSelectorClick(bool checked);
};

extern TJQFormSelector* JQFormSelector;

} // namespace kalo
