#include "ini_file.hpp"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

namespace quorvel::gui {

namespace {

QStringList ReadLines(const QString& path, bool* ok) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    *ok = false;
    return {};
  }
  *ok = true;
  QString text = QString::fromUtf8(file.readAll());
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QStringList lines = text.split(QLatin1Char('\n'));
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

// "[Name]" gives Name; anything else gives a null string.
QString SectionName(const QString& line) {
  const QString t = line.trimmed();
  if (t.size() < 2 || !t.startsWith(QLatin1Char('[')) || !t.endsWith(QLatin1Char(']'))) return {};
  return t.mid(1, t.size() - 2).trimmed();
}

bool IsComment(const QString& line) {
  const QString t = line.trimmed();
  return t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('#'));
}

// Splits "Key=Value"; false for lines without '='.
bool SplitEntry(const QString& line, QString* key, QString* value) {
  const qsizetype eq = line.indexOf(QLatin1Char('='));
  if (eq < 0 || IsComment(line)) return false;
  *key = line.left(eq).trimmed();
  QString v = line.mid(eq + 1).trimmed();
  if (v.size() >= 2 && v.startsWith(QLatin1Char('"')) && v.endsWith(QLatin1Char('"'))) v = v.mid(1, v.size() - 2);
  *value = v;
  return true;
}

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Quoted when blanks at either end or enclosing quotes would otherwise be lost.
QString EncodeValue(const QString& value) {
  const bool quote = value != value.trimmed() ||
                     (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')));
  return quote ? QLatin1Char('"') + value + QLatin1Char('"') : value;
}

}  // namespace

QString ReadIniValue(const QString& path, const QString& section, const QString& key) {
  bool ok = false;
  const QStringList lines = ReadLines(path, &ok);
  if (!ok) return {};
  bool inSection = false;
  for (const QString& line : lines) {
    const QString name = SectionName(line);
    if (!name.isNull()) {
      inSection = SameName(name, section);
      continue;
    }
    QString k, v;
    if (inSection && SplitEntry(line, &k, &v) && SameName(k, key)) return v;
  }
  return {};
}

bool WriteIniValue(const QString& path, const QString& section, const QString& key, const QString& value) {
  if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')) || value.contains(QChar(0))) return false;
  bool ok = false;
  QStringList lines = ReadLines(path, &ok);
  if (!ok && QFileInfo::exists(path)) return false;  // there but unreadable: leave it alone

  const QString entry = key + QLatin1Char('=') + EncodeValue(value);
  qsizetype sectionStart = -1;  // line index of the section's header
  qsizetype lastInSection = -1; // last non-blank line of the section
  bool written = false;
  for (qsizetype i = 0; i < lines.size() && !written; ++i) {
    const QString name = SectionName(lines[i]);
    if (!name.isNull()) {
      if (sectionStart >= 0) break;  // the section ended without the key
      if (SameName(name, section)) sectionStart = lastInSection = i;
      continue;
    }
    if (sectionStart < 0) continue;
    if (!lines[i].trimmed().isEmpty()) lastInSection = i;
    QString k, v;
    if (SplitEntry(lines[i], &k, &v) && SameName(k, key)) {
      lines[i] = k + QLatin1Char('=') + EncodeValue(value);
      written = true;
    }
  }
  if (!written) {
    if (sectionStart >= 0) {
      lines.insert(lastInSection + 1, entry);
    } else {
      if (!lines.isEmpty() && !lines.last().trimmed().isEmpty()) lines.append(QString());
      lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
      lines.append(entry);
    }
  }

  const QFileInfo info(path);
  if (!QDir().mkpath(info.absolutePath())) return false;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  QByteArray bytes;
  for (const QString& line : lines) {
    bytes += line.toUtf8();
    bytes += '\n';
  }
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

QString LoadDefaultFolder(const QString& iniPath) {
  return ReadIniValue(iniPath, QStringLiteral("Files"), QStringLiteral("DefaultPath"));
}

bool SaveDefaultFolder(const QString& iniPath, const QString& folder) {
  return WriteIniValue(iniPath, QStringLiteral("Files"), QStringLiteral("DefaultPath"), folder);
}

QString DefaultIniPath() {
  QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  if (dir.isEmpty()) dir = QDir::homePath() + QStringLiteral("/.config");
  return dir + QStringLiteral("/quorvel/quorvel.ini");
}

}  // namespace quorvel::gui
