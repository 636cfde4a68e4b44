#pragma once
// Paths are UTF-16 from the command line, the dialogs, drops and folder
// listings to every file call: a name holding characters outside the
// system's ANSI code page (Korean, emoji, CJK Extension B) names its file
// exactly. The viewer's own texts stay GBK and meet paths only where a name
// is shown (the title, the delete question, the information box).
#include <string>
#include <string_view>

namespace vela {

using Path = std::wstring;
using PathView = std::wstring_view;

// The form the file calls of kernel32 take for a path of any length: a
// drive or network path of MAX_PATH or more characters gets the
// extended-length prefix (\\?\C:\... or \\?\UNC\server\...), which these
// calls take on every Windows since XP; a shorter one, a relative one and
// one already prefixed pass unchanged. The path must be full and use
// backslashes, as the command line's (made full), the dialogs', drops' and
// listings' are.
Path ExtendedLengthPath(PathView path);

// The form the shell's calls (SHFileOperationW, ILCreateFromPathW,
// SHGetFileInfoW) take: they know no extended-length prefix and stop at
// MAX_PATH, so a longer path is given as its short (8.3) form when the
// volume keeps short names and that form is short enough; otherwise empty,
// and the shell is not asked.
Path ShellPath(PathView path);

// Equal with A-Z and a-z taken as the same and every other UTF-16 unit
// compared exactly: how the viewer matches extensions (DSC0001.JPG is a
// .jpg) and program names, as the file system does for ASCII letters.
bool SameIgnoringAsciiCase(PathView a, PathView b);

}  // namespace vela
