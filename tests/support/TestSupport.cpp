#include "TestSupport.h"

#include "data/Recordset.h"

#include <QDir>

namespace valmir::test {

Fixture::Fixture() { QDir().mkpath(tempDir()); }

Fixture::~Fixture() { shutDown(); }

bool Fixture::start() {
    StartupResult r = startUp(options());
    m_message = r.message;
    return r.ok;
}

qint64 addInvoice(Database& db, const QVariantMap& fields) {
    auto rs = db.openRecordset(QStringLiteral("tblRacun"), RecordsetKind::Table);
    if (!rs || !rs->addNew())
        return 0;
    for (auto it = fields.constBegin(); it != fields.constEnd(); ++it)
        rs->setField(it.key(), it.value());
    if (!rs->update())
        return 0;
    return rs->lastModified();
}

void addLine(Database& db, qint64 invoiceId, qint64 tariffId, const QVariant& points,
             const QVariant& quantity, const QVariant& surcharge, const QVariant& amount) {
    db.execute(QStringLiteral("INSERT INTO tblRacunTarife (ID_racun, ID_tarifa, Tocke, Kolicina, "
                              "Povisek, znesek) VALUES (?, ?, ?, ?, ?, ?)"),
               {invoiceId, tariffId, points, quantity, surcharge, amount});
}

qint64 operationId(Database& db, int ts1, int ts2) {
    return db.scalar(QStringLiteral("SELECT ID FROM tblTarife WHERE TS1=? AND TS2=?"), {ts1, ts2})
        .toLongLong();
}

QString sourcePath(const QString& relative) {
    return qEnvironmentVariable("VALMIR_SOURCE_DIR") + u'/' + relative;
}

} // namespace valmir::test
