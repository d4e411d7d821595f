#pragma once
// The icon of a file row, chosen from the last three characters of its name.

#include <string>

namespace tavo::controller {

// Icon indexes of the remote list's picture list.
enum TRemoteIcon {
    riDirectory = 0,
    riFile = 1,
    riDocument = 10,
    riPicture = 11,
    riWebPage = 12,
    riPortableDocument = 13,
    riPresentation = 14,
    riText = 15,
    riSpreadsheet = 16,
    riArchive = 17,
};

// The last three bytes of the name (all of a shorter name), ASCII letters in capitals,
// looked up in the table of known endings; no dot needed ("MYDOC" is a document). riFile for
// anything else.
int GetFileType(const std::string& name);

} // namespace tavo::controller
