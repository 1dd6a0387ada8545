#include "app/databinding.h"

namespace nettora {

void FieldBinder::bind(QLineEdit *edit, Table *table, const QString &field)
{
    table->fieldIndex(field);  // a wrong name fails here, not at the first save
    m_bindings.push_back({edit, table, field});
}

void FieldBinder::bind(QComboBox *box, Table *table, const QString &field)
{
    table->fieldIndex(field);
    m_bindings.push_back({box, table, field});
}

void FieldBinder::bind(QPlainTextEdit *edit, Table *table, const QString &field)
{
    table->fieldIndex(field);
    m_bindings.push_back({edit, table, field});
}

QString FieldBinder::textOf(QWidget *editor)
{
    if (auto *e = qobject_cast<QLineEdit *>(editor))
        return e->text();
    if (auto *c = qobject_cast<QComboBox *>(editor))
        return c->currentText();
    if (auto *p = qobject_cast<QPlainTextEdit *>(editor))
        return p->toPlainText();
    return QString();
}

void FieldBinder::setTextOf(QWidget *editor, const QString &text)
{
    if (auto *e = qobject_cast<QLineEdit *>(editor)) {
        e->setText(text);
        e->setCursorPosition(0);
    } else if (auto *c = qobject_cast<QComboBox *>(editor)) {
        const int i = c->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (i >= 0)
            c->setCurrentIndex(i);
        else if (c->isEditable())
            c->setEditText(text);
        else
            c->setCurrentIndex(-1);
    } else if (auto *p = qobject_cast<QPlainTextEdit *>(editor)) {
        p->setPlainText(text);
    }
}

void FieldBinder::load() const
{
    for (const auto &b : m_bindings)
        setTextOf(b.editor, b.table->asString(b.field));
}

void FieldBinder::store(Table *only) const
{
    for (const auto &b : m_bindings)
        if (!only || b.table == only)
            if (textOf(b.editor) != b.table->asString(b.field))
                b.table->setAsString(b.field, textOf(b.editor));
}

QWidget *FieldBinder::editorOf(const QString &field) const
{
    for (const auto &b : m_bindings)
        if (b.field.compare(field, Qt::CaseInsensitive) == 0)
            return b.editor;
    return nullptr;
}

}  // namespace nettora
