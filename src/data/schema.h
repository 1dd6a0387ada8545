#pragma once
// The 22 tables of the statement database, described once as data. The
// engine generates its SQL from these descriptions and finds fields by name;
// everything else in the program uses the table, field and index names given
// here.

#include "data/schema_upgrade.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace nettora {

enum class FieldType {
    AutoInc,   // integer given by the engine on the first post, never reused
    Text,      // width 0: no limit of its own
    Memo,
    Currency,  // stored as a count of 1/10,000 dollar, read as double
    Float,
    Date,      // stored ISO, shown and typed MM/dd/yy
    Logical,
};

struct FieldDef {
    QString name;
    FieldType type = FieldType::Text;
    int width = 0;
};

struct IndexPart {
    QString field;
    bool descending = false;
    bool caseless = false;  // ordered without regard to letter case
};

// The SQL term of an index part, as the view's ORDER BY and the SQL index
// both write it (they must match for the index to give the order). A caseless
// part orders by nt_lower(field), the fold the filters search by, so a name
// prefix search and its order come from one index.
QString indexTermSql(const IndexPart &part);

// A named index gives a view its order; the engine keeps a matching SQL index
// so that ordering a large table does not sort it.
struct IndexDef {
    QString name;
    std::vector<IndexPart> parts;
};

struct TableDef {
    QString name;       // SQL table name, also the file name without extension
    QString file;       // the file name the program has always used
    QString component;  // tbl... on the data module
    bool schedule = false;  // carries ClientId, StatementId and Updated
    std::vector<FieldDef> fields;
    std::vector<IndexDef> indexes;

    int fieldIndex(const QString &fieldName) const;  // case-insensitive; -1 if none
    const IndexDef *findIndex(const QString &indexName) const;  // case-insensitive
    bool hasAutoInc() const;
};

// The tables in the order of the start-up open pass.
const std::vector<TableDef> &allTables();
const TableDef *findTable(const QString &name);  // by name or file, case-insensitive

// SQL that creates every table and index of an empty database.
QStringList schemaSql();
// The CREATE INDEX statements of the named indexes (those that give views
// their order), each with the index's SQL name.
struct NamedIndexSql {
    QString name;
    QString sql;
};
std::vector<NamedIndexSql> namedIndexSql();

// How a database's tables compare with this program's: the tables it lacks,
// and those whose fields differ (names in order, letter case aside).
// columnsOf gives a table's field names, none for a missing table.
struct SchemaComparison {
    QStringList missing, different;
    bool matches() const { return missing.isEmpty() && different.isEmpty(); }
};
// At the version given (by default this program's): a file of an earlier
// version lacks the fields its upgrade steps add.
SchemaComparison compareWithSchema(const std::function<QStringList(const QString &table)> &columnsOf,
                                   int version = -1);

// The 21 totals shown on the net worth panel, in panel order.
const QStringList &headlineTotals();

// Name of the field an autoinc key of a table is in ("Id"), or empty.
QString autoIncField(const TableDef &t);

}  // namespace nettora
