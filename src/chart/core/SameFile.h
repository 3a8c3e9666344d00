#pragma once
#include <QString>

namespace korvel {

// Whether two names reach the same existing file, however they are spelt: relative or absolute,
// through symbolic links or another hard link, in another case where the file system ignores
// case. Compares the files' identities (device and inode, or volume and file index on
// Windows), not their names. False when either does not exist.
bool SameFile(const QString& a, const QString& b);

} // namespace korvel
