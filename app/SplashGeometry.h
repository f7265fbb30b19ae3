#pragma once

#include <QPoint>
#include <QSize>

namespace lis {

// Where a picture of the given size stands centred on a screen; a picture larger than the screen
// gets a negative offset and is cut at the edges.
QPoint centredPicturePosition(QSize screen, QSize picture);

} // namespace lis
