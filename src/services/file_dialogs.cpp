#include "services/file_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>

namespace kalo {

namespace {
FileDialogHandler g_handler;

void setUp(QFileDialog& dialog, const TFileDialogSetup& setup) {
    dialog.setWindowTitle(setup.title);
    dialog.setNameFilters(QtNameFilters(setup.filter).split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(setup.defaultExt);
    dialog.setOption(QFileDialog::DontUseNativeDialog, false);
    if (!setup.initialDir.isEmpty())
        dialog.setDirectory(setup.initialDir);
}
} // namespace

QString QtNameFilters(const QString& barFilter) {
    const QStringList parts = barFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const qsizetype paren = description.indexOf(QLatin1Char('('));
        if (paren >= 0)
            description.truncate(paren);
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            if (p == QStringLiteral("*.*"))
                p = QStringLiteral("*");
        filters << description.trimmed() + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

QStringList RunOpenDialog(const TFileDialogSetup& setup, QWidget* parent) {
    if (g_handler)
        return g_handler(setup, {});
    QFileDialog dialog(parent);
    setUp(dialog, setup);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(setup.multiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString RunSaveDialog(const TFileDialogSetup& setup, const QString& presetPath, QWidget* parent) {
    if (g_handler) {
        const QStringList chosen = g_handler(setup, presetPath);
        return chosen.isEmpty() ? QString() : chosen.first();
    }
    QFileDialog dialog(parent);
    setUp(dialog, setup);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!presetPath.isEmpty()) {
        const QFileInfo info(presetPath);
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

void SetFileDialogHandler(FileDialogHandler handler) {
    g_handler = std::move(handler);
}

} // namespace kalo
