#pragma once
// Shared test fixtures: a fresh data directory with a connected data module
// per test, and a dialog service whose answers the test scripts.

#include "data/data_key.h"
#include "data/secret.h"
#include "kit/app_state.h"
#include "kit/dialogs.h"
#include "data/datamodule.h"

#include <QApplication>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <gtest/gtest.h>
#include <memory>

// Readable failure output for Qt strings.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList &l, std::ostream *os) { *os << '[' << l.join(QStringLiteral("|")).toStdString() << ']'; }
QT_END_NAMESPACE

namespace nettora {
inline void PrintTo(ClientMode m, std::ostream *os) { *os << modeWord(m).toStdString(); }
inline void PrintTo(EntryState s, std::ostream *os)
{
    *os << (s == EntryState::Open ? "Open" : s == EntryState::Closed ? "Closed" : "None");
}
}  // namespace nettora

namespace nettora::test {

// The login password of every data directory the tests make; its key file
// is made with the cheapest key derivation, so hundreds of directories cost
// nothing (set once when the test program starts).
inline constexpr const char *TestPassword = "test password";
SecretBytes testPassword();

// The client window mode a test names by its heading word ("Add", "PDF").
ClientMode clientModeNamed(const QString &word);

struct ShownDialog {
    QString kind;  // "error", "warning", "confirmation", "information", "save"
    QString text;
};

class ScriptedDialogs : public DialogService {
public:
    ScriptedDialogs() { setDialogService(this); }
    ~ScriptedDialogs() override { setDialogService(nullptr); }

    void answerWarnings(std::initializer_list<bool> answers) { m_answers.insert(m_answers.end(), answers); }
    // Answers to "Save the changes to ...?", in order; an unscripted one fails the test.
    void answerSaveQuestions(std::initializer_list<SaveChoice> answers)
    {
        m_saveAnswers.insert(m_saveAnswers.end(), answers);
    }
    const std::vector<ShownDialog> &shown() const { return m_shown; }
    QStringList texts() const;
    void clear() { m_shown.clear(); }

    void error(const QString &text) override { m_shown.push_back({QStringLiteral("error"), text}); }
    bool warning(const QString &text) override;
    void confirmation(const QString &text) override { m_shown.push_back({QStringLiteral("confirmation"), text}); }
    void information(const QString &text) override { m_shown.push_back({QStringLiteral("information"), text}); }
    SaveChoice saveChanges(const QString &text) override;
    // The file chooser answers with the next scripted name (empty: cancelled).
    void answerSaveFileNames(std::initializer_list<QString> names) { m_fileNames.insert(m_fileNames.end(), names); }
    QString saveFileName(const QString &, const QString &) override
    {
        if (m_fileNames.empty())
            return QString();
        const QString name = m_fileNames.front();
        m_fileNames.pop_front();
        return name;
    }
    // What would have been printed; the printer accepts it.
    QStringList printed;
    bool printText(const QString &, const QString &text) override
    {
        printed << text;
        return true;
    }

private:
    std::deque<QString> m_fileNames;
    std::deque<bool> m_answers;
    std::deque<SaveChoice> m_saveAnswers;
    std::vector<ShownDialog> m_shown;
};

// A connected data module on its own empty data directory; dm1 points to it.
class DataDirTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Reconnects a new data module to the same directory (a fresh start).
    void restart();
    // Opens a data file of this directory (or a copy of one) under its key,
    // which stays known after the module closed.
    void openData(Database &db, const QString &file) const { db.open(file, engineKeyText(m_dataKey)); }
    QString dataDir() const { return m_dir->path(); }

    // Small helpers to seed rows through the cursors.
    qint64 addClient(const QString &first, const QString &last, const QString &middle = QString());
    qint64 addStatement(qint64 clientId, const QString &date = QStringLiteral("12/31/2025"),
                        const QString &description = QStringLiteral("Annual"));
    // Appends a schedule row with the keys and the given field texts.
    void addRow(Table *t, qint64 clientId, qint64 statementId,
                std::initializer_list<std::pair<const char *, QString>> fields);
    // Sets fields of the single user row and posts it.
    void setUser(std::initializer_list<std::pair<const char *, QString>> fields);
    // Sets fields of the first client row and posts it.
    void setClient(std::initializer_list<std::pair<const char *, QString>> fields);
    // Rows of a table whose keys are the given ones, read with plain SQL.
    int countRows(const QString &table, const QString &where = QString());

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Tdm1> m_dm;
    SecretBytes m_dataKey;
    QString m_recoveryCode;  // of the directory made at set-up
    std::unique_ptr<ScriptedDialogs> m_dialogs;
};

// Renders a window to PNG in the artefacts folder (NETTORA_ARTIFACTS, or the
// build's artifacts folder) so that people can look at it; returns the path.
QString saveScreenshot(QWidget *window, const QString &name);

// The texts of every label on page.
QStringList labelTexts(const QWidget *page);

// Pointer events as the window system would deliver them.
void hover(QWidget *w);           // the pointer enters w
void moveOver(QWidget *w);        // the pointer moves over w
void click(QWidget *w);           // left click in the middle of w

// Clears a line edit, or an editable combo's line edit, and types text into it
// key by key, as the user would.
void type(QWidget *editor, const QString &text);

// A row's field as the file holds it, read with plain SQL past every cursor;
// "<no row>" when the table has no row with that Id.
QString stored(const QString &table, qint64 id, const QString &field);

// The first visible top-level window of type W, or null.
template <class W>
W *shownWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *x = qobject_cast<W *>(w); x && x->isVisible())
            return x;
    return nullptr;
}

// Deletes every top-level window built on ScreenFrame but keep. Deleting one
// may take others with it, so they are held by guards.
void closeScreenWindows(const QWidget *keep = nullptr);

}  // namespace nettora::test
