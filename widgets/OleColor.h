#pragma once

#include <QColor>
#include <QtGlobal>

class QPalette;

namespace lis {

// A colour as the persisted properties hold it: 0x00BBGGRR, or, with the top bit set, the index
// of a system colour in the low 31 bits.
using OleColor = quint32;

inline constexpr OleColor systemColorFlag = 0x80000000u;

// System colour indexes the widgets use.
enum class SystemColor : quint32 {
    ScrollBar = 0,
    Background = 1,
    ActiveCaption = 2,
    InactiveCaption = 3,
    Menu = 4,
    Window = 5,
    WindowFrame = 6,
    MenuText = 7,
    WindowText = 8,
    CaptionText = 9,
    ActiveBorder = 10,
    InactiveBorder = 11,
    AppWorkspace = 12,
    Highlight = 13,
    HighlightText = 14,
    ButtonFace = 15,
    ButtonShadow = 16,
    GrayText = 17,
    ButtonText = 18,
    InactiveCaptionText = 19,
    ButtonHighlight = 20,
    DarkShadow3D = 21,
    Light3D = 22,
    InfoText = 23,
    InfoBackground = 24,
    HotLight = 26,
    GradientActiveCaption = 27,
    GradientInactiveCaption = 28,
    MenuHighlight = 29,
    MenuBar = 30,
};

constexpr OleColor systemColor(SystemColor index)
{
    return systemColorFlag | static_cast<quint32>(index);
}

constexpr int redOf(OleColor c)
{
    return static_cast<int>(c & 0xFFu);
}
constexpr int greenOf(OleColor c)
{
    return static_cast<int>((c >> 8) & 0xFFu);
}
constexpr int blueOf(OleColor c)
{
    return static_cast<int>((c >> 16) & 0xFFu);
}
constexpr OleColor rgbColor(int red, int green, int blue)
{
    return static_cast<OleColor>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

QColor toQColor(OleColor rgb);
OleColor fromQColor(const QColor &color);

// The RGB value of a system colour index. Indexes with a counterpart in the palette take it from
// there, so the widgets follow the desktop's colours; the rest come from a fixed table of the
// classic desktop defaults. An unknown index gives black.
OleColor systemColorRgb(quint32 index, const QPalette &palette);

// Turns a colour value into RGB: system colours through systemColorRgb, anything else keeps its
// low 24 bits. The one-argument form reads the application palette.
OleColor translateColor(OleColor color, const QPalette &palette);
OleColor translateColor(OleColor color);

// channel' = amount + channel * (255 - amount) / 255 in whole numbers, capped at 255.
OleColor lighten(OleColor rgb, int amount);
// channel' = b * (255 - alpha) / 255 + a * alpha / 255, rounded half to even.
OleColor blend(OleColor a, OleColor b, int alpha);

// Rounds half to even, as the platform's conversion to integer does.
int roundHalfEven(double value);

} // namespace lis
