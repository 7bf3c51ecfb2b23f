#pragma once

// A screen reader that counted a list's entries before the list was read again (a folder or
// pattern change) may still ask for entries that are gone, or about entries it was told of
// before. Qt answers those requests with "no such entry", which is right, and prints a warning
// for each on standard error; this drops exactly those warnings and lets every other through.
void quietStaleAccessibilityRequests();
