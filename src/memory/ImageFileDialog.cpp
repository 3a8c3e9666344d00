#include "memory/ImageFileDialog.h"

#include <QFileDialog>

namespace korvel {

ImageFileDialog::ImageFileDialog(Kind kind) : kind_(kind)
{
}

QStringList ImageFileDialog::filters() const
{
    // Names are matched case-sensitively here, so the lower-case spelling is offered too.
    return {QStringLiteral("Файлы EEPROM (*.EEPROM *.eeprom)"), QStringLiteral("Все (*)")};
}

bool ImageFileDialog::Execute(QWidget* parent)
{
    QFileDialog dialog(parent);
    const bool save = kind_ == Kind::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setWindowTitle(save ? QStringLiteral("Сохранить как") : QStringLiteral("Открыть"));
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setDefaultSuffix(DefaultExt());
    dialog.setNameFilters(filters());
    if (FileName.isEmpty()) {
        dialog.setDirectory(InitialDir);
    } else {
        dialog.selectFile(FileName);
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return false;
    FileName = chosen.first();
    return true;
}

} // namespace korvel
