// The save folder as the user types it in the settings dialog: the checks it
// must pass, and the creation of its levels.
#pragma once

#include "common/folder_levels.h"
#include "platform/platform.h"

// The checks, in order: a drive ("X:\"), no final dot, and none of "\\",
// "..", "*", "?", "/" and ".\" anywhere. The first character is not looked
// at; a name the file system refuses fails when its level is created.
bool FolderTextIsValid(const char16_t* text);

// Appends a backslash when the text does not end with one; false when the
// kPathChars buffer has no room left for it.
bool EndFolderWithBackslash(char16_t* folder);

// Creates each missing level of a backslash-ended folder, from the drive's
// root down. A level whose creation fails with 0, ERROR_ACCESS_DENIED or
// ERROR_ALREADY_EXISTS is passed over; any other failure gives its fault.
// Levels created before a failure stay.
FolderFault CreateFolderLevels(platform::FileSystem& files, const char16_t* folder);
