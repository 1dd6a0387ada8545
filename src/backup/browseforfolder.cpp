#include "backup/browseforfolder.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

namespace nettora {

namespace {
FolderChooser &chooser()
{
    static FolderChooser c;
    return c;
}
}  // namespace

void setFolderChooser(FolderChooser c)
{
    chooser() = std::move(c);
}

QString SelectFolder(const QString &title, const QString &initialFolder, QWidget *parent)
{
    QWidget *owner = parent ? parent : QApplication::activeWindow();
    const QString chosen = chooser() ? chooser()(owner, title, initialFolder)
                                     : QFileDialog::getExistingDirectory(owner, title, initialFolder,
                                                                         QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty() || !QFileInfo(chosen).isDir())
        return QString();
    return chosen;
}

}  // namespace nettora
