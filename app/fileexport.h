#pragma once

#include <QIODevice>
#include <QString>
#include <functional>

class Prompter;

// Saving a view's contents to a file the user chooses.
namespace FileExport {

// Asks for the file (proposedName first), then writes it whole or not at all: an existing
// file is replaced only when everything was written. A failure is told in the system's own
// words; false when nothing was saved, also when the user cancelled.
bool save(Prompter &prompter, const QString &title, const QString &proposedName,
          const QString &filter, QIODevice::OpenMode textMode,
          const std::function<bool(QIODevice *)> &write);

} // namespace FileExport
