#pragma once

// Maps the window fonts the layout was designed with onto fonts a Linux desktop has.
void installFontSubstitutes();
