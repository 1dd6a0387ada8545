// The table cursor: its view (index and filter), navigation, bookmarks and
// the buffer of the current row.
#include "data/engine.h"

#include "data/engine_sql.h"

#include <algorithm>

namespace nettora {

using engine_sql::quoteIdent;

namespace {

// The most rows one statement reads ahead of a walking cursor.
constexpr int MaxRowsAhead = 256;
// The rows a view reads when it is built: a screenful and the first batches
// read ahead of a list walking it.
constexpr int FirstViewRows = 64;

}  // namespace

Table::Table(Database &db, const TableDef &def) : m_db(db), m_def(def)
{
    m_buffer.resize(def.fields.size());
    m_loaded.assign(def.fields.size(), false);
    m_wanted.assign(def.fields.size(), false);
    for (const auto &f : def.fields)
        m_fieldSql.push_back(QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(quoteIdent(f.name), quoteIdent(def.name)));
    m_rowSql = QStringLiteral("SELECT * FROM %1 WHERE rowid = ?").arg(quoteIdent(def.name));
    m_versionKey = def.name.toLower();
    m_dirty.assign(def.fields.size(), false);
    m_db.attach(this);
}

Table::~Table()
{
    m_db.detach(this);
}

void Table::requireActive() const
{
    if (m_state == RecordState::Inactive)
        throw EngineError(QStringLiteral("The table %1 is not open.").arg(m_def.name));
}

void Table::open()
{
    close();
    Statement st = m_db.prepareStatement(QStringLiteral("PRAGMA table_info(%1)").arg(quoteIdent(m_def.name)), false);
    QStringList names;
    while (st.step())
        names << st.columnText(1);
    if (names.isEmpty())
        throw EngineError(QStringLiteral("The table %1 (%2) is missing from the data file.").arg(m_def.name, m_def.file));
    QStringList expected;
    for (const auto &f : m_def.fields)
        expected << f.name;
    if (names.join(QLatin1Char(',')).compare(expected.join(QLatin1Char(',')), Qt::CaseInsensitive) != 0)
        throw EngineError(QStringLiteral("The table %1 (%2) in the data file does not have the expected fields.")
                              .arg(m_def.name, m_def.file));
    m_state = RecordState::Browse;
    m_viewValid = false;
    m_goFirst = true;
    m_current = 0;
    m_bufferValid = false;
    dropAhead();
}

void Table::close()
{
    m_state = RecordState::Inactive;
    m_view.clear();
    m_viewComplete = true;
    m_viewCount = -1;
    m_viewValid = false;
    m_bufferValid = false;
    dropAhead();
    m_current = 0;
    m_pos = -1;
    m_eof = m_bof = true;
}

void Table::dropPending()
{
    cancel();
}

void Table::setIndexName(const QString &name)
{
    dropPending();
    const IndexDef *idx = nullptr;
    if (!name.isEmpty()) {
        idx = m_def.findIndex(name);
        if (!idx)
            throw EngineError(QStringLiteral("The index %1 does not exist on the table %2.").arg(name, m_def.name));
    }
    m_indexName = idx ? idx->name : QString();
    if (idx != m_index) {
        m_index = idx;
        m_viewValid = false;
        m_goFirst = m_current == 0;
    }
}

void Table::setFilter(const QString &expression)
{
    requireActive();
    CompiledFilter compiled = compileFilter(m_def, expression);
    dropPending();
    m_filterText = expression;
    m_filter = std::move(compiled);
    if (m_filtered) {
        m_viewValid = false;
        m_goFirst = true;
    }
}

void Table::setFiltered(bool on)
{
    dropPending();
    if (on != m_filtered) {
        m_filtered = on;
        m_viewValid = false;
        m_goFirst = true;
    }
}

QString Table::orderBy() const
{
    if (!m_index)
        return QStringLiteral("rowid");
    QStringList parts;
    for (const auto &p : m_index->parts)
        parts << indexTermSql(p);
    const bool byKey = m_index->parts.size() == 1 && m_def.hasAutoInc()
                       && m_index->parts[0].field == autoIncField(m_def);
    if (!byKey)
        parts << QStringLiteral("rowid");
    return parts.join(QStringLiteral(", "));
}

void Table::buildView()
{
    const bool useFilter = m_filtered && !m_filter.where.isEmpty();
    QString from = quoteIdent(m_def.name);
    if (useFilter)
        from += QStringLiteral(" WHERE ") + m_filter.where;
    m_viewSql = QStringLiteral("SELECT rowid FROM %1 ORDER BY %2 LIMIT ? OFFSET ?").arg(from, orderBy());
    m_countSql = QStringLiteral("SELECT count(*) FROM ") + from;
    m_viewBinds = useFilter ? m_filter.binds : std::vector<QVariant>();
    m_view.clear();
    m_viewComplete = false;
    m_viewCount = -1;
    m_viewValid = true;
    m_viewVersion = tableVersion();
    m_bufferValid = false;
    dropAhead();
    readView(FirstViewRows);

    const bool keepRow = !m_goFirst && m_current != 0;
    const int at = keepRow ? findInView(m_current) : -1;
    if (m_view.empty()) {
        m_pos = -1;
        m_eof = m_bof = true;
    } else if (!keepRow) {
        m_pos = 0;
        m_bof = true;
        m_eof = false;
    } else if (at >= 0) {
        m_pos = at;
    } else {
        // Not found: the whole view has been read.
        const int size = int(m_view.size());
        m_eof = m_pos >= size;
        m_pos = std::clamp(m_pos, 0, size - 1);
        m_bof = false;
    }
    m_goFirst = false;
    m_current = m_pos >= 0 ? m_view[size_t(m_pos)] : 0;
}

void Table::readView(int limit)
{
    Statement st = m_db.prepareStatement(m_viewSql, false);
    const int n = int(m_viewBinds.size());
    st.bindAll(m_viewBinds);
    st.bind(n + 1, limit);
    st.bind(n + 2, qint64(m_view.size()));
    int read = 0;
    while (st.step()) {
        m_view.push_back(st.columnInt(0));
        ++read;
    }
    if (limit < 0 || read < limit) {
        m_viewComplete = true;
        m_viewCount = int(m_view.size());
    }
}

void Table::completeView()
{
    if (!m_viewComplete)
        readView(-1);
}

bool Table::inView(int index)
{
    if (index < 0)
        return false;
    if (index >= int(m_view.size()))
        completeView();
    return index < int(m_view.size());
}

int Table::viewSize()
{
    if (m_viewComplete)
        return int(m_view.size());
    if (m_viewCount < 0) {
        Statement st = m_db.prepareStatement(m_countSql, false);
        st.bindAll(m_viewBinds);
        m_viewCount = st.step() ? int(st.columnInt(0)) : 0;
    }
    return m_viewCount;
}

int Table::findInView(qint64 rowid)
{
    if (rowid == 0)
        return -1;
    auto it = std::find(m_view.begin(), m_view.end(), rowid);
    if (it == m_view.end() && !m_viewComplete) {
        const size_t read = m_view.size();
        completeView();
        it = std::find(m_view.begin() + ptrdiff_t(read), m_view.end(), rowid);
    }
    return it == m_view.end() ? -1 : int(it - m_view.begin());
}

void Table::ensureView()
{
    requireActive();
    if (!m_viewValid || m_viewVersion != tableVersion())
        buildView();
}

void Table::invalidate()
{
    if (m_state == RecordState::Edit || m_state == RecordState::Insert) {
        m_state = RecordState::Browse;
        std::fill(m_dirty.begin(), m_dirty.end(), false);
    }
    m_viewValid = false;
    m_bufferValid = false;
    dropAhead();
}

void Table::first()
{
    dropPending();
    ensureView();
    m_pos = m_view.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_view.empty();
    m_current = m_pos >= 0 ? m_view[0] : 0;
}

void Table::next()
{
    dropPending();
    ensureView();
    if (inView(m_pos + 1)) {
        ++m_pos;
        m_eof = false;
    } else {
        m_eof = true;
    }
    m_bof = m_view.empty();
    m_current = m_pos >= 0 ? m_view[size_t(m_pos)] : 0;
}

void Table::prior()
{
    dropPending();
    ensureView();
    if (m_pos > 0) {
        --m_pos;
        m_bof = false;
    } else {
        m_bof = true;
    }
    m_eof = m_view.empty();
    m_current = m_pos >= 0 ? m_view[size_t(m_pos)] : 0;
}

void Table::last()
{
    dropPending();
    ensureView();
    completeView();
    m_pos = int(m_view.size()) - 1;
    m_eof = m_view.empty();
    m_bof = m_view.empty();
    m_current = m_pos >= 0 ? m_view[size_t(m_pos)] : 0;
}

bool Table::eof()
{
    ensureView();
    return m_eof;
}

bool Table::bof()
{
    ensureView();
    return m_bof;
}

bool Table::isEmpty()
{
    ensureView();
    return m_view.empty();
}

int Table::recordCount()
{
    ensureView();
    return viewSize();
}

int Table::recNo()
{
    ensureView();
    return m_pos;
}

void Table::moveToRecNo(int index)
{
    dropPending();
    ensureView();
    if (m_view.empty())
        return;
    m_pos = index < 0 ? 0 : inView(index) ? index : int(m_view.size()) - 1;
    m_current = m_view[size_t(m_pos)];
    m_eof = m_bof = false;
}

QVariant Table::valueAt(int index, int pos)
{
    ensureView();
    if (!inView(index) || pos < 0 || pos >= fieldCount())
        return QVariant();
    const qint64 row = m_view[size_t(index)];
    if ((m_state == RecordState::Edit && row == m_current)
        || (m_bufferValid && m_bufferRow == row && m_loaded[size_t(pos)]))
        return m_buffer[size_t(pos)];
    Statement st = m_db.prepareStatement(m_fieldSql[size_t(pos)], false);
    st.bind(1, row);
    return st.step() ? st.column(0) : QVariant();
}

QString Table::asStringAt(int index, int pos)
{
    return displayText(pos, valueAt(index, pos));
}

Bookmark Table::bookmark()
{
    if (m_state == RecordState::Insert)
        return 0;
    ensureView();
    return m_current;
}

bool Table::bookmarkValid(Bookmark b)
{
    ensureView();
    return findInView(b) >= 0;
}

void Table::gotoBookmark(Bookmark b)
{
    dropPending();
    ensureView();
    const int at = findInView(b);
    if (at < 0)
        throw EngineError(QStringLiteral("The bookmarked row is not in the view of the table %1.").arg(m_def.name));
    m_pos = at;
    m_current = b;
    m_eof = m_bof = false;
}

qint64 Table::currentRowId()
{
    ensureView();
    return m_current;
}

void Table::prepareBuffer()
{
    const qint64 row = currentRowId();
    if (m_bufferValid && m_bufferRow == row)
        return;
    // The fields read on the previous row are most likely read on this one
    // too (a list walking its rows): one statement reads them all.
    std::vector<int> &wanted = m_wantedList;
    wanted.clear();
    if (m_bufferValid && row != 0)
        for (int i = 0; i < int(m_loaded.size()); ++i)
            if (m_wanted[size_t(i)])
                wanted.push_back(i);
    // Only the fields read on the last row hold values.
    for (size_t i = 0; i < m_buffer.size(); ++i)
        if (m_loaded[i] || !m_bufferValid)
            m_buffer[i].clear();
    // With no current row every field is known to be empty.
    std::fill(m_loaded.begin(), m_loaded.end(), row == 0);
    std::fill(m_wanted.begin(), m_wanted.end(), false);
    m_bufferRow = row;
    m_bufferValid = true;
    if (row == 0 || takeAhead(row, wanted))
        return;
    if (!wanted.empty() && wanted.size() < m_loaded.size() / 2) {
        readAhead(wanted);
        takeAhead(row, wanted);
    }
}

void Table::readAhead(const std::vector<int> &fields)
{
    // A walk that goes on where the last batch ended (or, backwards, began)
    // gets a batch twice the size; any other move starts again at one row,
    // so that jumping about reads no more than before.
    const int held = int(m_ahead.rows.size());
    int count = 1;
    bool backwards = false;
    if (held > 0 && m_ahead.fields == fields) {
        if (m_pos == m_ahead.start + held) {
            count = std::min(held * 2, MaxRowsAhead);
        } else if (m_pos == m_ahead.start - 1) {
            count = std::min(held * 2, MaxRowsAhead);
            backwards = true;
        }
    }
    if (!backwards && m_pos >= 0)
        inView(m_pos + count - 1);
    const int size = int(m_view.size());
    int first = 0, end = 0;
    if (m_pos >= 0 && m_pos < size && m_view[size_t(m_pos)] == m_bufferRow) {
        first = backwards ? std::max(0, m_pos - count + 1) : m_pos;
        end = backwards ? m_pos + 1 : std::min(size, m_pos + count);
    }
    m_ahead.fields = fields;
    m_ahead.start = first;
    m_ahead.rows.clear();
    if (end > first)
        m_ahead.rows.assign(m_view.begin() + first, m_view.begin() + end);
    else
        m_ahead.rows.push_back(m_bufferRow);
    const int rows = int(m_ahead.rows.size());
    m_ahead.values.assign(size_t(rows) * fields.size(), QVariant());

    // Statements come in sizes of powers of two, the spare places bound to
    // null, so a few statements serve every batch.
    int places = 1;
    while (places < rows)
        places *= 2;
    QString key;
    for (int i : fields)
        key += QString::number(i) + QLatin1Char(',');
    key += QLatin1Char('x') + QString::number(places);
    auto it = m_fieldSetSql.find(key);
    if (it == m_fieldSetSql.end()) {
        QStringList cols;
        for (int i : fields)
            cols << quoteIdent(m_def.fields[size_t(i)].name);
        QString marks = QStringLiteral("?");
        for (int i = 1; i < places; ++i)
            marks += QStringLiteral(", ?");
        it = m_fieldSetSql.insert(key, QStringLiteral("SELECT rowid, %1 FROM %2 WHERE rowid IN (%3)")
                                           .arg(cols.join(QStringLiteral(", ")), quoteIdent(m_def.name), marks));
    }
    // The engine answers in row id order; each answer goes to its place in the view.
    std::vector<std::pair<qint64, int>> order;
    order.reserve(size_t(rows));
    for (int k = 0; k < rows; ++k)
        order.emplace_back(m_ahead.rows[size_t(k)], k);
    std::sort(order.begin(), order.end());
    Statement st = m_db.prepareStatement(*it, false);
    for (int k = 0; k < places; ++k)
        st.bind(k + 1, k < rows ? QVariant(m_ahead.rows[size_t(k)]) : QVariant());
    const size_t width = fields.size();
    while (st.step()) {
        const qint64 id = st.columnInt(0);
        const auto at = std::lower_bound(order.begin(), order.end(), std::make_pair(id, 0));
        if (at == order.end() || at->first != id)
            continue;
        for (size_t c = 0; c < width; ++c)
            m_ahead.values[size_t(at->second) * width + c] = st.column(int(c) + 1);
    }
}

bool Table::takeAhead(qint64 row, const std::vector<int> &wanted)
{
    const int held = int(m_ahead.rows.size());
    if (held == 0 || !std::includes(m_ahead.fields.begin(), m_ahead.fields.end(), wanted.begin(), wanted.end()))
        return false;
    int k = m_pos - m_ahead.start;
    if (k < 0 || k >= held || m_ahead.rows[size_t(k)] != row) {
        const auto it = std::find(m_ahead.rows.begin(), m_ahead.rows.end(), row);
        if (it == m_ahead.rows.end())
            return false;
        k = int(it - m_ahead.rows.begin());
    }
    const size_t width = m_ahead.fields.size();
    for (size_t c = 0; c < width; ++c) {
        const size_t pos = size_t(m_ahead.fields[c]);
        m_buffer[pos] = m_ahead.values[size_t(k) * width + c];
        m_loaded[pos] = true;
    }
    return true;
}

void Table::dropAhead()
{
    m_ahead.rows.clear();
    m_ahead.values.clear();
    m_ahead.fields.clear();
}

void Table::loadBuffer()
{
    prepareBuffer();
    if (std::all_of(m_loaded.begin(), m_loaded.end(), [](bool b) { return b; }))
        return;
    Statement st = m_db.prepareStatement(m_rowSql, false);
    st.bind(1, m_bufferRow);
    const bool found = st.step();
    for (int i = 0; i < int(m_buffer.size()); ++i)
        if (!m_loaded[size_t(i)]) {
            m_buffer[size_t(i)] = found ? st.column(i) : QVariant();
            m_loaded[size_t(i)] = true;
        }
}

bool Table::rowMatches(qint64 rowid)
{
    if (!m_filtered || m_filter.where.isEmpty())
        return true;
    Statement st = m_db.prepareStatement(QStringLiteral("SELECT 1 FROM %1 WHERE rowid = ? AND (%2)")
                                    .arg(quoteIdent(m_def.name), m_filter.where), false);
    st.bind(1, rowid);
    st.bindAll(m_filter.binds, 2);
    return st.step();
}

int Table::fieldIndex(const QString &name) const
{
    const auto known = m_fieldPositions.constFind(name);
    if (known != m_fieldPositions.constEnd())
        return *known;
    const int i = m_def.fieldIndex(name);
    if (i < 0)
        throw EngineError(QStringLiteral("The table %1 has no field %2.").arg(m_def.name, name));
    m_fieldPositions.insert(name, i);
    return i;
}

QVariant Table::storedValue(int pos)
{
    requireActive();
    if (pos < 0 || pos >= fieldCount())
        throw EngineError(QStringLiteral("The table %1 has no field number %2.").arg(m_def.name).arg(pos));
    if (m_state == RecordState::Browse) {
        prepareBuffer();
        m_wanted[size_t(pos)] = true;
        if (!m_loaded[size_t(pos)]) {
            Statement st = m_db.prepareStatement(m_fieldSql[size_t(pos)], false);
            st.bind(1, m_bufferRow);
            m_buffer[size_t(pos)] = st.step() ? st.column(0) : QVariant();
            m_loaded[size_t(pos)] = true;
        }
    }
    return m_buffer[size_t(pos)];
}

}  // namespace nettora
