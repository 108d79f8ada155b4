#include "invoice/InvoiceSaver.h"

#include "app/Module1.h"
#include "text/TextForms.h"
#include "data/Database.h"
#include "data/Recordset.h"
#include "invoice/Numbering.h"

namespace valmir {

namespace {

// Header boxes by index, as the editor numbers them.
enum Box {
    Number = 0,
    Name = 1,
    Address = 2,
    Postcode = 3,
    Place = 4,
    Phone = 5,
    Contact = 6,
    Remark = 7,
    Date = 8,
    Fax = 9,
    Email = 10,
    ServiceTitle = 11,
    CaseNumber = 12,
    TaxNumber = 13,
    BankAccount = 14,
    Validity = 15
};

// Text fields are stored exactly as typed; an empty box is empty text,
// never Null.
QVariant typed(const InvoiceHeader& h, int box) {
    QString text = h.text1.value(box);
    if (text.isNull())
        text = QStringLiteral("");
    return text;
}

SaveResult refused(SaveOutcome outcome, const QString& error = QString()) {
    SaveResult r;
    r.outcome = outcome;
    r.error = error;
    return r;
}

// Another invoice already carries this number. The invoice being edited
// never clashes with itself (the lookup ignores case, so a mere change of
// case of its own number would otherwise be refused).
bool numberTaken(Database& db, const QString& number, qint64 ownId, QString* error) {
    auto found = db.openRecordset(QStringLiteral("SELECT * FROM tblRacun WHERE StevilkaRacuna=?"),
                                  RecordsetKind::Snapshot, {number});
    if (!found) {
        *error = db.lastError();
        return false;
    }
    for (found->moveFirst(); !found->eof(); found->moveNext())
        if (ownId == 0 || found->field(QStringLiteral("ID")).toLongLong() != ownId)
            return true;
    return false;
}

void writeHeader(Recordset& list, const InvoiceHeader& h, const QVariant& date) {
    list.setField(QStringLiteral("StevilkaRacuna"), typed(h, Number));
    list.setField(QStringLiteral("Ime"), typed(h, Name));
    list.setField(QStringLiteral("Naslov"), typed(h, Address));
    list.setField(QStringLiteral("PST"), typed(h, Postcode));
    list.setField(QStringLiteral("Posta"), typed(h, Place));
    list.setField(QStringLiteral("Telefon"), typed(h, Phone));
    list.setField(QStringLiteral("KontaktnaOseba"), typed(h, Contact));
    list.setField(QStringLiteral("Opombe"), typed(h, Remark));
    list.setField(QStringLiteral("Datum"), date);
    list.setField(QStringLiteral("Faks"), typed(h, Fax));
    list.setField(QStringLiteral("Email"), typed(h, Email));
    list.setField(QStringLiteral("Delovisce"), typed(h, ServiceTitle));
    list.setField(QStringLiteral("Zadeva"), typed(h, CaseNumber));
    list.setField(QStringLiteral("Davcna"), typed(h, TaxNumber));
    list.setField(QStringLiteral("Veljavnost"), leadingNumber(h.text1.value(Validity)));
    list.setField(QStringLiteral("TRR"), typed(h, BankAccount));
    list.setField(QStringLiteral("Sestavljavec"), qlonglong(h.staffId));
    list.setField(QStringLiteral("EnotenElaborat"), h.unifiedReport);
    list.setField(QStringLiteral("Placan"), h.paid);
    list.setField(QStringLiteral("ProcentPavsala"), readNumber(h.percentText).value_or(0.0));
    list.setField(QStringLiteral("VrednostTocke"), readNumber(h.pointValueText).value_or(0.0));
}

// The working table's rows in the grid's order (TS1, TS2), read from the
// file itself so that the editor's record set keeps its place.
bool writeLines(Database& db, Recordset& lines, qint64 invoiceId) {
    if (!db.execute(QStringLiteral("DELETE FROM tblRacunTarife WHERE ID_racun=?"), {invoiceId}))
        return false;
    Database& work = lines.database();
    auto rows = work.openRecordset(QStringLiteral("SELECT * FROM ") + lines.tableName() +
                                       QStringLiteral(" ORDER BY TS1, TS2, rowid"),
                                   RecordsetKind::Snapshot);
    if (!rows) {
        db.setError(work.lastError());
        return false;
    }
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        if (!db.execute(QStringLiteral("INSERT INTO tblRacunTarife (ID_racun, ID_tarifa, Tocke, "
                                       "Kolicina, Povisek, znesek) VALUES (?, ?, ?, ?, ?, ?)"),
                        {invoiceId, rows->field(QStringLiteral("ID_tarifa")),
                         rows->field(QStringLiteral("Tocke")),
                         NumberOrNull(rows->field(QStringLiteral("Kolicina"))),
                         NumberOrNull(rows->field(QStringLiteral("Povisek"))),
                         rows->field(QStringLiteral("znesek"))}))
            return false;
    }
    return true;
}

// A new invoice moves the counter past its number, whatever the user made
// of the proposal; a number without "/" leaves it alone.
bool advanceCounter(Database& db, const QString& number) {
    std::optional<double> next = nextCounter(number);
    if (!next)
        return true;
    return db.execute(QStringLiteral("UPDATE tblNastavitve SET StRacuna = ? "
                                     "WHERE rowid = (SELECT min(rowid) FROM tblNastavitve)"),
                      {*next});
}

// Steps that belong together: the invoice row, its lines and the counter.
bool writeInvoice(Database& db, Recordset& list, Recordset& lines, int mode, const InvoiceHeader& h,
                  const QVariant& date, qint64* id) {
    Transaction tx(db);
    if (!tx.active())
        return false;
    if (!(mode == 1 ? list.edit() : list.addNew()))
        return false;
    writeHeader(list, h, date);
    if (!list.update()) {
        list.cancelUpdate();
        return false;
    }
    *id = list.lastModified();
    if (!writeLines(db, lines, *id))
        return false;
    if (mode != 1 && !advanceCounter(db, h.text1.value(Number)))
        return false;
    return tx.commit();
}

} // namespace

