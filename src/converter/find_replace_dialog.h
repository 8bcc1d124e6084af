// The converter's find and replace dialog: modeless, searching the editor.
#pragma once

#include "converter/find_text.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace kalo {

class TFindReplaceDialog : public QDialog {
    Q_OBJECT
public:
    TFindReplaceDialog(QPlainTextEdit* editor, QWidget* parent);

    // Shows the dialog for finding only, or for finding and replacing,
    // prefilled with the editor's selection when it is on one line.
    void ShowFind();
    void ShowReplace();
    // Find First with nothing to look for yet: the find dialog, whose first
    // search then starts at the beginning of the text.
    void ShowFindFirst();

    // FindNext searches from the caret in the chosen direction; FindFirst
    // takes the first match in the text, whatever the direction. Each selects
    // the match and returns true, or says it was not found and returns false.
    bool FindNext();
    bool FindFirst();
    bool HasSearched() const { return searched_; }

    QLineEdit* EditFind = nullptr;
    QLineEdit* EditReplace = nullptr;
    QCheckBox* CheckBoxMatchCase = nullptr;
    QCheckBox* CheckBoxWholeWord = nullptr;
    QRadioButton* RadioUp = nullptr;
    QRadioButton* RadioDown = nullptr;
    QPushButton* ButtonFindNext = nullptr;
    QPushButton* ButtonReplace = nullptr;
    QPushButton* ButtonReplaceAll = nullptr;

signals:
    // A search was made; Find Next becomes available.
    void Searched();

private:
    void prepare(bool replace);
    FindOptions options() const;
    bool findFrom(qsizetype from, bool forward = false);
    void replaceOne();
    void replaceAll();
    void notFound();

    QPlainTextEdit* editor_;
    bool searched_ = false;
    bool firstPending_ = false;
};

} // namespace kalo
