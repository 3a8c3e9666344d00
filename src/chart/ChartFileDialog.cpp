#include "chart/ChartFileDialog.h"

#include "chart/ChartPicture.h"
#include "ui/FileDialogRun.h"

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
        return {QStringLiteral("Рисунок PNG (*.png)"),
                QStringLiteral("Рисунок %1 (*.%2)")
                    .arg(VectorPictureExtension().toUpper(), VectorPictureExtension())};
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
    const FileDialogRun run{kind_ != Kind::OpenData, filters(), DefaultExt(),
                            [this](const QString& filter) { return extensionOf(filter); },
                            kind_ == Kind::Record};
    return ExecuteFileDialog(parent, run, FileName, InitialDir);
}

} // namespace korvel
