// Writing through the table cursor: append, edit, post, cancel and delete,
// keeping the cursor's view current without a rebuild where it can.
#include "data/engine.h"

#include "data/engine_sql.h"

#include <QStringList>
#include <algorithm>

namespace nettora {

using engine_sql::quoteIdent;

void Table::append()
{
    dropPending();
    m_savedPos = m_pos;
    m_savedCurrent = m_current;
    m_savedEof = m_eof;
    m_savedBof = m_bof;
    std::fill(m_buffer.begin(), m_buffer.end(), QVariant());
    std::fill(m_dirty.begin(), m_dirty.end(), false);
    // The buffer now holds the new row: the listed row it was read from
    // must be read from the file again, or a list shows it empty.
    m_bufferValid = false;
    m_state = RecordState::Insert;
}

void Table::edit()
{
    requireActive();
    if (m_state != RecordState::Browse)
        return;
    ensureView();
    if (m_view.empty()) {
        append();
        return;
    }
    loadBuffer();
    std::fill(m_dirty.begin(), m_dirty.end(), false);
    m_state = RecordState::Edit;
}

void Table::post()
{
    requireActive();
    if (m_state == RecordState::Browse)
        return;
    const QString table = quoteIdent(m_def.name);
    QStringList cols;
    std::vector<QVariant> values;
    for (size_t i = 0; i < m_dirty.size(); ++i)
        if (m_dirty[i]) {
            cols << quoteIdent(m_def.fields[i].name);
            values.push_back(m_buffer[i]);
        }

    if (m_state == RecordState::Insert) {
        const bool viewWasCurrent = m_viewValid && m_viewVersion == tableVersion();
        // The view is changed in place below, so it must be whole, read
        // before the write.
        if (viewWasCurrent && !m_index)
            completeView();
        QString sql;
        if (cols.isEmpty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table);
        } else {
            QStringList marks;
            for (int i = 0; i < cols.size(); ++i)
                marks << QStringLiteral("?");
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(table, cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
        }
        Statement st = m_db.prepareStatement(sql, false);
        st.bindAll(values);
        st.run();
        const qint64 row = m_db.lastInsertRowId();
        m_db.touch(m_def.name);
        m_state = RecordState::Browse;
        std::fill(m_dirty.begin(), m_dirty.end(), false);
        m_bufferValid = false;
        dropAhead();
        if (rowMatches(row)) {
            m_current = row;
            m_goFirst = false;
            m_eof = m_bof = false;
            if (viewWasCurrent && !m_index) {
                // Natural order: the new row id is the largest, so it goes last.
                m_view.push_back(row);
                m_pos = int(m_view.size()) - 1;
                m_viewVersion = tableVersion();
            } else {
                m_viewValid = false;
            }
        } else {
            m_pos = m_savedPos;
            m_current = m_savedCurrent;
            m_eof = m_savedEof;
            m_bof = m_savedBof;
            if (viewWasCurrent)
                m_viewVersion = tableVersion();
        }
        return;
    }

    // Edit state
    if (cols.isEmpty()) {
        m_state = RecordState::Browse;
        return;
    }
    const bool viewWasCurrent = m_viewValid && m_viewVersion == tableVersion();
    if (viewWasCurrent)
        completeView();
    QStringList sets;
    for (const auto &c : cols)
        sets << c + QStringLiteral(" = ?");
    Statement st = m_db.prepareStatement(
        QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?").arg(table, sets.join(QStringLiteral(", "))), false);
    st.bindAll(values);
    st.bind(int(values.size()) + 1, m_current);
    st.run();
    m_db.touch(m_def.name);
    bool orderChanged = false;
    if (m_index)
        for (const auto &p : m_index->parts)
            orderChanged = orderChanged || m_dirty[size_t(m_def.fieldIndex(p.field))];
    m_state = RecordState::Browse;
    std::fill(m_dirty.begin(), m_dirty.end(), false);
    m_bufferValid = false;
    dropAhead();

    if (!viewWasCurrent) {
        m_viewValid = false;
        m_goFirst = false;
        return;
    }
    if (!rowMatches(m_current)) {
        // The row left the view: the cursor moves on to the next row.
        m_view.erase(m_view.begin() + m_pos);
        m_viewVersion = tableVersion();
        const int size = int(m_view.size());
        if (size == 0) {
            m_pos = -1;
            m_eof = m_bof = true;
        } else if (m_pos >= size) {
            m_pos = size - 1;
            m_eof = true;
        }
        m_current = m_pos >= 0 ? m_view[size_t(m_pos)] : 0;
    } else if (orderChanged) {
        m_viewValid = false;
        m_goFirst = false;
    } else {
        m_viewVersion = tableVersion();
    }
}

void Table::cancel()
{
    requireActive();
    if (m_state == RecordState::Insert) {
        m_pos = m_savedPos;
        m_current = m_savedCurrent;
        m_eof = m_savedEof;
        m_bof = m_savedBof;
    }
    if (m_state != RecordState::Browse) {
        m_state = RecordState::Browse;
        std::fill(m_dirty.begin(), m_dirty.end(), false);
        m_bufferValid = false;
    }
}

void Table::remove()
{
    requireActive();
    if (m_state == RecordState::Insert) {
        cancel();
        return;
    }
    if (m_state == RecordState::Edit)
        cancel();
    ensureView();
    if (m_view.empty())
        throw EngineError(QStringLiteral("Cannot delete from the table %1: it shows no rows.").arg(m_def.name));
    completeView();
    Statement st = m_db.prepareStatement(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoteIdent(m_def.name)), false);
    st.bind(1, m_current);
    st.run();
    m_db.touch(m_def.name);
    m_view.erase(m_view.begin() + m_pos);
    m_viewVersion = tableVersion();
    m_bufferValid = false;
    dropAhead();
    const int size = int(m_view.size());
    if (size == 0) {
        m_pos = -1;
        m_eof = m_bof = true;
    } else {
        m_eof = m_pos >= size;
        m_bof = false;
        m_pos = std::min(m_pos, size - 1);
    }
    m_current = m_pos >= 0 ? m_view[size_t(m_pos)] : 0;
}

}  // namespace nettora
