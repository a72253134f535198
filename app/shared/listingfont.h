#pragma once

#include "platform/system/font.h"

// The font of the listing's view until a read lists files: the window's design value
// (Arial, 12 pixels). A folder without files leaves it, in the window and the export alike.
TFont ListingViewDesignFont();
