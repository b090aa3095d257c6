// What the command line checks of the files it is given before it opens a
// port: a file it would replace or append to must be an ordinary file (a
// device node, a FIFO or a folder in its place would be replaced, hang the
// run or take the bytes), a report must be a report, and no file may be
// given twice under two names. No widget here.
#ifndef PATHCHECK_H
#define PATHCHECK_H

#include <QString>

namespace pathcheck {

enum class Kind {
    Absent,       // nothing there (yet)
    Regular,      // an ordinary file
    Link,         // a symbolic link (only when links are not followed)
    Other,        // a folder, a device node, a FIFO, a socket
};

// What is at `path`; `followLinks`: what a link leads to (a dangling link is Absent).
Kind kindOf(const QString &path, bool followLinks);

// Whether the two names reach the same file: the same inode when both
// exist, the same absolute path otherwise.
bool sameFile(const QString &a, const QString &b);

// Whether a file that exists and is not empty starts as a report does
// (its header line's first columns).
bool looksLikeReport(const QString &path);

} // namespace pathcheck

#endif // PATHCHECK_H
