#include "entry/entrypage.h"

#include "entry/entrypage_fields.h"
#include "entry/page_parts.h"
#include "kit/btn_functions.h"
#include "kit/databinding.h"
#include "kit/dialogs.h"
#include "kit/look.h"
#include "kit/money.h"
#include "kit/pagetext.h"
#include "data/currency.h"
#include "data/datamodule.h"
#include "data/dates.h"
#include "data/db_functions.h"
#include "data/filter.h"
#include "kit/app_state.h"
#include "entry/amounts.h"

#include <QEvent>
#include <QHeaderView>

namespace nettora {

using namespace entryfields;

const EntryPage::Editor *EntryPage::find(const QString &name) const
{
    for (const Editor &e : m_editors)
        if (e.desc.name == name)
            return &e;
    return nullptr;
}

QWidget *EntryPage::editor(const QString &name) const
{
    const Editor *e = find(name);
    return e ? e->widget : nullptr;
}

QWidget *EntryPage::editorOfField(const QString &field) const
{
    for (const Editor &e : m_editors)
        if (e.desc.field.compare(field, Qt::CaseInsensitive) == 0)
            return e.widget;
    return nullptr;
}

bool EntryPage::selectRowId(qint64 row)
{
    if (row <= 0 || m_table->state() != RecordState::Browse || !m_table->bookmarkValid(row))
        return false;
    m_table->gotoBookmark(row);
    // Through the list, so the editors and "To Whom" follow as on a click.
    grid->selectRow(m_table->recNo());
    return true;
}

QLabel *EntryPage::captionOf(const QString &editorName) const
{
    const Editor *e = find(editorName);
    return e ? e->caption : nullptr;
}

QString EntryPage::editorText(const QString &name) const
{
    QWidget *w = editor(name);
    if (auto *e = qobject_cast<QLineEdit *>(w))
        return e->text();
    if (auto *c = qobject_cast<QComboBox *>(w))
        return c->currentText();
    if (auto *m = qobject_cast<QPlainTextEdit *>(w))
        return m->toPlainText();
    return QString();
}

void EntryPage::loadEditors()
{
    m_loading = true;
    for (const Editor &e : m_editors) {
        const QString stored = m_table->asString(e.desc.field);
        QString text = stored;
        if (e.desc.kind == EditorKind::Money && !stored.isEmpty())
            text = moneyEditorText(m_table->asFloat(e.desc.field));
        if (auto *edit = qobject_cast<QLineEdit *>(e.widget)) {
            edit->setText(text);
            edit->setCursorPosition(0);
        } else if (auto *box = qobject_cast<QComboBox *>(e.widget)) {
            const int i = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
            box->setCurrentIndex(i);
            if (i < 0)
                box->setEditText(text);
        } else if (auto *memo = qobject_cast<QPlainTextEdit *>(e.widget)) {
            memo->setPlainText(text);
        }
    }
    m_loadedTexts.clear();
    for (const Editor &e : m_editors)
        m_loadedTexts << editorText(e.desc.name);
    m_loading = false;
}

bool EntryPage::hasTypedChanges() const
{
    if (m_table->state() != RecordState::Edit && m_table->state() != RecordState::Insert)
        return false;
    for (size_t i = 0; i < m_editors.size(); ++i)
        if (i >= size_t(m_loadedTexts.size()) || editorText(m_editors[i].desc.name) != m_loadedTexts[qsizetype(i)])
            return true;
    return false;
}

bool EntryPage::storeEditors()
{
    for (const Editor &e : m_editors) {
        const QString text = editorText(e.desc.name);
        try {
            if (isNumeric(e.desc.kind)) {
                if (text.trimmed().isEmpty()) {
                    if (!m_table->isNull(e.desc.field))
                        m_table->setNull(e.desc.field);
                    continue;
                }
                double v = 0;
                if (!parseAmount(text, &v)) {
                    dialogs().error(notANumber(text, e.desc.caption));
                    e.widget->setFocus();
                    return false;
                }
                const ValueRange range = valueRange(fieldDef(m_table, e.desc.field));
                if (!range.contains(v)) {
                    dialogs().error(QStringLiteral("The amount in %1 must lie between %2 and %3.")
                                        .arg(boxName(e.desc.caption), boundText(e.desc.kind, range.min),
                                             boundText(e.desc.kind, range.max)));
                    e.widget->setFocus();
                    return false;
                }
                // Unchanged amounts keep every stored digit.
                if (m_table->isNull(e.desc.field) || m_table->asFloat(e.desc.field) != v) {
                    if (e.desc.kind == EditorKind::Money && moneyEditorText(m_table->asFloat(e.desc.field)) == text
                        && !m_table->isNull(e.desc.field))
                        continue;
                    m_table->setAsFloat(e.desc.field, v);
                }
            } else if (e.desc.kind == EditorKind::Date && !text.trimmed().isEmpty()
                       && dateTextToIso(text).isEmpty()) {
                dialogs().error(invalidDateMessage(text, boxName(e.desc.caption), QStringLiteral("12/31/09")));
                e.widget->setFocus();
                return false;
            } else if (text != m_table->asString(e.desc.field)) {
                m_table->setAsString(e.desc.field, text);
            }
        } catch (const EngineError &err) {
            dialogs().error(err.text());
            e.widget->setFocus();
            return false;
        }
    }
    return true;
}

void EntryPage::refreshTotals()
{
    Table *st = dm1->tblNettora;
    if (m_spec.totalField.isEmpty())
        totalLabel->clear();
    else
        totalLabel->setText(QStringLiteral("Total: ") + totalText(st->asFloat(m_spec.totalField)));
    for (size_t i = 0; i < m_spec.subTotals.size(); ++i)
        subTotalLabels[i]->setText(totalText(st->asFloat(m_spec.subTotals[i].second)));
    clientLabel->setText(pagetext::clientLine(dm1->tblClient->asString("ClientDescription")));
}

void EntryPage::applyState()
{
    const bool editing = appState().entry == EntryState::Closed;
    // The focus waits on the page while its buttons and editors change, so
    // that it does not wander off to the frame.
    const QWidget *focus = window()->focusWidget();
    const bool focusHere = focus && isAncestorOf(focus);
    if (focusHere)
        setFocus(Qt::OtherFocusReason);
    for (QPushButton *b : {addButton, editButton, deleteButton, previewButton})
        b->setVisible(!editing);
    for (QPushButton *b : {cancelButton, okButton})
        b->setVisible(editing);
    for (const Editor &e : m_editors)
        e.widget->setEnabled(editing);
    grid->setEnabled(!editing);
    grid->syncFromCursor();
    if (editing) {
        if (QWidget *f = editor(m_spec.focusEditor))
            f->setFocus();
    } else if (focusHere) {
        grid->setFocus(Qt::OtherFocusReason);
    }
    refreshTotals();
}

void EntryPage::pageShown()
{
    m_table->setIndexName(m_spec.order);
    m_table->first();
    grid->refresh();
    loadEditors();
    updatePledged(false);
    if (m_spec.hideHintsOnShow)
        hideHints();
    refreshTotals();
}

void EntryPage::discardPending()
{
    if (m_table->state() == RecordState::Edit || m_table->state() == RecordState::Insert)
        m_table->cancel();
}

void EntryPage::addClick()
{
    if (CheckEntryMode() == EntryState::Closed)
        return;
    appState().entry = EntryState::Closed;
    m_table->append();
    loadEditors();
    updatePledged(false);
    applyState();
}

void EntryPage::editClick()
{
    if (CheckEntryMode() == EntryState::Closed)
        return;
    m_table->edit();  // an empty list starts a new row
    appState().entry = EntryState::Closed;
    loadEditors();
    updatePledged(false);
    applyState();
}

QString EntryPage::checkErrors()
{
    for (const CheckSpec &c : m_spec.checks) {
        const QString text = editorText(c.editor);
        bool ok = false;
        if (c.accepted.isEmpty()) {
            ok = !text.isEmpty();
            // Blanks in a required figure are no figure: stored, they would
            // count as nothing in every total.
            const Editor *e = find(c.editor);
            if (ok && e && isNumeric(e->desc.kind) && text.trimmed().isEmpty()) {
                dialogs().error(notANumber(text, e->desc.caption));
                e->widget->setFocus();
                return QStringLiteral("Yes");
            }
        } else {
            auto *box = qobject_cast<QComboBox *>(editor(c.editor));
            const bool itemChosen = box && box->currentIndex() >= 0 && box->itemText(box->currentIndex()) == text
                                    && !text.trimmed().isEmpty();
            ok = itemChosen || c.accepted.contains(text) || (c.allowEmpty && text.isEmpty());
        }
        if (!ok) {
            dialogs().error(c.message);
            if (QWidget *w = editor(c.editor))
                w->setFocus();
            return QStringLiteral("Yes");
        }
    }
    return QStringLiteral("No");
}

void EntryPage::setStatement(const QString &clientId, const QString &statementId)
{
    m_clientId = clientId;
    m_statementId = statementId;
}

void EntryPage::narrowToStatement()
{
    if (m_clientId.isEmpty())
        return;  // a page outside a window follows the shared filters
    FilterStatementTables(m_clientId, m_statementId);
}

void EntryPage::resumeEditing(bool adding, qint64 row)
{
    // A rollback or a narrowing dropped the pending edit; the editors still
    // hold what was typed, and the next OK stores it.
    guarded([&] {
        narrowToStatement();
        m_table->setIndexName(m_spec.order);
        grid->refresh();
        if (adding) {
            m_table->append();
            return;
        }
        if (m_table->bookmarkValid(row)) {
            m_table->gotoBookmark(row);
            m_table->edit();
            grid->syncFromCursor();
            return;
        }
        // The row is not there to edit: what was typed must not land on another.
        appState().entry = EntryState::Open;
        pageShown();
        applyState();
    });
}

void EntryPage::okClick()
{
    if (checkErrors() == QLatin1String("Yes"))
        return;
    if (!storeEditors())
        return;
    const bool adding = m_table->state() == RecordState::Insert;
    const qint64 row = adding ? 0 : m_table->bookmark();
    const bool stored = guarded([&] {
        // The row and the totals it changes are stored together or not at
        // all: a recalculation that refuses leaves the file as it was.
        Transaction tx(dm1->db());
        if (m_spec.beforePost)
            m_spec.beforePost(m_table);
        // Edited rows are stamped as new ones are: they belong to the
        // statement being worked on.
        m_table->setAsString("ClientId", m_clientId.isEmpty() ? CurrentClientId() : m_clientId);
        m_table->setAsString("StatementId", m_clientId.isEmpty() ? CurrentStatementId() : m_statementId);
        m_table->post();
        narrowToStatement();
        if (m_spec.recalc)
            m_spec.recalc();
        tx.commit();
    });
    if (!stored) {
        resumeEditing(adding, row);
        return;
    }
    appState().entry = EntryState::Open;
    // Narrowing chose the browse indexes; the list keeps its own order.
    m_table->setIndexName(m_spec.order);
    m_table->first();
    grid->refresh();
    loadEditors();
    updatePledged(false);
    applyState();
}

void EntryPage::cancelClick()
{
    appState().entry = EntryState::Open;
    discardPending();
    grid->refresh();
    loadEditors();
    updatePledged(false);
    applyState();
}

void EntryPage::deleteClick()
{
    const bool removing = !m_table->isEmpty() && dialogs().warning(m_spec.deleteQuestion(m_table));
    const qint64 row = removing ? m_table->bookmark() : 0;
    const bool done = guarded([&] {
        Transaction tx(dm1->db());
        if (removing) {
            try {
                m_table->remove();
            } catch (const EngineError &) {
                discardPending();  // a failed delete changes nothing and says nothing
            }
        }
        narrowToStatement();
        if (m_spec.recalc)
            m_spec.recalc();
        tx.commit();
        m_table->setIndexName(m_spec.order);
        m_table->first();
    });
    if (!done) {
        // The deletion went back with the refused totals: the row stays,
        // and stays the current one.
        guarded([&] {
            narrowToStatement();
            m_table->setIndexName(m_spec.order);
            if (m_table->bookmarkValid(row))
                m_table->gotoBookmark(row);
        });
    }
    grid->refresh();
    loadEditors();
    updatePledged(false);
    applyState();
}

void EntryPage::previewClick()
{
    Q_EMIT previewRequested();
}

void EntryPage::updatePledged(bool fromUser)
{
    if (!m_spec.pledged || m_loading)
        return;
    const bool yes = editorText(m_spec.pledged->pledged) == QLatin1String("Yes");
    const Editor *toWhom = find(m_spec.pledged->toWhom);
    if (!toWhom)
        return;
    toWhom->widget->setVisible(yes);
    toWhom->caption->setVisible(yes);
    if (!fromUser || appState().entry != EntryState::Closed)
        return;
    if (yes) {
        pageparts::hideProposals(qobject_cast<QComboBox *>(editor(m_spec.pledged->pledged)));
        toWhom->widget->setFocus();
    } else if (auto *e = qobject_cast<QLineEdit *>(toWhom->widget)) {
        // Leaving "Yes" forgets to whom the asset was pledged.
        e->clear();
        if (m_table->state() != RecordState::Browse)
            m_table->setAsString(toWhom->desc.field, QString());
    }
}

void EntryPage::showHint(const QStringList &lines)
{
    QLabel *labels[] = {hint1, hint2, hint3};
    for (int i = 0; i < 3; ++i) {
        labels[i]->setText(i < lines.size() ? lines[i] : QString());
        labels[i]->setVisible(i < lines.size());
    }
}

void EntryPage::hideHints()
{
    for (QLabel *l : {hint1, hint2, hint3})
        l->hide();
}

bool EntryPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == this && event->type() == QEvent::MouseMove)
        hideHints();
    return QWidget::eventFilter(watched, event);
}

}  // namespace nettora
