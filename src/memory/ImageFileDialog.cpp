#include "memory/ImageFileDialog.h"

#include "ui/FileDialogRun.h"

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
    return ExecuteFileDialog(parent, {kind_ == Kind::Save, filters(), DefaultExt(), {}}, FileName,
                             InitialDir);
}

} // namespace korvel
