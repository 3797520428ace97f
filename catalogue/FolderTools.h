// Listing and clearing the files of a folder tree by mask (work folders are emptied this way).
#pragma once
#include <functional>
#include <string>

class TStringList;

// Adds the full path of every file under folder (the folder itself and every subfolder) whose
// name matches mask ("*" and "?" wildcards, ASCII case ignored). Paths are absolute and the
// current folder is never changed. Folders that cannot be opened are skipped, and reparse points
// (junctions, symbolic links) and folders already visited are not entered, so a tree with a loop
// ends. Answers false when the listing stopped early because the list could take no more names.
bool ListFilesInTree(const std::string& folder, const std::string& mask, TStringList& list);

// What a walk of a folder tree reports and asks, every member optional.
struct TTreeWalkEvents {
  // Each file whose name matches the mask, with its absolute path.
  std::function<void(const std::string& path)> OnFile;
  // Each folder once it and all its sub-folders were walked to the end (not when stopped).
  std::function<void(const std::string& folder)> OnFolderDone;
  // Asked before each file and each sub-folder; true ends the walk there.
  std::function<bool()> Stopped;
  // Runs after each sub-folder and after every FilesPerBreak files of one folder, so that a
  // window stays responsive (and hears a Stop) in a deep tree or a large folder.
  std::function<void()> OnBreak;
  int FilesPerBreak = 256;
};

// Walks folder and its sub-folders, files of a folder before its sub-folders, under the rules of
// ListFilesInTree. A folder whose search pattern passes MAX_PATH cannot be listed and is skipped,
// and so is a file whose path passes it (it could not be opened). Answers false when stopped.
bool WalkFolderTree(const std::string& folder, const std::string& mask,
                    const TTreeWalkEvents& events);

// Deletes every file matching mask in folder and all its subfolders, the last listed first.
// Refuses (with a plain message box) a folder that is the program's folder or one of its
// parents. Answers the number of files deleted.
int ClearDirectory(const std::string& folder, const std::string& mask);

// Wildcard match of a file name against a mask of "*" and "?", ASCII case ignored.
bool MatchesMask(const std::string& name, const std::string& mask);
