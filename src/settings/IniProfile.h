#pragma once
#include <QByteArray>
#include <QLocale>
#include <QString>
#include <optional>
#include <vector>

class QIODevice;

namespace korvel {

// A Windows profile (INI) file kept as its original bytes, line by line, so that writing one key
// touches only that key's line and every comment, unknown key and line ending survives as it was.
// Text is Windows-1251; section and key names match without regard to case (Cyrillic included).
// Writes collect in memory; saveFile() replaces the file on disk in one atomic step.
class IniProfile
{
public:
    enum class LoadStatus { Loaded, Missing, Unreadable };

    IniProfile() = default;
    explicit IniProfile(const QByteArray& bytes) { setBytes(bytes); }

    void setBytes(const QByteArray& bytes);
    QByteArray toBytes() const;
    bool read(QIODevice& device);
    bool write(QIODevice& device) const;

    // A missing file leaves the profile empty; a file that exists but cannot be read is reported,
    // so that a later save does not replace its contents with ours alone.
    LoadStatus loadFile(const QString& path, QString* error = nullptr);
    // Atomic replace (write to a temporary file beside it, flush, rename).
    bool saveFile(const QString& path, QString* error = nullptr) const;

    // The value text after '=' with surrounding blanks removed, if the key is present.
    std::optional<QString> value(const QString& section, const QString& key) const;
    bool contains(const QString& section, const QString& key) const;

    QString readString(const QString& section, const QString& key, const QString& def) const;
    // Decimal, or hexadecimal after "0x"/"0X"; anything else yields the default.
    int readInteger(const QString& section, const QString& key, int def) const;
    bool readBool(const QString& section, const QString& key, bool def) const;
    // Decimal text in the notation of the given locale (its decimal separator only).
    double readFloat(const QString& section, const QString& key, double def,
                     const QLocale& locale = QLocale()) const;

    // False (and nothing changed) when a name or the value cannot be stored: a line break, a
    // character outside Windows-1251, '=' in a key, ']' in a section name, an empty name.
    bool writeString(const QString& section, const QString& key, const QString& value);
    bool writeInteger(const QString& section, const QString& key, int value);
    bool writeBool(const QString& section, const QString& key, bool value);

    // True once a write has changed the bytes (writing the value a key already has is no change).
    bool isModified() const { return modified_; }

    static std::optional<int> parseInteger(QStringView text);

private:
    struct Line
    {
        QByteArray body; // without its line ending
        QByteArray eol;  // "\r\n", "\n" or empty for a last line without one
    };
    struct KeyPos
    {
        int line = -1;
        int valueStart = 0; // byte offset of the value inside the line body
    };

    int findSection(const QString& section) const;
    int sectionEnd(int headerLine) const;
    KeyPos findKey(const QString& section, const QString& key) const;
    QByteArray lineEnding() const;
    void terminateLastLine();

    std::vector<Line> lines_;
    bool modified_ = false;
};

} // namespace korvel
