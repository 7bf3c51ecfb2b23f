#pragma once

#include <QString>

// The purge of a whole project tree from the command line (`program --purge --recursive`), run
// as a user runs it, against the least work that deletes the same old versions: a plain walk of
// the tree that unlinks them; and that walk again with the status calls the deletion rules ask
// for. Makes its trees in `temp` and prints two lines.
void benchTree(const QString &temp, const QString &program);
