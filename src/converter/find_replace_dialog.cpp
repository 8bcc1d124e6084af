#include "converter/find_replace_dialog.h"

#include "ui/shared_helpers.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QVBoxLayout>

namespace kalo {

TFindReplaceDialog::TFindReplaceDialog(QPlainTextEdit* editor, QWidget* parent)
    : QDialog(parent), editor_(editor) {
    setModal(false);
    EditFind = new QLineEdit(this);
    EditReplace = new QLineEdit(this);
    CheckBoxMatchCase = new QCheckBox(QStringLiteral("Match &case"), this);
    CheckBoxWholeWord = new QCheckBox(QStringLiteral("Match &whole word only"), this);
    RadioUp = new QRadioButton(QStringLiteral("&Up"), this);
    RadioDown = new QRadioButton(QStringLiteral("&Down"), this);
    RadioDown->setChecked(true);
    ButtonFindNext = new QPushButton(QStringLiteral("&Find Next"), this);
    ButtonReplace = new QPushButton(QStringLiteral("&Replace"), this);
    ButtonReplaceAll = new QPushButton(QStringLiteral("Replace &All"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButtonFindNext->setDefault(true);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Fi&nd what:"), this), 0, 0);
    grid->addWidget(EditFind, 0, 1);
    auto* replaceLabel = new QLabel(QStringLiteral("Re&place with:"), this);
    replaceLabel->setObjectName(QStringLiteral("LabelReplace"));
    grid->addWidget(replaceLabel, 1, 0);
    grid->addWidget(EditReplace, 1, 1);
    auto* direction = new QGroupBox(QStringLiteral("Direction"), this);
    direction->setObjectName(QStringLiteral("GroupBoxDirection"));
    auto* dirLayout = new QHBoxLayout(direction);
    dirLayout->addWidget(RadioUp);
    dirLayout->addWidget(RadioDown);
    auto* left = new QVBoxLayout;
    left->addLayout(grid);
    left->addWidget(CheckBoxMatchCase);
    left->addWidget(CheckBoxWholeWord);
    left->addWidget(direction);
    left->addStretch();
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ButtonFindNext);
    buttons->addWidget(ButtonReplace);
    buttons->addWidget(ButtonReplaceAll);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    connect(ButtonFindNext, &QPushButton::clicked, this, [this] {
        if (firstPending_) {
            firstPending_ = false;
            FindFirst();
        } else {
            FindNext();
        }
    });
    connect(ButtonReplace, &QPushButton::clicked, this, &TFindReplaceDialog::replaceOne);
    connect(ButtonReplaceAll, &QPushButton::clicked, this, &TFindReplaceDialog::replaceAll);
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
    connect(EditFind, &QLineEdit::textChanged, this,
            [this](const QString& t) { ButtonFindNext->setEnabled(!t.isEmpty()); });
    ButtonFindNext->setEnabled(false);
}

void TFindReplaceDialog::prepare(bool replace) {
    setWindowTitle(replace ? QStringLiteral("Replace") : QStringLiteral("Find"));
    EditReplace->setVisible(replace);
    findChild<QLabel*>(QStringLiteral("LabelReplace"))->setVisible(replace);
    ButtonReplace->setVisible(replace);
    ButtonReplaceAll->setVisible(replace);
    findChild<QGroupBox*>(QStringLiteral("GroupBoxDirection"))->setVisible(!replace);
    if (replace)
        RadioDown->setChecked(true);
    const QString selected = editor_->textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        EditFind->setText(selected);
    adjustSize();
    show();
    raise();
    activateWindow();
    EditFind->setFocus();
    EditFind->selectAll();
}

void TFindReplaceDialog::ShowFind() {
    firstPending_ = false;
    prepare(false);
}

void TFindReplaceDialog::ShowFindFirst() {
    prepare(false);
    firstPending_ = true;
}

void TFindReplaceDialog::ShowReplace() {
    firstPending_ = false;
    prepare(true);
}

FindOptions TFindReplaceDialog::options() const {
    return {CheckBoxMatchCase->isChecked(), CheckBoxWholeWord->isChecked(), !RadioUp->isChecked()};
}

bool TFindReplaceDialog::findFrom(qsizetype from, bool forward) {
    const QString text = editor_->document()->toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    FindOptions opts = options();
    if (forward)
        opts.down = true;
    const qsizetype at = FindText(text, EditFind->text(), from, opts);
    searched_ = true;
    emit Searched();
    if (at < 0) {
        notFound();
        return false;
    }
    QTextCursor cursor = editor_->textCursor();
    cursor.setPosition(static_cast<int>(at));
    cursor.setPosition(static_cast<int>(at + EditFind->text().size()), QTextCursor::KeepAnchor);
    editor_->setTextCursor(cursor);
    editor_->ensureCursorVisible();
    return true;
}

bool TFindReplaceDialog::FindNext() {
    if (EditFind->text().isEmpty())
        return false;
    const QTextCursor cursor = editor_->textCursor();
    return findFrom(options().down ? cursor.selectionEnd() : cursor.selectionStart());
}

bool TFindReplaceDialog::FindFirst() {
    if (EditFind->text().isEmpty())
        return false;
    firstPending_ = false;
    return findFrom(0, true);
}

void TFindReplaceDialog::replaceOne() {
    QTextCursor cursor = editor_->textCursor();
    const Qt::CaseSensitivity cs = CheckBoxMatchCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (cursor.hasSelection() && cursor.selectedText().compare(EditFind->text(), cs) == 0) {
        cursor.insertText(EditReplace->text());
        editor_->setTextCursor(cursor);
    }
    FindNext();
}

void TFindReplaceDialog::replaceAll() {
    QString text = editor_->document()->toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    const qsizetype count = ReplaceAllText(text, EditFind->text(), EditReplace->text(), options());
    searched_ = true;
    emit Searched();
    if (count == 0) {
        notFound();
        return;
    }
    // One edit block, so a single Undo takes the whole replacement back.
    QTextCursor cursor(editor_->document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.insertText(text);
    cursor.endEditBlock();
    ShowMessageBox(QStringLiteral("%1 replacement(s) made.").arg(count), MB_ICONINFORMATION);
}

void TFindReplaceDialog::notFound() {
    ShowMessageBox(QStringLiteral("Cannot find \"%1\"").arg(EditFind->text()), MB_ICONINFORMATION);
}

} // namespace kalo
