// The INI file that keeps the default folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "ini_file.hpp"

namespace quorvel::gui::test {
namespace {

class IniFileTest : public ::testing::Test {
 protected:
  QString Write(const QByteArray& bytes) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
  }
  QByteArray Read() {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  QTemporaryDir dir;
  QString path = dir.filePath("quorvel.ini");
};

TEST_F(IniFileTest, MissingFileSectionOrKeyReadsEmpty) {
  EXPECT_EQ(LoadDefaultFolder(path), "");
  Write("[Other]\nDefaultPath=/x\n");
  EXPECT_EQ(LoadDefaultFolder(path), "");
  Write("[Files]\nLastPath=/x\n");
  EXPECT_EQ(LoadDefaultFolder(path), "");
  EXPECT_EQ(LoadDefaultFolder(dir.path()), "");  // a folder, not a file
}

TEST_F(IniFileTest, FoldersWithCommasSemicolonsBlanksAndAccentsRoundTrip) {
  for (const QString& folder :
       {QString::fromUtf8("/home/ann/Karten, Süd; 2026"), QString::fromUtf8("/data/  two  blanks /Ærø"),
        QStringLiteral(" /leading and trailing "), QStringLiteral("C:\\maps\\tiles"), QStringLiteral("\"/quoted\""),
        QStringLiteral("/a=b/[c]")}) {
    ASSERT_TRUE(SaveDefaultFolder(path, folder)) << folder.toStdString();
    EXPECT_EQ(LoadDefaultFolder(path), folder) << folder.toStdString();
  }
}

TEST_F(IniFileTest, WritingKeepsEverythingElseInTheFile) {
  Write("; settings\r\n[General]\r\nDefaultPath=/not/this\r\n\r\n[files]\r\nzoom = 3\r\ndefaultpath = /old\r\n[Last]\r\nx=1\r\n");
  EXPECT_EQ(LoadDefaultFolder(path), "/old");  // names compare without case
  ASSERT_TRUE(SaveDefaultFolder(path, "/new, folder"));
  EXPECT_EQ(Read(), "; settings\n[General]\nDefaultPath=/not/this\n\n[files]\nzoom = 3\ndefaultpath=/new, folder\n[Last]\nx=1\n");
}

TEST_F(IniFileTest, AMissingKeyOrSectionIsAdded) {
  Write("[Files]\nzoom=3\n\n[Last]\nx=1");
  ASSERT_TRUE(SaveDefaultFolder(path, "/a"));
  EXPECT_EQ(Read(), "[Files]\nzoom=3\nDefaultPath=/a\n\n[Last]\nx=1\n");
  Write("[Last]\nx=1\n");
  ASSERT_TRUE(SaveDefaultFolder(path, "/b"));
  EXPECT_EQ(Read(), "[Last]\nx=1\n\n[Files]\nDefaultPath=/b\n");
  QFile::remove(path);
  const QString nested = dir.filePath("config/quorvel/quorvel.ini");
  ASSERT_TRUE(SaveDefaultFolder(nested, "/c"));
  EXPECT_EQ(LoadDefaultFolder(nested), "/c");
}

TEST_F(IniFileTest, AValueThatCannotBeStoredOnOneLineLeavesTheFileAlone) {
  Write("[Files]\nDefaultPath=/kept\n");
  EXPECT_FALSE(SaveDefaultFolder(path, "/two\nlines"));
  EXPECT_EQ(LoadDefaultFolder(path), "/kept");
}

TEST_F(IniFileTest, AnUnreadableFileReadsEmptyAndIsNotOverwritten) {
  Write("[Files]\nDefaultPath=/secret\n");
  QFile::setPermissions(path, QFileDevice::Permissions());
  QFile probe(path);
  if (probe.open(QIODevice::ReadOnly)) GTEST_SKIP() << "running with rights that read any file";
  EXPECT_EQ(LoadDefaultFolder(path), "");
  EXPECT_FALSE(SaveDefaultFolder(path, "/other"));
  QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  EXPECT_EQ(LoadDefaultFolder(path), "/secret");
}

}  // namespace
}  // namespace quorvel::gui::test
