#include "backup/backup_parts.h"

#include "kit/btn_functions.h"
#include "kit/dialogs.h"
#include "kit/pagetext.h"
#include "data/data_backup.h"
#include "data/datamodule.h"

#include <QApplication>
#include <QDir>

namespace nettora::backupparts {

QString dataLocationText()
{
    QString dir = QDir::cleanPath(dm1->ACon1.connectPath());
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return QStringLiteral("File Location:  ") + QDir::toNativeSeparators(dir);
}

QLabel *dataLocation(QWidget *page, int y)
{
    const int width = pagetext::PageWidth - 36;
    QLabel *l = pagetext::line(page, QString(), 24, y, width);
    l->setObjectName(QStringLiteral("lLocation"));
    const QString full = dataLocationText();
    l->setText(l->fontMetrics().elidedText(full, Qt::ElideMiddle, width));
    l->setToolTip(full);
    return l;
}

int lines(QWidget *page, std::initializer_list<const char *> texts, int y)
{
    for (const char *t : texts) {
        pagetext::line(page, QString::fromUtf8(t), 24, y);
        y += 14;
    }
    return y;
}

QLineEdit *edit(QWidget *page, const QString &objectName, int x, int y, int width)
{
    QLineEdit *e = pagetext::editBox(page, objectName, QRect(x, y, width, 22));
    e->setFont(pagetext::textFont());
    return e;
}

DataFileResult run(ScreenFrame *window, const std::function<DataFileResult()> &routine)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    DataFileResult result = routine();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QApplication::restoreOverrideCursor();
    if (!result.reopened) {
        // Nothing can be shown or saved without the data: the program ends.
        // The tables are closed, so the filters are left as they are.
        dialogs().error(QStringLiteral("Error:  Directory is Invalid\n\r") + result.text);
        if (ScreenFrame *home = homeWindow())
            home->close();
        window->close();
        result.ok = false;
    }
    return result;
}

}  // namespace nettora::backupparts
