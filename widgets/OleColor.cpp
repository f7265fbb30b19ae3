#include "widgets/OleColor.h"

#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace lis {

namespace {

struct PaletteSource
{
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

std::optional<PaletteSource> paletteSource(quint32 index)
{
    using P = QPalette;
    switch (static_cast<SystemColor>(index)) {
    case SystemColor::Menu:
    case SystemColor::MenuBar:
        return PaletteSource { P::Active, P::Window };
    case SystemColor::Window:
        return PaletteSource { P::Active, P::Base };
    case SystemColor::MenuText:
        return PaletteSource { P::Active, P::WindowText };
    case SystemColor::WindowText:
        return PaletteSource { P::Active, P::Text };
    case SystemColor::Highlight:
    case SystemColor::MenuHighlight:
        return PaletteSource { P::Active, P::Highlight };
    case SystemColor::HighlightText:
        return PaletteSource { P::Active, P::HighlightedText };
    case SystemColor::ButtonFace:
        return PaletteSource { P::Active, P::Button };
    case SystemColor::ButtonShadow:
        return PaletteSource { P::Active, P::Dark };
    case SystemColor::GrayText:
        return PaletteSource { P::Disabled, P::Text };
    case SystemColor::ButtonText:
        return PaletteSource { P::Active, P::ButtonText };
    case SystemColor::ButtonHighlight:
        return PaletteSource { P::Active, P::Light };
    case SystemColor::DarkShadow3D:
        return PaletteSource { P::Active, P::Shadow };
    case SystemColor::Light3D:
        return PaletteSource { P::Active, P::Midlight };
    case SystemColor::InfoText:
        return PaletteSource { P::Active, P::ToolTipText };
    case SystemColor::InfoBackground:
        return PaletteSource { P::Active, P::ToolTipBase };
    case SystemColor::HotLight:
        return PaletteSource { P::Active, P::Link };
    default:
        return std::nullopt;
    }
}

// Classic desktop defaults for the indexes the palette has no role for.
constexpr std::array<OleColor, 31> fixedTable {
    rgbColor(212, 208, 200), // scroll bar
    rgbColor(0, 78, 152), // desktop
    rgbColor(0, 84, 227), // active caption
    rgbColor(122, 150, 223), // inactive caption
    rgbColor(255, 255, 255), // menu
    rgbColor(255, 255, 255), // window
    rgbColor(0, 0, 0), // window frame
    rgbColor(0, 0, 0), // menu text
    rgbColor(0, 0, 0), // window text
    rgbColor(255, 255, 255), // caption text
    rgbColor(212, 208, 200), // active border
    rgbColor(212, 208, 200), // inactive border
    rgbColor(128, 128, 128), // application workspace
    rgbColor(49, 106, 197), // highlight
    rgbColor(255, 255, 255), // highlight text
    rgbColor(236, 233, 216), // button face
    rgbColor(172, 168, 153), // button shadow
    rgbColor(172, 168, 153), // grey text
    rgbColor(0, 0, 0), // button text
    rgbColor(216, 228, 248), // inactive caption text
    rgbColor(255, 255, 255), // button highlight
    rgbColor(113, 111, 100), // 3-D dark shadow
    rgbColor(241, 239, 226), // 3-D light
    rgbColor(0, 0, 0), // tooltip text
    rgbColor(255, 255, 225), // tooltip background
    rgbColor(0, 0, 0), // (unused index)
    rgbColor(0, 0, 128), // hot light
    rgbColor(61, 149, 255), // gradient active caption
    rgbColor(157, 185, 235), // gradient inactive caption
    rgbColor(49, 106, 197), // menu highlight
    rgbColor(236, 233, 216), // menu bar
};

int capChannel(int value)
{
    return std::clamp(value, 0, 255);
}

} // namespace

QColor toQColor(OleColor rgb)
{
    return QColor(redOf(rgb), greenOf(rgb), blueOf(rgb));
}

OleColor fromQColor(const QColor &color)
{
    return rgbColor(color.red(), color.green(), color.blue());
}

OleColor systemColorRgb(quint32 index, const QPalette &palette)
{
    if (const auto source = paletteSource(index))
        return fromQColor(palette.color(source->group, source->role));
    if (index < fixedTable.size())
        return fixedTable[index];
    return 0;
}

OleColor translateColor(OleColor color, const QPalette &palette)
{
    if (color & systemColorFlag)
        return systemColorRgb(color & ~systemColorFlag, palette);
    return color & 0xFFFFFFu;
}

OleColor translateColor(OleColor color)
{
    if (!(color & systemColorFlag))
        return color & 0xFFFFFFu;
    return translateColor(color, QGuiApplication::palette());
}

OleColor lighten(OleColor rgb, int amount)
{
    const auto channel
        = [amount](int c) { return capChannel(std::min(255, amount + c * (255 - amount) / 255)); };
    return rgbColor(channel(redOf(rgb)), channel(greenOf(rgb)), channel(blueOf(rgb)));
}

OleColor blend(OleColor a, OleColor b, int alpha)
{
    const auto channel = [alpha](int ca, int cb) {
        return capChannel(roundHalfEven(cb * (255.0 - alpha) / 255.0 + ca * alpha / 255.0));
    };
    return rgbColor(channel(redOf(a), redOf(b)), channel(greenOf(a), greenOf(b)),
        channel(blueOf(a), blueOf(b)));
}

int roundHalfEven(double value)
{
    // std::nearbyint rounds half to even in the default rounding mode.
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
        return rounded > 0 ? INT32_MAX : INT32_MIN;
    return static_cast<int>(rounded);
}

} // namespace lis
