#pragma once

// Whether the window system named by the environment answers: Qt aborts with a core dump when
// it does not, so the program asks first and says what is missing in one line.
bool displayAvailable();

// Whether standard error is a terminal, where a progress line that rewrites itself can be shown.
bool standardErrorIsTerminal();
