#include "cli/cli_commands.h"

#include "cli/cli_text.h"
#include "data/datamodule.h"

#include <QFileInfo>

namespace nettora::cli {

namespace {

qint64 single(const QString &sql)
{
    Statement st = dm1->db().prepare(sql);
    return st.step() ? st.columnInt(0) : 0;
}

}  // namespace

QStringList dataInformation()
{
    return {
        QStringLiteral("Data directory: ") + printable(dm1->ACon1.connectPath()),
        QStringLiteral("Data version: %1").arg(single(QStringLiteral("PRAGMA user_version"))),
        QStringLiteral("File size: %1 bytes").arg(QFileInfo(dm1->ACon1.databaseFile()).size()),
        QStringLiteral("Clients: %1").arg(single(QStringLiteral("SELECT count(*) FROM \"Client\""))),
        QStringLiteral("Statements: %1").arg(single(QStringLiteral("SELECT count(*) FROM \"Nettora\""))),
    };
}

}  // namespace nettora::cli
