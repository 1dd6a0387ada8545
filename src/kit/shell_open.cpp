#include "kit/shell_open.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace nettora {

namespace {
std::function<bool(const QString &)> &shellHandler()
{
    static std::function<bool(const QString &)> h;
    return h;
}
}  // namespace

void setShellHandler(std::function<bool(const QString &)> handler)
{
    shellHandler() = std::move(handler);
}

bool ShellOpen(const QString &target)
{
    if (shellHandler())
        return shellHandler()(target);
    const QUrl url = QFileInfo::exists(target) ? QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath())
                                               : QUrl::fromUserInput(target);
    return url.isValid() && QDesktopServices::openUrl(url);
}

}  // namespace nettora
