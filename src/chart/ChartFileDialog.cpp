#include "chart/ChartFileDialog.h"

#include <QFileDialog>
#include <QRegularExpression>

namespace korvel {

ChartFileDialog::ChartFileDialog(Kind kind) : kind_(kind)
{
}

QString ChartFileDialog::DefaultExt() const
{
    return kind_ == Kind::SavePicture ? QStringLiteral("png") : QStringLiteral("twi");
}

QStringList ChartFileDialog::filters() const
{
    // Names are matched case-sensitively here, so the upper-case spelling of files that come
    // from elsewhere is offered too.
    if (kind_ == Kind::SavePicture)
        return {QStringLiteral("Рисунок PNG (*.png)"), QStringLiteral("Рисунок SVG (*.svg)")};
    return {QStringLiteral("Данные с прибора (*.twi *.TWI)"),
            QStringLiteral("Текстовый (*.txt *.TXT)"), QStringLiteral("Все (*)")};
}

QString ChartFileDialog::extensionOf(const QString& filter) const
{
    static const QRegularExpression firstPattern(QStringLiteral(R"(\(\*\.(\w+))"));
    const QRegularExpressionMatch m = firstPattern.match(filter);
    return m.hasMatch() ? m.captured(1) : DefaultExt();
}

bool ChartFileDialog::Execute(QWidget* parent)
{
    QFileDialog dialog(parent);
    const bool save = kind_ != Kind::OpenData;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setWindowTitle(save ? QStringLiteral("Сохранить как") : QStringLiteral("Открыть"));
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setNameFilters(filters());
    dialog.setDefaultSuffix(DefaultExt());
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [this, &dialog](const QString& filter) { dialog.setDefaultSuffix(extensionOf(filter)); });
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
