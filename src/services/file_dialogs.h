// Running the data module's shared file dialogs.
#pragma once

#include "services/data_module.h"

#include <QStringList>

#include <functional>

class QWidget;

namespace kalo {

// "Text Files(*.txt)|*.txt|All Files(*.*)|*.*" as a Qt name filter list:
// "Text Files (*.txt);;All Files (*)".
QString QtNameFilters(const QString& barFilter);

// An open dialog: the files chosen in the dialog's order, empty on Cancel.
QStringList RunOpenDialog(const TFileDialogSetup& setup, QWidget* parent);

// A save dialog preset to presetPath (may be empty): the path chosen, empty
// on Cancel. The default extension is added to a name typed without one.
QString RunSaveDialog(const TFileDialogSetup& setup, const QString& presetPath, QWidget* parent);

// Replaces the dialogs (tests answer them without a display). Given the setup
// and the preset, returns what the user chose; empty means Cancel.
using FileDialogHandler =
    std::function<QStringList(const TFileDialogSetup& setup, const QString& presetPath)>;
void SetFileDialogHandler(FileDialogHandler handler);

} // namespace kalo
