#include "kit/look.h"

#include <QFontDatabase>
#include <QStringList>

namespace nettora::look {

QFont arial(int pixels, bool bold)
{
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QFont menuFont()
{
    // Every menu entry asks; listing the installed families once is enough.
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        for (const char *name : {"AvantGarde Bk BT", "URW Gothic", "Liberation Sans"})
            if (families.contains(QLatin1String(name)))
                return QString::fromLatin1(name);
        return QString();
    }();
    QFont f;
    if (family.isEmpty())
        f.setStyleHint(QFont::SansSerif);
    else
        f.setFamily(family);
    f.setPixelSize(13);
    f.setBold(true);
    return f;
}

QFont topLinkFont() { return arial(13, true); }
QFont sideLinkFont() { return arial(11); }
QFont textFont() { return arial(11); }
QFont headingFont() { return arial(16, true); }
QFont nameFont() { return arial(12, true); }

}  // namespace nettora::look
