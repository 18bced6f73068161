// A small reader and writer for INI files ("[Section]" lines and "Key=Value"
// lines). Section and key names compare without regard to letter case,
// blanks around names and values are dropped and a value may be enclosed in
// double quotes. Writing one value keeps every other line of the file as it
// was. Values are stored as UTF-8 text exactly as given: no list splitting,
// no escapes.
#pragma once

#include <QString>

namespace quorvel::gui {

// The value, or an empty string when the file, section or key is missing or
// the file cannot be read.
QString ReadIniValue(const QString& path, const QString& section, const QString& key);

// Writes the value, creating the file, its folder, the section or the key as
// needed. False when the value cannot be stored on one line (it holds a line
// break) or the file cannot be written; the file is then left unchanged.
bool WriteIniValue(const QString& path, const QString& section, const QString& key, const QString& value);

// The default folder for the file dialogs: section "Files", key "DefaultPath".
QString LoadDefaultFolder(const QString& iniPath);
bool SaveDefaultFolder(const QString& iniPath, const QString& folder);

// "quorvel.ini" in the user's configuration folder.
QString DefaultIniPath();

}  // namespace quorvel::gui
