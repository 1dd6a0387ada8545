#pragma once
// The legal questionnaire: ten questions on two pages, answered "No" or
// "Yes" with an explanation for each "Yes". The window edits the statement's
// single legal row directly: the row is in edit while a page shows, OK saves
// it, Cancel drops what was not saved.

#include "entry/entrywindow.h"
#include "kit/databinding.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace nettora {

class TfrmLegal : public EntryWindow {
    Q_OBJECT
public:
    explicit TfrmLegal(QWidget *parent = nullptr);

    QWidget *firstLegalPage, *secondLegalPage;
    QPushButton *firstPageCancel, *firstPageOk;
    QPushButton *secondPageCancel, *secondPageOk;

    // The answer box (d1_1 ...) and explanation box (d1_2 ...) by name.
    QComboBox *answer(const QString &name) const;
    QLineEdit *explanation(const QString &name) const;
    QLabel *explanationCaption(const QString &explanationName) const;

    // What the side links "- Legal 1" and "- Legal 2" do.
    void openLegalPage(int number);
    // Where an answer or explanation is to be mended: page N, opened as its
    // link does unless it shows already, with the focus in the field's box.
    void showField(int number, const QString &field);
    void firstPageOkClick();
    void secondPageOkClick();
    void cancelClick();

protected:
    void firstShown() override;
    void closeEvent(QCloseEvent *event) override;
    void menuAction(Entry e) override;

private:
    struct Question {
        QComboBox *answer;
        QLabel *caption;
        QLineEdit *explanation;
        QString explanationField;
    };
    QWidget *buildPage(int number);
    HoverLabel *linkAway(const QString &caption, std::function<QWidget *()> open);
    void answerChanged(const Question &q);
    bool rowOpen() const;
    // The statement's row, put into edit, or a new one with the keys.
    void openRow();
    // Writes the editors into the open row and posts it; false (with the
    // engine's message shown) when it could not be stored.
    bool saveRow();
    // openRow, with the engine's refusal shown; false when it refused.
    bool reopenRow();
    void loadRow();

    std::vector<Question> m_questions;
    FieldBinder m_binder;
    bool m_loading = false;
};

}  // namespace nettora
