#pragma once

#include "fileidentity.h"

#include <QList>
#include <QStringList>

// Sorts names without regard to case; names equal that way keep an exact order. The
// companion list, when given, is put in the same order.
void sortFileNames(QStringList &names, QList<FileIdentity> *companion = nullptr);

struct FolderListing;
class WildcardPattern;

// What the file list shows of a folder: its files that match the filter, in file-name order, each
// with its identity as the folder was read.
struct MatchingFiles
{
    QStringList names;
    QList<FileIdentity> identities;
};
MatchingFiles matchingFiles(FolderListing &&listing, const WildcardPattern &pattern);
