#pragma once
// Every file the program writes (settings, chart files, pictures, memory images) replaces the
// old one in one step: until the new file is complete, the old one stays whole on disk.
#include <QString>

#include <functional>

class QIODevice;

// <windows.h> (which QCustomPlot's header brings in) turns the name ReplaceFile into the Win32
// call ReplaceFileW; ours keeps its own name in every file that includes this after it.
#ifdef ReplaceFile
#undef ReplaceFile
#endif

namespace korvel {

// Writes `path` through a temporary file that takes the old file's place only when `write`
// returned true and everything reached the disk. False with *why set (when given) otherwise:
// the device's error text, or `whyWithoutDeviceError` when `write` failed without one.
bool ReplaceFile(const QString& path, const std::function<bool(QIODevice&)>& write,
                 QString* why = nullptr, const QString& whyWithoutDeviceError = QString());

// The same, and the new file is on the medium when this returns true: its bytes and the
// folder entry that names it. For the few files whose loss in a power cut costs more than the
// moment the call takes.
bool ReplaceFileDurably(const QString& path, const std::function<bool(QIODevice&)>& write,
                        QString* why = nullptr);

} // namespace korvel
