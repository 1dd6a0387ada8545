#pragma once
// Editors bound to fields of a table's current row: load() shows the row
// (or the row being added or edited), store() writes what is typed into the
// row, which must be in edit or insert state. Windows read their checks from
// the row after store(), as data-aware editors always did.
//
// A bound editor takes no more text than its field holds: the user sees the
// limit while typing, and nothing typed or pasted is ever cut on the way to
// the table.

#include "data/engine.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QValidator>
#include <vector>

namespace nettora {

// Refuses a text longer than `width` characters, or with a lone surrogate.
// A paste that would not fit is refused whole rather than cut.
class FieldWidthValidator : public QValidator {
    Q_OBJECT
public:
    FieldWidthValidator(int width, QObject *parent);
    State validate(QString &input, int &pos) const override;
    int width() const { return m_width; }

private:
    int m_width;
};

// Limits an editor to `width` characters (no limit when 0), or to a
// narrower maxLength the editor already has; the limit counts characters,
// not UTF-16 units, so maxLength itself is lifted.
void limitToWidth(QLineEdit *edit, int width);
void limitToWidth(QComboBox *box, int width);
void limitToWidth(QPlainTextEdit *edit, int width);

// An editable drop-down: typed text completes only to choices that begin
// with it in the same letter case, proposed in a list under the box. The box
// keeps what was typed until a proposal is taken, so the text a check reads
// is the text the user sees.
void setUpChoiceBox(QComboBox *box);
// Letters typed into the box turn upper case, unless that would make the
// text longer than the box takes ("ß" gives "SS").
void upperCaseAsTyped(QLineEdit *edit);

// The width of a table's field (0 for none or no limit).
int fieldWidth(const Table *table, const QString &field);

class FieldBinder {
public:
    void bind(QLineEdit *edit, Table *table, const QString &field);
    void bind(QComboBox *box, Table *table, const QString &field);
    void bind(QPlainTextEdit *edit, Table *table, const QString &field);

    void load() const;
    // Writes every bound editor of the given table (all tables when null).
    void store(Table *only = nullptr) const;
    // Whether store() would write anything: an editor differs from its field.
    bool changed() const;
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
