#pragma once
// The small builders the entry windows' pages are written with: list
// columns, editors and the two checks the pages share with their messages.

#include "data/currency.h"
#include "entry/amounts.h"
#include "entry/entrypage.h"
#include "kit/look.h"
#include "kit/pagetext.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QFont>
#include <QLabel>

namespace nettora::pageparts {

inline const Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;
inline const Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;

// A stored amount as a list shows it; an empty field stays empty.
inline QString money(const QString &stored)
{
    return stored.isEmpty() ? stored : moneyListText(stored.toDouble());
}

inline GridColumn text(const char *field, const char *title, int width)
{
    return {QString::fromLatin1(field), QString::fromLatin1(title), width, kLeft};
}

// An amount column shows every amount its field holds in full: it is at
// least as wide as the longest, the largest negative one.
inline GridColumn amount(const char *field, const char *title, int width)
{
    return {QString::fromLatin1(field), QString::fromLatin1(title), width, kRight, money, moneyListText(-MaxCurrency)};
}

inline EditorSpec ed(const QString &name, const char *caption, const char *field, EditorKind kind = EditorKind::Text,
                     QStringList hint = {})
{
    EditorSpec e;
    e.name = name;
    e.caption = QString::fromLatin1(caption);
    e.field = QString::fromLatin1(field);
    e.kind = kind;
    e.hint = std::move(hint);
    return e;
}

inline EditorSpec choice(const char *name, const char *caption, const char *field, QStringList items,
                         QStringList hint = {})
{
    EditorSpec e = ed(QString::fromLatin1(name), caption, field, EditorKind::Choice, std::move(hint));
    e.items = std::move(items);
    return e;
}

inline CheckSpec required(const QString &editor, const char *what)
{
    return {editor, QStringLiteral("Please enter \"%1\".").arg(QLatin1String(what))};
}

inline CheckSpec oneOf(const QString &editor, const char *what, QStringList accepted, bool allowEmpty = false)
{
    return {editor,
            QStringLiteral("Please enter one of the items provided for \"%1\".").arg(QLatin1String(what)),
            std::move(accepted), allowEmpty};
}

// The delete question about the current row: "You have selected to DELETE
// the account "Savings"." The Bank page quotes with apostrophes.
inline std::function<QString(Table *)> deleteQuestion(const char *opening, const char *field = "Description",
                                                      QChar quote = QLatin1Char('"'))
{
    const QString o = QString::fromLatin1(opening);
    const QString f = QString::fromLatin1(field);
    return [o, f, quote](Table *t) {
        return o + quote + t->asString(f) + quote + QStringLiteral(".\n\r\n\rDo you wish to continue?");
    };
}

// A proposal list still open under a choice box would keep the keys when
// the focus moves on.
inline void hideProposals(QComboBox *box)
{
    if (box && box->completer() && box->completer()->popup())
        box->completer()->popup()->hide();
}

// The pages' text face and labels are the program's.
using look::arial;
using pagetext::label;

}  // namespace nettora::pageparts
