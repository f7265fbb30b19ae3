#pragma once

#include <QImage>
#include <QString>

namespace lis::test {

// A detailed synthetic scene (gradients, edges, fine texture) of the given size, so that
// sharpness, exposure and scaling have something real to work on.
QImage makeScene(int width, int height, int seed = 1);
// Saves an image in the given format ("JPG", "PNG", "BMP", "GIF", "TIFF"); false on failure.
bool saveImage(const QImage &image, const QString &path, const char *format, int quality = 90);

} // namespace lis::test
