// Listing and clearing the files of a folder tree by mask (work folders are emptied this way).
#pragma once
#include <string>

class TStringList;

// Adds the full path of every file under folder (the folder itself and every subfolder) whose
// name matches mask ("*" and "?" wildcards, ASCII case ignored). Paths are absolute and the
// current folder is never changed. Folders that cannot be opened are skipped, and reparse points
// (junctions, symbolic links) and folders already visited are not entered, so a tree with a loop
// ends. Answers false when the listing stopped early because the list could take no more names.
bool ListFilesInTree(const std::string& folder, const std::string& mask, TStringList& list);

// Deletes every file matching mask in folder and all its subfolders, the last listed first.
// Refuses (with a plain message box) a folder that is the program's folder or one of its
// parents. Answers the number of files deleted.
int ClearDirectory(const std::string& folder, const std::string& mask);

// Wildcard match of a file name against a mask of "*" and "?", ASCII case ignored.
bool MatchesMask(const std::string& name, const std::string& mask);
