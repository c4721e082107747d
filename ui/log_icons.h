#pragma once
// The log's 16 x 16 kind icons, drawn by the program: a green ball (information), a yellow warning
// triangle with "!" (warning) and a red disc with a white cross (error).
#include <QPixmap>

namespace quelm {

// A null pixmap for a kind outside 0..2.
QPixmap LogKindIcon(int kind);

} // namespace quelm
