#include "controls/menu_colours.h"

QColor LightenColour(const QColor& colour, double factor)
{
    if (!(factor > 0.0 && factor <= 1.0))
        return colour;
    auto lighten = [factor](int channel) { return static_cast<int>(channel + factor * (255 - channel)); };
    return QColor(lighten(colour.red()), lighten(colour.green()), lighten(colour.blue()));
}
