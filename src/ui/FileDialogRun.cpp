#include "ui/FileDialogRun.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace korvel {

namespace {

bool replaceAllowed(QWidget* parent, const QString& path)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Сохранить как"),
                    QStringLiteral("Файл\n%1\nуже есть. Заменить его?").arg(path),
                    QMessageBox::NoButton, parent);
    QPushButton* replace = box.addButton(QStringLiteral("Заменить"), QMessageBox::AcceptRole);
    box.setDefaultButton(box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole));
    box.exec();
    return box.clickedButton() == replace;
}

} // namespace

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
    for (;;) {
        if (dialog.exec() != QDialog::Accepted)
            return false;
        const QStringList chosen = dialog.selectedFiles();
        if (chosen.isEmpty())
            return false;
        if (!run.askBeforeReplacing || !QFileInfo::exists(chosen.first()) ||
            replaceAllowed(parent, chosen.first())) {
            fileName = chosen.first();
            return true;
        }
        dialog.selectFile(chosen.first());
    }
}

} // namespace korvel
