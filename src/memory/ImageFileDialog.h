#pragma once
// The two file dialogs of the memory commands: SaveDialog1 picks the file a read goes into,
// OpenDialog1 the file a write comes from. Each keeps the name chosen last, so the next
// command offers it again, until a transfer clears it; a cleared name starts the next dialog
// with an empty name field in the program's dialog folder.
#include <QString>
#include <QStringList>

class QWidget;

namespace korvel {

class ImageFileDialog
{
public:
    enum class Kind { Save, Open };

    explicit ImageFileDialog(Kind kind);

    Kind kind() const { return kind_; }
    // Added to a name typed without an extension.
    static QString DefaultExt() { return QStringLiteral("EEPROM"); }
    QStringList filters() const;

    QString FileName;
    QString InitialDir; // where the dialog opens while FileName is empty

    // Runs the dialog modally; true with FileName set when the user chose a file. Saving does
    // not ask before it replaces a file.
    bool Execute(QWidget* parent);

private:
    Kind kind_;
};

} // namespace korvel
