#include "app/SplashGeometry.h"

#include <cmath>

namespace lis {

QPoint centredPicturePosition(QSize screen, QSize picture)
{
    const auto centre = [](int outer, int inner) {
        return static_cast<int>(std::lround(outer / 2.0 - inner / 2.0));
    };
    return { centre(screen.width(), picture.width()), centre(screen.height(), picture.height()) };
}

} // namespace lis
