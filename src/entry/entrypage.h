#pragma once
// The entry page: a list of one schedule's rows for the current statement
// with the editors of the current row, Add / Edit / Delete / Preview in
// browse state and OK / Cancel while a row is added or edited. Every page of
// the assets, liabilities and income windows is one EntryPage built from a
// PageSpec: the pages are data, not code.

#include "kit/dbgrid.h"
#include "kit/hoverlabel.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <functional>
#include <optional>
#include <vector>

namespace nettora {

// Memo: a text of several lines (the notes), as tall as kMemoHeight; a Date
// box takes the engine's MM/dd/yy.
enum class EditorKind { Text, Money, Number, Percent, Choice, Memo, Date };

struct EditorSpec {
    QString name;     // d1_1 ...
    QString caption;  // "* Registered Name:"
    QString field;
    EditorKind kind = EditorKind::Text;
    QStringList items;  // the drop-down's items, blank ones included
    // A text box takes no more than its field's width; this narrows it
    // further. A percent box takes what its field's range needs.
    int maxLength = 0;
    QStringList hint;   // up to three lines shown while the pointer is over the caption
    QString suffix;     // "%" after a percent box, a note after a date box
};

// Checks run in order and stop at the first failure. With no accepted names
// the editor must not be empty; with them it must hold one of the list's
// non-blank items or exactly one of the names (or be empty, if allowed).
struct CheckSpec {
    QString editor;
    QString message;
    QStringList accepted = {};
    bool allowEmpty = false;
};

// A "Pledged" drop-down that shows its "To Whom" box only for "Yes".
struct PledgedSpec {
    QString pledged;
    QString toWhom;
};

struct PageSpec {
    int number = 1;     // N of b<N>Add and friends
    QString name;       // tsCash
    QString title;      // "Assets - Cash"
    QString table;      // Cash
    QString order;      // index that orders the list when the page is shown
    std::vector<GridColumn> columns;  // titles are the column headings
    std::vector<EditorSpec> editors;
    QString focusEditor;
    std::vector<CheckSpec> checks;
    // The delete question about the current row.
    std::function<QString(Table *)> deleteQuestion;
    QString totalField;  // of the statement row; a page without one shows no total
    std::function<void()> recalc;
    QString hintName;  // lbldef_cash: hint labels lbldef_cash1..3
    bool hideHintsOnShow = false;
    std::optional<PledgedSpec> pledged;
    // Fields composed from others just before the row is posted.
    std::function<void(Table *)> beforePost = {};
    // Statement-row figures shown under captions (caption, field).
    std::vector<std::pair<QString, QString>> subTotals = {};
    QString okName;  // b<N>OK unless given
};

class EntryPage : public QWidget {
    Q_OBJECT
public:
    explicit EntryPage(PageSpec page, QWidget *parent = nullptr);

    const PageSpec &description() const { return m_spec; }
    Table *table() const { return m_table; }

    // The statement the page belongs to: OK stamps its keys on the row, and
    // the recalculation after a save or delete runs over it alone, whatever
    // the shared filters were left showing.
    void setStatement(const QString &clientId, const QString &statementId);

    // Browse or edit state by the entry state, then the total.
    void applyState();
    // The page becomes active: list order, first row, editors, "To Whom".
    void pageShown();
    // Leaves a row being added or edited unsaved: it never reaches the file
    // without its checks and keys.
    void discardPending();
    // A row being added or edited whose editors hold something else than
    // the row as it was loaded.
    bool hasTypedChanges() const;
    // After the tables were narrowed again or a save was refused, the row
    // being added, or row `row` being edited, is in edit again with the
    // editors as typed; a row that is gone leaves the page in browse.
    void resumeEditing(bool adding, qint64 row);

    void addClick();
    void editClick();
    void okClick();
    void cancelClick();
    void deleteClick();
    void previewClick();
    // "Yes" when a check failed (its message shown, focus on its editor).
    QString checkErrors();

    QWidget *editor(const QString &name) const;
    // The editor of a field of the page's table, or null.
    QWidget *editorOfField(const QString &field) const;
    // Selects the row with that id in the list, as a click on it does; false
    // when the list does not hold it.
    bool selectRowId(qint64 row);
    QLabel *captionOf(const QString &editorName) const;
    QString editorText(const QString &name) const;

    QLabel *titleLabel, *clientLabel, *totalLabel;
    DbGrid *grid;
    QPushButton *addButton, *editButton, *deleteButton, *previewButton, *cancelButton, *okButton;
    QLabel *hint1, *hint2, *hint3;
    std::vector<QLabel *> subTotalLabels;

Q_SIGNALS:
    void previewRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Editor {
        EditorSpec desc;
        HoverLabel *caption;
        QWidget *widget;
        HoverLabel *suffix;
    };
    void loadEditors();
    bool storeEditors();
    void showHint(const QStringList &lines);
    void hideHints();
    void updatePledged(bool fromUser);
    void refreshTotals();
    const Editor *find(const QString &name) const;
    // Narrows every table to the page's statement, as FilterStatementTables.
    void narrowToStatement();

    PageSpec m_spec;
    QString m_clientId, m_statementId;
    Table *m_table;
    std::vector<Editor> m_editors;
    // The editors' texts as the row was loaded into them.
    QStringList m_loadedTexts;
    bool m_loading = false;
};

}  // namespace nettora
