// What padlink-plot needs of the file system to replace a file only by a
// whole one: the file a path names, a new file under a temporary name beside
// it, and the move over it. POSIX and Windows each have their own.
#pragma once

#include <cstdio>
#include <string>

namespace plot {

enum class PathKind { kMissing, kRegular, kDirectory, kOther };

// The file `path` names, links followed where the system has them.
std::string ResolvedPath(const std::string& path);
PathKind KindOf(const std::string& path);
// A new file `target` + a unique suffix, open for binary writing, with the
// permissions target has (or a new file would get); its name in *temp.
// nullptr, with errno set, when it cannot be made.
std::FILE* CreateBeside(const std::string& target, std::string* temp);
// Moves temp over target, replacing it: 0, or the errno of the failure.
int MoveOver(const std::string& temp, const std::string& target);

}  // namespace plot
