#include "app/selector.h"

#include "app/interface_windows.h"
#include "app/settings_store.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kalo {

TJQFormSelector* JQFormSelector = nullptr;

TJQFormSelector::TJQFormSelector(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Select User Interface"));
    auto* layout = new QVBoxLayout(this);
    PageControl1 = new QTabWidget(this);
    PageControl1->addTab(new QLabel(InterfaceName(ConverterInterface)), InterfaceName(ConverterInterface));
    PageControl1->addTab(new QLabel(InterfaceName(CartoonInterface)), InterfaceName(CartoonInterface));
    CheckBoxSelector = new QCheckBox(QStringLiteral("Display This Dialog at Startup"), this);
    Button1 = new QPushButton(QStringLiteral("Launch"), this);
    layout->addWidget(PageControl1);
    layout->addWidget(CheckBoxSelector);
    layout->addWidget(Button1);
    connect(PageControl1, &QTabWidget::currentChanged, this, &TJQFormSelector::PageControl1Change);
    connect(CheckBoxSelector, &QCheckBox::toggled, this, &TJQFormSelector::CheckBoxSelectorClick);
    connect(Button1, &QPushButton::clicked, this, &TJQFormSelector::Button1Click);
    JQFormSelector = this;
}

void TJQFormSelector::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

void TJQFormSelector::closeEvent(QCloseEvent* event) {
    event->accept();
    QApplication::exit(0);
}

void TJQFormSelector::FormShow() {
    const QSignalBlocker block(PageControl1);
    PageControl1->setCurrentIndex(Settings.ActiveUI);
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
    QWidget* window = CreateInterfaceWindow();
    window->show();
}

} // namespace kalo
