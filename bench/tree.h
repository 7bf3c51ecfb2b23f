#pragma once

#include <QString>

// The purge of a whole project tree from the command line (`program --purge --recursive`), run
// as a user runs it, against the least work that deletes the same old versions: a plain walk of
// the tree that unlinks them; and that walk again with the status calls the deletion rules ask
// for. Makes its trees in `temp` and prints two lines.
void benchTree(const QString &temp, const QString &program);

// Trees of other shapes, made in `place` (best a tmpfs: making and removing tens of thousands of
// folders on a disk takes minutes): 20,000 levels, one pair of versions a level, the program's
// time and peak resident size; and 50,000 folders side by side, one in ten holding versions,
// beside a plain walk that makes the deletion rules' status calls and unlinks.
void benchTreeShapes(const QString &place, const QString &program);
