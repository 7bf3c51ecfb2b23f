#pragma once

#include "fileidentity.h"

#include <QList>
#include <QStringList>

// Lists one folder with readdir, without going through QDir. A name is listed only when it
// reads back as the very same bytes (so never a name that is not valid UTF-8, nor one whose
// decoding drops or replaces a character): a QString that stands for other bytes could name
// a different file. Hidden (dot) names are left out too. Every list of names is in file-name
// order (see sortFileNames).
struct FolderListing
{
    FolderIdentity identity; // of the folder that was read
    QStringList files;       // regular files and links to regular files
    // Each file entry as its status call showed it (a link as the link itself).
    QList<FileIdentity> fileIdentities;
    QStringList folders; // folders and links to folders
    // For a walk of the tree: the folders themselves, links left out, and those whose names are
    // no text, as the file system keeps them (only where the system has descriptors).
    QStringList realFolders;
    QList<QByteArray> undecodableFolders;
};

// Throws PlatformError when the folder cannot be opened or read.
FolderListing readFolder(const QString &path);

// Reading a large folder leaves the memory of its work freed between the names that stay;
// this gives those pages back to the system where the C library keeps them (a few
// milliseconds for a folder of 300,000 files).
void releaseFreedMemory();

// Sets up the heaps for a program that reads large folders: one for each thread that reads at
// once, and few more. The threads that share a folder's work allocate its names side by side;
// sharing one heap, they would wait on its lock at each name. What they freed is given back
// by releaseFreedMemory, whichever heap holds it. Call before any thread starts.
void setUpHeapsForReading();

// The name as the file system stores it; false when no text gives back exactly these bytes.
bool decodeFileName(const char *name, qsizetype length, QString &out);
