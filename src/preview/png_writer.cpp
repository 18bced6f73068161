#include "preview/png_writer.hpp"

#include <png.h>
#include <zlib.h>

#include <QSysInfo>
#include <csetjmp>

namespace quorvel::preview {

namespace {

// What libpng's callbacks report to; they leave by longjmp on failure,
// so nothing here has a destructor.
struct PngSink {
  QIODevice* out;
  std::string* error;
};

void WriteBytes(png_structp png, png_bytep data, png_size_t size) {
  auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
  if (sink->out->write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) !=
      static_cast<qint64>(size))
    png_error(png, "the picture cannot be written");
}

void FlushBytes(png_structp) {}

void ReportError(png_structp png, png_const_charp message) {
  auto* sink = static_cast<PngSink*>(png_get_error_ptr(png));
  if (sink->error->empty()) *sink->error = message;
  png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

// The rows go to libpng straight from the picture: either 32-bit pixels in
// memory order B, G, R, X (Qt's RGB32 on a little-endian machine), whose
// fourth byte is dropped, or R, G, B bytes (Qt's RGB888).
bool Encode(const QImage& image, bool bgrx, PngSink& sink, png_structp png, png_infop info) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, &sink, WriteBytes, FlushBytes);
  // Run-length matches only, no row filters: see the header.
  png_set_compression_level(png, 1);
  png_set_compression_strategy(png, Z_RLE);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width()), static_cast<png_uint_32>(image.height()), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
  png_write_info(png, info);
  if (bgrx) {
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    png_set_bgr(png);
  }
  for (int y = 0; y < image.height(); ++y) png_write_row(png, image.constScanLine(y));
  png_write_end(png, info);
  return true;
}

}  // namespace

bool WritePng(const QImage& image, QIODevice& out, std::string& error) {
  error.clear();
  if (image.isNull()) {
    error = "no picture";
    return false;
  }
  const bool bgrx = image.format() == QImage::Format_RGB32 && QSysInfo::ByteOrder == QSysInfo::LittleEndian;
  const QImage rows = bgrx ? image : image.convertToFormat(QImage::Format_RGB888);
  PngSink sink{&out, &error};
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, ReportError, IgnoreWarning);
  if (!png) {
    error = "out of memory";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  const bool ok = info && Encode(rows, bgrx, sink, png, info);
  png_destroy_write_struct(&png, info ? &info : nullptr);
  if (!ok && error.empty()) error = "out of memory";
  return ok;
}

}  // namespace quorvel::preview
