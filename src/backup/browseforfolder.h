#pragma once
// The folder chooser behind every Browse button that asks for a folder.

#include <QString>
#include <functional>

class QWidget;

namespace nettora {

// Shows the desktop's folder dialog with the title, opening on the initial
// folder when it is not empty; the chosen folder, or an empty text when the
// user cancels or chooses something that is not a folder.
QString SelectFolder(const QString &title, const QString &initialFolder, QWidget *parent = nullptr);

// Tests replace the dialog: a title and the folder to start in, the chosen
// folder or an empty text; an empty chooser goes back to the dialog.
using FolderChooser = std::function<QString(QWidget *parent, const QString &title, const QString &start)>;
void setFolderChooser(FolderChooser chooser);

}  // namespace nettora
