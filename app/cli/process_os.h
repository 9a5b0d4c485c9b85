#pragma once

#include <QProcess>
#include <cstddef>
#include <cstdio>
#include <string>

// What differs between POSIX systems and Windows for the CLI's processes and
// terminals, in one place so that the commands stay free of both.
namespace qrkcli {

// Whether `stream` is a terminal a person watches (not a pipe or a file).
bool isTerminal(std::FILE* stream);

// One line typed on the standard input, without its line break and cut to
// `maxLength` characters. A Ctrl-C, the end of the input or an error ends it
// early with what was typed so far.
std::string readTerminalLine(std::size_t maxLength);

// Starts `program` in a process group of its own, so that a Ctrl-C typed on
// the terminal reaches only this process, which passes exactly one on through
// interruptChild. On Linux the child is also interrupted should this process die.
void startInOwnGroup(QProcess& process, const QString& program, const QStringList& arguments);

// Ctrl-C for that child alone: it stops as the Stop button does.
void interruptChild(const QProcess& process);

}  // namespace qrkcli
