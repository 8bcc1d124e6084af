#include "services/folder_picker.h"

#include "services/interface_windows.h"
#include "ui/window_placement.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeView>

namespace kalo {

namespace {

FolderPicker g_folderPicker;

// Folder pictures from the style, so the tree shows them without a desktop
// icon theme.
class TFolderIcons : public QAbstractFileIconProvider {
public:
    QIcon icon(IconType type) const override {
        return QApplication::style()->standardIcon(type == Drive ? QStyle::SP_DriveHDIcon
                                                                 : QStyle::SP_DirIcon);
    }
    QIcon icon(const QFileInfo& info) const override {
        const QString path = info.absoluteFilePath();
        if (info.isRoot())
            return QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon);
        if (path == QDir::homePath())
            return QApplication::style()->standardIcon(QStyle::SP_DirHomeIcon);
        return QApplication::style()->standardIcon(QStyle::SP_DirIcon);
    }
};

} // namespace

bool UsableFolder(const QString& path) {
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return false;
    return QFileInfo(path).isDir();
}

TFormShellTree::TFormShellTree(QWidget* parent) : TJQForm(parent, Qt::Dialog) {
    setObjectName(QStringLiteral("FormShellTree"));
    setBorderIcons(biSystemMenu);
    resize(410, 294);

    EditPath = new QLineEdit(PanelJQClient);
    EditPath->setObjectName(QStringLiteral("EditPath"));
    EditPath->setReadOnly(true);
    EditPath->setFrame(false);
    EditPath->setGeometry(8, 8, 377, 17);
    QPalette pal = EditPath->palette();
    pal.setColor(QPalette::Base, palette().color(QPalette::Window));
    EditPath->setPalette(pal);
    EditPath->setFocusPolicy(Qt::NoFocus);

    // Folders only, from the root of the file system down; the tree is read
    // as it is opened and not watched afterwards.
    FolderModel = new QFileSystemModel(this);
    iconProvider_ = std::make_unique<TFolderIcons>();
    FolderModel->setIconProvider(iconProvider_.get());
    FolderModel->setOption(QFileSystemModel::DontWatchForChanges);
    FolderModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    FolderModel->setRootPath(QStringLiteral("/"));

    ShellTreeView1 = new QTreeView(PanelJQClient);
    ShellTreeView1->setObjectName(QStringLiteral("ShellTreeView1"));
    ShellTreeView1->setGeometry(8, 33, 289, 192);
    ShellTreeView1->setModel(FolderModel);
    for (int column = 1; column < FolderModel->columnCount(); ++column)
        ShellTreeView1->hideColumn(column);
    ShellTreeView1->header()->hide();
    ShellTreeView1->setContextMenuPolicy(Qt::NoContextMenu);
    ShellTreeView1->setSelectionMode(QAbstractItemView::SingleSelection);

    ButtonOK = new QPushButton(QStringLiteral("OK"), PanelJQClient);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonOK->setGeometry(305, 33, 75, 25);
    ButtonOK->setDefault(true);
    ButtonOK->setEnabled(false);
    ButtonCancel = new QPushButton(QStringLiteral("Cancel"), PanelJQClient);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    ButtonCancel->setGeometry(305, 65, 75, 25);
    setCancelButton(ButtonCancel);

    // The selection counts, not the current item: the tree makes its first
    // item current when it takes the focus, which chooses nothing.
    connect(ShellTreeView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TFormShellTree::ShellTreeView1Change);
    connect(ButtonOK, &QPushButton::clicked, this, [this] {
        // The folder may have gone since it was selected.
        if (UsableFolder(SelectedFolder()))
            accept();
        else
            ShellTreeView1Change();
    });
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);

    // Open the tree at the home folder, without choosing it.
    const QModelIndex home = FolderModel->index(QDir::homePath());
    for (QModelIndex i = home.parent(); i.isValid(); i = i.parent())
        ShellTreeView1->expand(i);
}

TFormShellTree::~TFormShellTree() {
    // The model asks its icon provider until it goes.
    delete FolderModel;
}

void TFormShellTree::FormShow() {
    TJQForm::FormShow();
    Sizeable = false;
    const QModelIndex home = FolderModel->index(QDir::homePath());
    if (home.isValid())
        ShellTreeView1->scrollTo(home);
}

QString TFormShellTree::SelectedFolder() const {
    const QModelIndexList selected = ShellTreeView1->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return {};
    return FolderModel->filePath(selected.first());
}

void TFormShellTree::ShellTreeView1Change() {
    const QString path = SelectedFolder();
    const bool usable = UsableFolder(path);
    ButtonOK->setEnabled(usable);
    EditPath->setText(usable ? path : QString());
}

bool TFormShellTree::SelectPath(const QString& path) {
    const QModelIndex index = FolderModel->index(path);
    if (!index.isValid())
        return false;
    for (QModelIndex i = index.parent(); i.isValid(); i = i.parent())
        ShellTreeView1->expand(i);
    ShellTreeView1->setCurrentIndex(index);
    ShellTreeView1->scrollTo(index);
    return true;
}

QString SelectFolder(const QString& caption) {
    if (g_folderPicker)
        return g_folderPicker(caption);
    TFormShellTree picker(MainWindow());
    picker.setWindowTitle(QStringLiteral(" ") + caption);
    CentreOver(picker, MainWindow());
    if (picker.exec() != QDialog::Accepted)
        return {};
    return picker.SelectedFolder();
}

void SetFolderPicker(FolderPicker picker) {
    g_folderPicker = std::move(picker);
}

} // namespace kalo
