#pragma once

#include <string>
#include <vector>

// The file-system questions the window asks, over POSIX. Paths are the
// bytes the system uses, passed through unchanged.

// A folder exists at exactly this path (links followed).
bool DirectoryExists(const std::string& path);
// A regular file exists at the path (links followed): no folder, pipe,
// socket or device, so that opening it can neither fail as a folder nor block.
bool RegularFileExists(const std::string& path);
// A folder exists at the path and the process may enter it and read its
// entries.
bool FolderListable(const std::string& path);
// The user may create files in the folder.
bool FolderWritable(const std::string& folder);
// Creates the folder and any missing parents; fails with EInOutError.
void ForceFolders(const std::string& folder);

// An absolute path written plainly: no "." or ".." part, no repeated or
// trailing "/"; ".." takes away the part before it, as far as the root. Links
// are not looked at, so this is the text the user wrote, tidied.
std::string NormalFolderPath(const std::string& path);

// Makes the folder the process's current folder and returns it as the
// system reports it afterwards. Fails with EInOutError naming the folder and
// the system's reason.
std::string EnterFolder(const std::string& folder);

// Wildcard match, letter case ignored (ASCII): "*" any run of characters,
// "?" any one character.
bool MatchesMask(const std::string& name, const std::string& pattern);
// The patterns of a mask such as "*.bmp;*.jpg", in their order.
std::vector<std::string> SplitMask(const std::string& mask);

// The order of a file list: names compared byte by byte with ASCII letters
// lower-cased; names equal so are ordered by their bytes as they stand, so
// the order never depends on the order the folder gives them in.
bool FileNameLess(const std::string& a, const std::string& b);

// The plain files of a folder (regular files and links to them; no folders,
// no hidden files, nothing else) matching the patterns: one directory read,
// each name tried against every pattern in order and listed once for each
// pattern it matches, sorted by FileNameLess. Fails with EInOutError.
std::vector<std::string> ListMatchingFiles(const std::string& folder,
                                           const std::vector<std::string>& patterns);

// The sub-folders of a folder but the hidden ones, sorted by FileNameLess.
// Fails with EInOutError.
std::vector<std::string> ListSubFolders(const std::string& folder);
