#pragma once

#include "fileidentity.h"

#include <QList>
#include <QStringList>

// Sorts names without regard to case; names equal that way keep an exact order. The
// companion list, when given, is put in the same order.
void sortFileNames(QStringList &names, QList<FileIdentity> *companion = nullptr);
