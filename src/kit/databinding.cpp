#include "kit/databinding.h"

#include <QCompleter>

namespace nettora {

FieldWidthValidator::FieldWidthValidator(int width, QObject *parent) : QValidator(parent), m_width(width) {}

QValidator::State FieldWidthValidator::validate(QString &input, int &) const
{
    const qsizetype n = fieldChars(input);
    return n >= 0 && (m_width <= 0 || n <= m_width) ? Acceptable : Invalid;
}

namespace {

// The narrower of a field's width and a limit an editor was given before
// it was bound (QLineEdit's default of 32767 is no limit).
int narrowest(int width, int maxLength)
{
    if (maxLength <= 0 || maxLength >= 32767)
        return width;
    return width > 0 ? std::min(width, maxLength) : maxLength;
}

// Keeps a plain-text editor within its width: a change that would make the
// text too long is taken back, the cursor left where the change began.
// Texts set by the program (a stored row) are shown as they are.
class PlainTextWidthGuard : public QObject {
public:
    PlainTextWidthGuard(QPlainTextEdit *edit, int width) : QObject(edit), m_edit(edit), m_width(width)
    {
        m_last = edit->toPlainText();
        connect(edit, &QPlainTextEdit::textChanged, this, &PlainTextWidthGuard::changed);
    }
    void setText(const QString &text)
    {
        m_setting = true;
        m_edit->setPlainText(text);
        m_last = text;
        m_setting = false;
    }

private:
    void changed()
    {
        const QString now = m_edit->toPlainText();
        const qsizetype n = fieldChars(now);
        if (m_setting || (n >= 0 && n <= m_width)) {
            m_last = now;
            return;
        }
        qsizetype common = 0;
        while (common < now.size() && common < m_last.size() && now[common] == m_last[common])
            ++common;
        m_setting = true;
        m_edit->setPlainText(m_last);
        QTextCursor cursor = m_edit->textCursor();
        cursor.setPosition(int(std::min(common, m_last.size())));
        m_edit->setTextCursor(cursor);
        m_setting = false;
    }

    QPlainTextEdit *m_edit;
    int m_width;
    QString m_last;
    bool m_setting = false;
};

}  // namespace

void limitToWidth(QLineEdit *edit, int width)
{
    width = narrowest(width, edit->maxLength());
    edit->setMaxLength(32767);
    if (width > 0)
        edit->setValidator(new FieldWidthValidator(width, edit));
}

void limitToWidth(QComboBox *box, int width)
{
    if (QLineEdit *edit = box->lineEdit())
        limitToWidth(edit, width);
}

void limitToWidth(QPlainTextEdit *edit, int width)
{
    if (width > 0)
        new PlainTextWidthGuard(edit, width);
}

void setUpChoiceBox(QComboBox *box)
{
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    // The combo box's own completer fills in a choice whatever the letter
    // case and as soon as one letter is typed: "cash on hand" became the
    // item, and "Y" stood for "Yes" before "es" was typed.
    if (QCompleter *c = box->completer()) {
        c->setCaseSensitivity(Qt::CaseSensitive);
        c->setCompletionMode(QCompleter::PopupCompletion);
    }
}

int fieldWidth(const Table *table, const QString &field)
{
    const TableDef &def = table->def();
    const int pos = def.fieldIndex(field);
    if (pos < 0)
        return 0;
    const FieldDef &f = def.fields[size_t(pos)];
    return f.type == FieldType::Text ? f.width : 0;
}

void FieldBinder::bind(QLineEdit *edit, Table *table, const QString &field)
{
    table->fieldIndex(field);  // a wrong name fails here, not at the first save
    limitToWidth(edit, fieldWidth(table, field));
    m_bindings.push_back({edit, table, field});
}

void FieldBinder::bind(QComboBox *box, Table *table, const QString &field)
{
    table->fieldIndex(field);
    limitToWidth(box, fieldWidth(table, field));
    m_bindings.push_back({box, table, field});
}

void FieldBinder::bind(QPlainTextEdit *edit, Table *table, const QString &field)
{
    table->fieldIndex(field);
    limitToWidth(edit, fieldWidth(table, field));
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
        for (QObject *child : p->children()) {
            if (auto *guard = dynamic_cast<PlainTextWidthGuard *>(child)) {
                guard->setText(text);
                return;
            }
        }
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

bool FieldBinder::changed() const
{
    for (const auto &b : m_bindings)
        if (b.table->active() && textOf(b.editor) != b.table->asString(b.field))
            return true;
    return false;
}

QWidget *FieldBinder::editorOf(const QString &field) const
{
    for (const auto &b : m_bindings)
        if (b.field.compare(field, Qt::CaseInsensitive) == 0)
            return b.editor;
    return nullptr;
}

void upperCaseAsTyped(QLineEdit *edit)
{
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString &typed) {
        QString upper = typed.toUpper();
        int at = edit->cursorPosition();
        const bool fits = !edit->validator() || edit->validator()->validate(upper, at) != QValidator::Invalid;
        if (upper != typed && fits) {
            const int pos = edit->cursorPosition();
            edit->setText(upper);
            edit->setCursorPosition(pos);
        }
    });
}

}  // namespace nettora
