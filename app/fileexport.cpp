#include "fileexport.h"

#include "prompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>

namespace FileExport {

bool save(Prompter &prompter, const QString &title, const QString &proposedName,
          const QString &filter, QIODevice::OpenMode textMode,
          const std::function<bool(QIODevice *)> &write)
{
    const QString path = prompter.getSaveFileName(title, proposedName, filter);
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly | textMode) && write(&file) && file.commit())
        return true;
    prompter.warning(title, QCoreApplication::translate("FileExport", "Could not write %1: %2")
                                .arg(QDir::toNativeSeparators(path), file.errorString()));
    return false;
}

} // namespace FileExport
