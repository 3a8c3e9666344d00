#pragma once
// The file dialogs of the chart's popup menu: GraphTXTSaveDialog and GraphTXTOpenDialog for the
// chart files, and the dialog of the chart's picture. A name typed without an extension gets
// the one of the filter chosen (the first filter's when "Все" is chosen). The recording's
// dialog (`Record`) is the save dialog of chart files that asks before it takes a file that is
// there: a recording writes in place, and would wipe the file out on its first line.
#include <QString>
#include <QStringList>

class QWidget;

namespace korvel {

class ChartFileDialog
{
public:
    enum class Kind { SaveData, OpenData, SavePicture, Record };

    explicit ChartFileDialog(Kind kind);

    Kind kind() const { return kind_; }
    QString DefaultExt() const;
    QStringList filters() const;
    // The extension a filter adds to a name typed without one.
    QString extensionOf(const QString& filter) const;

    QString FileName;
    QString InitialDir; // where the dialog opens while FileName is empty

    // Runs the dialog modally; true with FileName set when the user chose a file. Saving does
    // not ask before it replaces a file (the replacement is atomic); recording does.
    bool Execute(QWidget* parent);

private:
    Kind kind_;
};

} // namespace korvel
