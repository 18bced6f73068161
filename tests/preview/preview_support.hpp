// What the preview tests share: small MIF/MID sets written to a scratch
// folder, and counting colours on a picture.
#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <map>
#include <string>

#include "preview/mif_reader.hpp"
#include "preview/render.hpp"

namespace quorvel::preview::test {

// A MIF as this program writes it: CR LF line ends, two columns.
inline std::string Mif(const std::string& body, const std::string& columns = "Columns 2\n  Id integer\n  Name char (20)\n") {
  std::string text = "Version 300\nCharset \"WindowsLatin1\"\nDelimiter \",\"\n"
                     "CoordSys Earth Projection 8, 79, \"m\", -2, 49, 0.9996012717, 400000, -100000\n" +
                     columns + "Data\n\n" + body;
  std::string crlf;
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return crlf;
}

// As many rows as objects: "1,Obj 1" ...
inline std::string Rows(int n) {
  std::string s;
  for (int k = 1; k <= n; ++k) s += std::to_string(k) + ",Obj " + std::to_string(k) + "\r\n";
  return s;
}

class ScratchTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(scratch.isValid()); }
  std::string Path(const std::string& name) const { return scratch.filePath(QString::fromStdString(name)).toStdString(); }
  std::string Write(const std::string& name, const std::string& text) const {
    QFile f(QString::fromStdString(Path(name)));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.data(), static_cast<qint64>(text.size()));
    return Path(name);
  }
  // Writes NAME.mif and NAME.mid; returns the MIF's path.
  std::string WriteSet(const std::string& name, const std::string& body, int objects) const {
    Write(name + ".mid", Rows(objects));
    return Write(name + ".mif", Mif(body));
  }
  PreviewSet Read(const std::string& mifPath) const {
    PreviewSet set;
    std::string error;
    EXPECT_TRUE(ReadSet(mifPath, set, error)) << error;
    return set;
  }
  QTemporaryDir scratch;
};

inline bool IsWhite(QRgb c) { return (c & 0xFFFFFF) == 0xFFFFFF; }

// How many pixels have each colour, white left out.
inline std::map<QRgb, int> Colours(const QImage& image) {
  std::map<QRgb, int> count;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y) & 0xFFFFFF;
      if (c != 0xFFFFFF) ++count[c];
    }
  return count;
}

inline QRgb Rgb(Colour c) { return c & 0xFFFFFF; }

}  // namespace quorvel::preview::test
