#include "ui/FileDialogRun.h"

#include <QFileDialog>

namespace korvel {

bool ExecuteFileDialog(QWidget* parent, const FileDialogRun& run, QString& fileName,
                       const QString& initialDir)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(run.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setWindowTitle(run.save ? QStringLiteral("Сохранить как") : QStringLiteral("Открыть"));
    dialog.setFileMode(run.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setNameFilters(run.filters);
    dialog.setDefaultSuffix(run.defaultExt);
    if (run.extensionOf)
        QObject::connect(
            &dialog, &QFileDialog::filterSelected, &dialog,
            [&](const QString& filter) { dialog.setDefaultSuffix(run.extensionOf(filter)); });
    if (fileName.isEmpty())
        dialog.setDirectory(initialDir);
    else
        dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return false;
    fileName = chosen.first();
    return true;
}

} // namespace korvel
