#include "app/shared/listingfont.h"

TFont ListingViewDesignFont()
{
    TFont font;
    font.Name = QStringLiteral("Arial");
    font.Height = -12;
    return font;
}
