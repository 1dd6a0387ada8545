#pragma once
// What the backup and restore windows share: their page's fixed lines, the
// data directory as it really is, and the run of the routine itself with
// the database closed around it.

#include "kit/frame.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

namespace nettora {

struct DataFileResult;

namespace backupparts {

// "File Location:  " and the data directory with a closing "/"; a path too
// long for the line is shortened in the middle, the whole of it in the
// tooltip.
QLabel *dataLocation(QWidget *page, int y);
QString dataLocationText();

// Lines of text one under the other from y; returns the next free line.
int lines(QWidget *page, std::initializer_list<const char *> texts, int y);
QLineEdit *edit(QWidget *page, const QString &objectName, int x, int y, int width);

// Runs the routine with the hourglass and the window messages let through
// first. When the data could not be opened again the user is told, and the
// program ends; the result is then not ok.
DataFileResult run(ScreenFrame *window, const std::function<DataFileResult()> &routine);

}  // namespace backupparts
}  // namespace nettora
