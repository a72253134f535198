#pragma once

// Tells the desktop what the program is: name, version, organisation, the desktop entry
// (which the window manager matches the windows with) and the window icon, from the icon
// theme or else from the copy built into the program.
void SetApplicationIdentity();