QString saveMessageText(SaveOutcome outcome) {
    switch (outcome) {
    case SaveOutcome::PointValueNotNumeric:
        return QStringLiteral("Vrednost točke mora imeti numerično vrednost!");
    case SaveOutcome::PercentNotNumeric:
        return QStringLiteral(
            "Procent pavšalnega obračuna stroškov mora imeti numerično vrednost!");
    case SaveOutcome::DuplicateNumber:
        return QStringLiteral(
            "Račun s takšno številko že imamo v bazi! Številka računa mora biti unikatna.");
    case SaveOutcome::BadDate:
        return QStringLiteral("Datum ni podan v duhu gregorijanskega koledarja!");
    case SaveOutcome::EngineError:
        return QStringLiteral("Računa ni bilo mogoče shraniti.");
    case SaveOutcome::Saved:
        break;
    }
    return {};
}

QString saveMessageTitle(SaveOutcome outcome) {
    switch (outcome) {
    case SaveOutcome::PointValueNotNumeric:
    case SaveOutcome::PercentNotNumeric:
        return QStringLiteral("Napaka v podatkih");
    case SaveOutcome::DuplicateNumber:
        return QStringLiteral("Ne bo šlo");
    case SaveOutcome::BadDate:
        return QStringLiteral("Napačen datum");
    case SaveOutcome::EngineError:
        return QStringLiteral("Napaka v bazi");
    case SaveOutcome::Saved:
        break;
    }
    return {};
}

SaveResult saveInvoice(Database& db, Recordset& list, Recordset& lines, int mode,
                       const QString& originalNumber, const InvoiceHeader& header) {
    if (!isNumeric(header.pointValueText))
        return refused(SaveOutcome::PointValueNotNumeric);
    if (!isNumeric(header.percentText))
        return refused(SaveOutcome::PercentNotNumeric);

    const QString number = header.text1.value(Number);
    const qint64 ownId = mode == 1 ? list.field(QStringLiteral("ID")).toLongLong() : 0;
    if (number != originalNumber) {
        QString error;
        if (numberTaken(db, number, ownId, &error))
            return refused(SaveOutcome::DuplicateNumber);
        if (!error.isEmpty())
            return refused(SaveOutcome::EngineError, error);
    }

    QVariant date;
    const QString dateBox = header.text1.value(Date);
    if (!dateBox.isEmpty()) {
        std::optional<QDate> d = readDate(dateBox);
        if (!d)
            return refused(SaveOutcome::BadDate);
        date = *d;
    }

    const qint64 stoodOn = list.bookmark();
    const int stoodAt = list.position();
    qint64 id = 0;
    if (!writeInvoice(db, list, lines, mode, header, date, &id)) {
        // Rolled back: the list must not keep the row it was told about.
        const QString error = db.lastError();
        list.requery();
        if (!list.moveToBookmark(stoodOn))
            list.moveTo(std::min(stoodAt, list.recordCount() - 1));
        return refused(SaveOutcome::EngineError, error);
    }
    list.moveToBookmark(id);
    SaveResult r;
    r.invoiceId = id;
    return r;
}

} // namespace valmir
