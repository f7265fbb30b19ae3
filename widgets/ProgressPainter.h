#pragma once

#include "widgets/OleColor.h"

#include <QFont>
#include <QImage>
#include <QPalette>
#include <QSize>

class QPainter;

namespace lis {

// Everything the progress bar's drawing depends on.
struct ProgressBarLook
{
    int percent = 0;
    OleColor color = 0; // RGB
    int scrolling = 0;
    int orientation = 0;
    int brushStyle = 4;
    bool showText = false;
    QFont font;
    QImage image;
};

// Draws the whole bar into a client area of the given size with its top-left at (0, 0). A
// percent above 100 is drawn as 100.
void DrawProgressBar(
    QPainter &painter, const QPalette &palette, QSize client, ProgressBarLook look);

// The text the bar prints: the percent and " %", or the gathering notice of style 2.
QString progressText(int percent, int scrolling);

} // namespace lis
