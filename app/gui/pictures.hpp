// The program's pictures, drawn rather than loaded: the splash and about
// picture and the window icon.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace quorvel::gui {

// A map tile with roads, a river and contours, under the program's name.
QPixmap DrawProgramPicture(QSize size);

// The window icon: a folded map sheet.
QIcon DrawProgramIcon();

}  // namespace quorvel::gui
