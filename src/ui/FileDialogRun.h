#pragma once
// The program's open and save dialogs (chart files, pictures, memory images) run alike: the
// described titles, no question before a file is replaced (every save replaces atomically),
// and the last name chosen offered again, or the dialog folder while there is none.
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace korvel {

struct FileDialogRun
{
    bool save = false;
    QStringList filters;
    QString defaultExt; // added to a name typed without an extension
    // When set, choosing a filter makes its extension the one added instead.
    std::function<QString(const QString& filter)> extensionOf;
    // For a file written in place rather than replaced atomically (a recording): a file that is
    // there already is only taken after a question, and "Отмена" goes back to the dialog.
    bool askBeforeReplacing = false;
};

// Runs the dialog modally; true with fileName set when the user chose a file. initialDir is
// where the dialog opens while fileName is empty.
bool ExecuteFileDialog(QWidget* parent, const FileDialogRun& run, QString& fileName,
                       const QString& initialDir);

} // namespace korvel
