#pragma once

#include <QString>
#include <QStringList>

namespace verimetra {

// What the command line asks for: `verimetra [FILE]`, or `--help` or `--version`.
struct CommandLine
{
    QString file;     // the image file to open at start-up; empty for none
    bool end = false; // answer with `output` and end at once, with `exitCode`
    int exitCode = 0; // 0, or 2 for arguments that cannot be used
    QString output;   // the help, the version, or why the arguments cannot be used
};

// Reads the program's arguments (the program's own name first). "-h"/"--help" and
// "-v"/"--version" answer whatever else is given; one FILE is opened; "--" ends the
// options. Another option, or a second file, cannot be used.
CommandLine readCommandLine(const QStringList& arguments);

} // namespace verimetra
