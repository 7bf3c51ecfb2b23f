#pragma once

// Maps the window fonts the layout was designed with onto fonts a Linux desktop has, and gives
// menus and message boxes a proportional default font.
void installFontSubstitutes();
