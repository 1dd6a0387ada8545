#pragma once
// Editors bound to fields of a table's current row: load() shows the row
// (or the row being added or edited), store() writes what is typed into the
// row, which must be in edit or insert state. Windows read their checks from
// the row after store(), as data-aware editors always did.

#include "data/engine.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <vector>

namespace nettora {

class FieldBinder {
public:
    void bind(QLineEdit *edit, Table *table, const QString &field);
    void bind(QComboBox *box, Table *table, const QString &field);
    void bind(QPlainTextEdit *edit, Table *table, const QString &field);

    void load() const;
    // Writes every bound editor of the given table (all tables when null).
    void store(Table *only = nullptr) const;
    // The editor bound to a field, to give it the focus.
    QWidget *editorOf(const QString &field) const;

private:
    struct Binding {
        QWidget *editor;
        Table *table;
        QString field;
    };
    static QString textOf(QWidget *editor);
    static void setTextOf(QWidget *editor, const QString &text);
    std::vector<Binding> m_bindings;
};

}  // namespace nettora
