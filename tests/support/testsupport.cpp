#include "support/testsupport.h"

#include "data/data_key.h"
#include "kit/frame.h"
#include "kit/app_state.h"

#include <QApplication>
#include <sodium.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QWidget>

namespace nettora::test {

namespace {
const bool cheapKeys = [] {
    setKeyDerivationLimits({crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN});
    return true;
}();
}  // namespace

SecretBytes testPassword()
{
    (void)cheapKeys;
    return SecretBytes::fromText(QLatin1String(TestPassword));
}

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const auto &d : m_shown)
        out << d.text;
    return out;
}

bool ScriptedDialogs::warning(const QString &text)
{
    m_shown.push_back({QStringLiteral("warning"), text});
    if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return false;
    }
    const bool a = m_answers.front();
    m_answers.pop_front();
    return a;
}

SaveChoice ScriptedDialogs::saveChanges(const QString &text)
{
    m_shown.push_back({QStringLiteral("save"), text});
    if (m_saveAnswers.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return SaveChoice::Cancel;
    }
    const SaveChoice a = m_saveAnswers.front();
    m_saveAnswers.pop_front();
    return a;
}

ClientMode clientModeNamed(const QString &word)
{
    for (ClientMode m : {ClientMode::Add, ClientMode::Edit, ClientMode::Update, ClientMode::Delete, ClientMode::Print,
                         ClientMode::Email, ClientMode::Pdf})
        if (modeWord(m) == word)
            return m;
    ADD_FAILURE() << "no client window mode " << word.toStdString();
    return ClientMode::None;
}

void DataDirTest::SetUp()
{
    resetAppState();
    m_dir = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(m_dir->isValid());
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_dm = std::make_unique<Tdm1>();
    dm1 = m_dm.get();
    m_recoveryCode = m_dm->ConnectDb(m_dir->path(), test::testPassword());
    m_dataKey = m_dm->dataKey().clone();
}

void DataDirTest::TearDown()
{
    m_dm.reset();
    dm1 = nullptr;
    m_dialogs.reset();
    m_dir.reset();
    resetAppState();
}

void DataDirTest::restart()
{
    m_dm.reset();
    m_dm = std::make_unique<Tdm1>();
    dm1 = m_dm.get();
    m_recoveryCode = m_dm->ConnectDb(m_dir->path(), test::testPassword());
    m_dataKey = m_dm->dataKey().clone();
}

qint64 DataDirTest::addClient(const QString &first, const QString &last, const QString &middle)
{
    Table *c = m_dm->tblClient;
    c->append();
    c->setAsString("FirstName", first);
    c->setAsString("LastName", last);
    c->setAsString("MiddleInitial", middle);
    c->post();
    return m_dm->db().lastInsertRowId();
}

qint64 DataDirTest::addStatement(qint64 clientId, const QString &date, const QString &description)
{
    Table *s = m_dm->tblNettora;
    s->append();
    s->setAsString("ClientId", QString::number(clientId));
    s->setAsString("Date", date);
    s->setAsString("Description", description);
    s->post();
    return m_dm->db().lastInsertRowId();
}

void DataDirTest::addRow(Table *t, qint64 clientId, qint64 statementId,
                         std::initializer_list<std::pair<const char *, QString>> fields)
{
    t->append();
    t->setAsString("ClientId", QString::number(clientId));
    t->setAsString("StatementId", QString::number(statementId));
    for (const auto &[name, value] : fields)
        t->setAsString(QString::fromLatin1(name), value);
    t->post();
}

namespace {

void setFirstRow(Table *t, std::initializer_list<std::pair<const char *, QString>> fields)
{
    t->first();
    t->edit();
    for (const auto &[f, v] : fields)
        t->setAsString(QString::fromLatin1(f), v);
    t->post();
}

}  // namespace

void DataDirTest::setUser(std::initializer_list<std::pair<const char *, QString>> fields)
{
    setFirstRow(dm1->tblUser, fields);
}

void DataDirTest::setClient(std::initializer_list<std::pair<const char *, QString>> fields)
{
    setFirstRow(dm1->tblClient, fields);
}

int DataDirTest::countRows(const QString &table, const QString &where)
{
    QString sql = QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table);
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    Statement st = m_dm->db().prepare(sql);
    st.step();
    return int(st.columnInt(0));
}

QString saveScreenshot(QWidget *window, const QString &name)
{
    QString dir = qEnvironmentVariable("NETTORA_ARTIFACTS");
    if (dir.isEmpty())
        dir = QStringLiteral(NETTORA_ARTIFACTS_DIR);
    QDir().mkpath(dir);
    const QString path = QDir(dir).filePath(name + QStringLiteral(".png"));
    window->grab().save(path);
    return path;
}

QStringList labelTexts(const QWidget *page)
{
    QStringList texts;
    for (const QLabel *l : page->findChildren<QLabel *>())
        texts << l->text();
    return texts;
}

void hover(QWidget *w)
{
    const QPointF local(w->width() / 2.0, w->height() / 2.0);
    QEnterEvent e(local, w->mapToGlobal(local), w->mapToGlobal(local));
    QApplication::sendEvent(w, &e);
}

void moveOver(QWidget *w)
{
    const QPointF local(w->width() / 2.0, w->height() / 2.0);
    QMouseEvent e(QEvent::MouseMove, local, w->mapToGlobal(local), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void click(QWidget *w)
{
    // A check box takes clicks on its box and caption, not across its width.
    const QPoint at = qobject_cast<QCheckBox *>(w) ? QPoint(8, w->height() / 2) : w->rect().center();
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at);
}

void type(QWidget *editor, const QString &text)
{
    ASSERT_NE(editor, nullptr);
    QLineEdit *e = qobject_cast<QLineEdit *>(editor);
    if (!e)
        e = qobject_cast<QComboBox *>(editor)->lineEdit();
    e->clear();
    QTest::keyClicks(e, text);
}

QString stored(const QString &table, qint64 id, const QString &field)
{
    Statement st = dm1->db().prepare(QStringLiteral("SELECT \"%1\" FROM \"%2\" WHERE Id = ?").arg(field, table));
    st.bind(1, id);
    return st.step() ? st.columnText(0) : QStringLiteral("<no row>");
}

void closeScreenWindows(const QWidget *keep)
{
    std::vector<QPointer<QWidget>> windows;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<ScreenFrame *>(w) && w != keep)
            windows.emplace_back(w);
    for (const auto &w : windows)
        delete w.data();
}

}  // namespace nettora::test
