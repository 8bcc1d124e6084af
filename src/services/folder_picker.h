// The folder picker: a folders-only tree of the file system, OK only for a
// real, existing folder.
#pragma once

#include "ui/dialog_frame.h"

#include <functional>
#include <memory>

class QAbstractFileIconProvider;
class QFileSystemModel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace kalo {

class TFormShellTree : public TJQForm {
    Q_OBJECT
public:
    explicit TFormShellTree(QWidget* parent = nullptr);
    ~TFormShellTree() override;

    void FormShow() override;

    // The folder selected in the tree, when it is a usable one; else empty.
    QString SelectedFolder() const;

    QLineEdit* EditPath = nullptr;
    QTreeView* ShellTreeView1 = nullptr;
    QFileSystemModel* FolderModel = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonCancel = nullptr;

    // The selection in the tree changed.
    void ShellTreeView1Change();

    // Selects a folder in the tree as the user would (opening the folders
    // above it); false when the tree does not hold it.
    bool SelectPath(const QString& path);

private:
    std::unique_ptr<QAbstractFileIconProvider> iconProvider_;
};

// True for a path the picker may return: an absolute path of an existing
// folder.
bool UsableFolder(const QString& path);

// Shows the picker with " " + caption as its caption, modally, centred over
// the main window; returns the folder chosen (the root as "/", any other
// folder without a trailing "/"), or the empty string when cancelled.
QString SelectFolder(const QString& caption);

// Replaceable for tests of the windows that ask for a folder; an empty
// function restores the picker.
using FolderPicker = std::function<QString(const QString& caption)>;
void SetFolderPicker(FolderPicker picker);

} // namespace kalo
