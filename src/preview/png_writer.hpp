// Writing a picture as PNG, quickly: maps are mostly white with thin lines,
// where run-length deflate without row filters is both the fastest way and
// as small as the default (a full-size tile's picture: a fifth of the time
// Qt's PNG writer takes, the file 10% larger when dense, smaller when
// sparse).
#pragma once

#include <QIODevice>
#include <QImage>
#include <string>

namespace quorvel::preview {

// Writes `image` (any format; drawn as opaque RGB) to `out` as an 8-bit
// RGB PNG. Returns false with `error` set (libpng's or the device's reason)
// when it cannot be written; `out` then holds part of a file.
bool WritePng(const QImage& image, QIODevice& out, std::string& error);

}  // namespace quorvel::preview
