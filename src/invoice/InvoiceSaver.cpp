#include "invoice/InvoiceSaver.h"

#include "data/Database.h"
#include "data/EngineQuery.h"
#include "data/Recordset.h"
#include "data/ServerSchema.h"
#include "invoice/InvoiceFields.h"
#include "invoice/Numbering.h"
#include "invoice/Pricing.h"
#include "invoice/WorkingTable.h"
#include "text/Messages.h"
#include "text/Module1.h"
#include "text/TextForms.h"

namespace valmir {

namespace {

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

// Whether a save names its identity: a new invoice on the server.
bool keyed(const Database& db, int mode, const InvoiceHeader& h) {
    return mode != 1 && db.onServer() && !h.saveKey.isEmpty();
}

// The invoice the save with this identity added (*id 0: none).
// With `nameIt`, the same statement names the key for the rest of the
// transaction (ServerSchema.h): one exchange with the server less per save.
bool savedByKey(Database& db, const QString& key, qint64* id, QString* number,
                bool nameIt = false) {
    *id = 0;
    // The column's name is the program's own.
    auto found =
        nameIt ? db.query(QStringLiteral("SELECT r.ID, r.StevilkaRacuna FROM (SELECT "
                                         "set_config(?, ?, true)) s LEFT JOIN tblRacun r ON r.%1 = ?")
                              .arg(ServerSchema::SaveKeyColumn),
                          {QString(ServerSchema::SaveKeySetting), key, key})
               : db.query(QStringLiteral("SELECT ID, StevilkaRacuna FROM tblRacun WHERE %1 = ?")
                              .arg(ServerSchema::SaveKeyColumn),
                          {key});
    if (!found)
        return false;
    if (found->next() && !found->isNull(0)) {
        *id = found->stored(0).toLongLong();
        *number = found->stored(1).toString();
    }
    return !found->failed();
}

// Asked after a COMMIT that went unanswered, on the connection made anew.
// The lost transaction holds the settings row (holdCounter) until the
// server has ended it, committed or rolled back: the answer waits for that,
// for a while. A server that has not yet noticed the connection gone leaves
// the answer unknown, and a save again finds the invoice if it landed.
bool commitLanded(Database& db, const QString& key, qint64* id, QString* number) {
    Transaction asking(db); // writes nothing; rolled back
    return asking.active() && db.execute(QStringLiteral("SET LOCAL lock_timeout = '15s'")) &&
           holdCounter(db) && savedByKey(db, key, id, number);
}

// The totals of the lines as they are written: the editor has priced them
// just before, so these are the sums its labels and the document show.
InvoiceTotals totalsOf(const QList<WorkingLine>& lines, double vatPercent) {
    double base = 0;
    for (const WorkingLine& l : lines)
        base += roundedAmount(l.amount);
    return invoiceTotals(base, vatPercent);
}

void writeHeader(Recordset& list, const InvoiceHeader& h, const InvoiceTotals& totals) {
    for (const HeaderField& f : HeaderFields)
        list.setField(QString::fromUtf16(f.field), storedValue(h.text1.value(f.box), f.form));
    list.setField(QStringLiteral("Sestavljavec"), qlonglong(h.staffId));
    list.setField(QStringLiteral("EnotenElaborat"), h.unifiedReport);
    list.setField(QStringLiteral("Placan"), h.quote ? false : h.paid);
    list.setField(QStringLiteral("Ponudba"), h.quote);
    if (h.fromQuote != 0)
        list.setField(QStringLiteral("PonudbaID"), qlonglong(h.fromQuote));
    list.setField(QStringLiteral("ProcentPavsala"), readNumber(h.percentText).value_or(0.0));
    list.setField(QStringLiteral("VrednostTocke"), readNumber(h.pointValueText).value_or(0.0));
    list.setField(QStringLiteral("StopnjaDDV"), h.vatPercent);
    // A credit note counts against the books.
    const double sign = h.credits ? -1 : 1;
    list.setField(QStringLiteral("Osnova"), sign * totals.base);
    list.setField(QStringLiteral("DDV"), sign * totals.vat);
    list.setField(QStringLiteral("ZaPlacilo"), sign * totals.toPay);
    // A credit note is never due, nor is a quote.
    list.setField(QStringLiteral("Zapade"),
                  h.credits || h.quote
                      ? QVariant()
                      : dueDate(storedValue(h.text1.value(DateBox), BoxForm::Date),
                                storedValue(h.text1.value(ValidityBox), BoxForm::Validity)));
}

// The lines in statements of many rows each: on a server every statement
// is a trip there and back, made while the counter is held. A statement
// binds at most 999 values on the file (SQLCipher's limit): 6 a line.
bool writeLines(Database& db, const QList<WorkingLine>& lines, qint64 invoiceId) {
    constexpr int LinesPerStatement = 150;
    if (!db.execute(QStringLiteral("DELETE FROM tblRacunTarife WHERE ID_racun=?"), {invoiceId}))
        return false;
    for (qsizetype first = 0; first < lines.size(); first += LinesPerStatement) {
        QStringList rows;
        QVariantList values;
        for (const WorkingLine& l : lines.mid(first, LinesPerStatement)) {
            rows << QStringLiteral("(?, ?, ?, ?, ?, ?)");
            values << invoiceId << l.tariffId << l.points << NumberOrNull(l.quantity)
                   << NumberOrNull(l.surcharge) << l.amount;
        }
        if (!db.execute(QStringLiteral("INSERT INTO tblRacunTarife (ID_racun, ID_tarifa, Tocke, "
                                       "Kolicina, Povisek, znesek) VALUES ") +
                            rows.join(QStringLiteral(", ")),
                        values))
            return false;
    }
    return true;
}

// The first free number after a proposal another workstation took: the
// counter as it stands now (the caller holds the settings row), and past
// numbers typed ahead of it.
bool nextFreeNumber(Database& db, const QString& taken, QString* number, bool quote) {
    const int year = numberYear(taken);
    if (quote) {
        double stored = 1, counter = 1;
        bool restart = false;
        return storedQuoteCounter(db, &stored, &restart) &&
               counterForNewDocument(db, stored, restart, year, &counter, true) &&
               firstFreeNumber(db, year, counter, number, true);
    }
    auto settings = db.openRecordset(
        QStringLiteral("SELECT StRacuna, LetniStevec FROM tblNastavitve ORDER BY rowid"),
        RecordsetKind::Snapshot);
    if (!settings || settings->readFailed())
        return false;
    double counter = 0;
    return counterForNewDocument(db, NumberOrZero(settings->field(QStringLiteral("StRacuna"))),
                                 settings->field(QStringLiteral("LetniStevec")).toBool(), year,
                                 &counter) &&
           firstFreeNumber(db, year, counter, number);
}

// Steps that belong together: the number, the invoice row, its lines and
// the counter. Other workstations save at the same time: a new number is
// settled while the settings row is held, so that two saves never take the
// same one.
// A save again of one that landed (its identity found) writes nothing and
// tells the invoice stored (*savedBefore); *commitSent tells a failure
// whose outcome the server alone knows.
SaveOutcome writeInvoice(Database& db, Recordset& list, Database& work, int mode,
                         const QString& originalNumber, InvoiceHeader h, qint64* id,
                         QString* number, bool* savedBefore, bool* commitSent) {
    // The working table's lines in the grid's order, read from the file
    // itself so that the editor's record set keeps its place.
    QList<WorkingLine> lines;
    if (!readLines(work, &lines)) {
        db.setError(work.lastError());
        return SaveOutcome::EngineError;
    }
    Transaction tx(db);
    if (!tx.active())
        return SaveOutcome::EngineError;
    // The invoice added carries the save's identity (ServerSchema.h), named
    // below, where an earlier try of the save is looked for.
    const bool identified = keyed(db, mode, h);
    *number = h.text1.value(NumberBox);
    if (mode != 1 || *number != originalNumber) {
        if (!holdCounter(db))
            return SaveOutcome::EngineError;
        // With the counter held, an earlier try still under way has ended.
        if (identified) {
            if (!savedByKey(db, h.saveKey, id, number, true))
                return SaveOutcome::EngineError;
            if (*id != 0) {
                *savedBefore = true;
                return SaveOutcome::Saved;
            }
            *number = h.text1.value(NumberBox);
        }
        QString error;
        const qint64 ownId = mode == 1 ? list.field(QStringLiteral("ID")).toLongLong() : 0;
        if (*number != originalNumber && numberTaken(db, *number, ownId, &error)) {
            if (!h.numberProposed || mode == 1)
                return SaveOutcome::DuplicateNumber;
            if (!nextFreeNumber(db, *number, number, h.quote))
                return SaveOutcome::EngineError;
            h.text1[NumberBox] = *number;
        } else if (!error.isEmpty()) {
            db.setError(error);
            return SaveOutcome::EngineError;
        }
    }
    if (!(mode == 1 ? list.edit(h.rowVersion) : list.addNew()))
        return list.conflict() ? SaveOutcome::ChangedMeanwhile : SaveOutcome::EngineError;
    writeHeader(list, h, totalsOf(lines, h.vatPercent));
    if (!list.update()) {
        list.cancelUpdate();
        return list.conflict() ? SaveOutcome::ChangedMeanwhile : SaveOutcome::EngineError;
    }
    *id = list.lastModified();
    if (!writeLines(db, lines, *id))
        return SaveOutcome::EngineError;
    if (mode != 1 && !advanceCounter(db, *number, h.quote))
        return SaveOutcome::EngineError;
    *commitSent = true;
    return tx.commit() ? SaveOutcome::Saved : SaveOutcome::EngineError;
}

} // namespace

bool holdCounter(Database& db) {
    // A write that changes nothing takes the row's lock on every engine.
    return db.execute(QStringLiteral("UPDATE tblNastavitve SET StRacuna = StRacuna "
                                     "WHERE rowid = (SELECT min(rowid) FROM tblNastavitve)"));
}

bool firstFreeNumber(Database& db, int year, double counter, QString* number, bool quote) {
    for (;; counter += 1) {
        QString error;
        *number = quote ? proposeQuoteNumber(year, counter) : proposeNumber(year, counter);
        if (!numberTaken(db, *number, 0, &error))
            return error.isEmpty();
    }
}

// A new invoice moves the counter past its number, whatever the user made
// of the proposal; a number without "/" leaves it alone.
bool advanceCounter(Database& db, const QString& number, bool quote) {
    std::optional<double> next = nextCounter(number);
    if (!next)
        return true;
    if (quote)
        return db.execute(QStringLiteral("UPDATE tblNastavitve SET StPonudbe = ? "
                                         "WHERE rowid = (SELECT min(rowid) FROM tblNastavitve)"),
                          {*next});
    const int year = numberYear(number);
    return db.execute(QStringLiteral("UPDATE tblNastavitve SET StRacuna = ?, LetoStevca = ? "
                                     "WHERE rowid = (SELECT min(rowid) FROM tblNastavitve)"),
                      {*next, year > 0 ? QVariant(year) : QVariant()});
}

bool counterForNewDocument(Database& db, double storedCounter, bool restartEachYear, int year,
                           double* counter, bool quote) {
    *counter = storedCounter;
    if (!restartEachYear)
        return true;
    QVariant counterYear, last;
    if (!quote && !db.queryValue(
                      QStringLiteral("SELECT LetoStevca FROM tblNastavitve ORDER BY rowid LIMIT 1"),
                      {}, &counterYear))
        return false;
    if (counterYear.isNull() &&
        !db.queryValue(QStringLiteral("SELECT max(Datum) FROM tblRacun WHERE ifnull(Ponudba, "
                                      "False) = ?"),
                       {quote}, &last))
        return false;
    *counter = counterForYear(storedCounter, true, counterYear.toInt(), last.toDate(), year);
    return true;
}

bool storedQuoteCounter(Database& db, double* counter, bool* restartEachYear) {
    auto settings = db.openRecordset(
        QStringLiteral("SELECT StPonudbe, LetniStevec FROM tblNastavitve ORDER BY rowid"),
        RecordsetKind::Snapshot);
    if (!settings || settings->readFailed())
        return false;
    const QVariant stored = settings->field(QStringLiteral("StPonudbe"));
    *counter = stored.isNull() ? 1 : NumberOrZero(stored);
    *restartEachYear = settings->field(QStringLiteral("LetniStevec")).toBool();
    return !settings->readFailed();
}

QString conflictText(const std::optional<Recordset::Conflict>& conflict) {
    if (!conflict)
        return {};
    return conflict->deleted ? Messages::DeletedBy : conflict->by;
}

Message saveMessage(SaveOutcome outcome) {
    switch (outcome) {
    case SaveOutcome::PointValueNotNumeric:
        return Messages::PointValueNotNumeric;
    case SaveOutcome::PercentNotNumeric:
        return Messages::PercentNotNumeric;
    case SaveOutcome::DuplicateNumber:
        return Messages::DuplicateNumber;
    case SaveOutcome::BadDate:
        return Messages::BadDate;
    case SaveOutcome::NoCustomerName:
        return Messages::NoCustomerName;
    case SaveOutcome::ChangedMeanwhile:
        return Messages::ChangedMeanwhile;
    case SaveOutcome::EngineError:
        return Messages::InvoiceNotSaved;
    case SaveOutcome::OutcomeUnknown:
        return Messages::SaveOutcomeUnknown;
    case SaveOutcome::Saved:
        break;
    }
    return {};
}

bool customerNameMissing(const InvoiceHeader& header) {
    return header.text1.value(CustomerBox).trimmed().isEmpty();
}

DateOrder checkDateOrder(Database& db, const QDate& date) {
    DateOrder order;
    QVariant latest;
    if (!db.queryValue(QStringLiteral("SELECT max(Datum) FROM tblRacun "
                                      "WHERE ifnull(Ponudba, False) = False"),
                       {}, &latest)) {
        order.ok = false;
        order.error = db.lastError();
        return order;
    }
    const QDate last = latest.toDate();
    if (date.isValid() && last.isValid() && date < last)
        order.latest = last;
    return order;
}

SaveResult saveInvoice(Database& db, Recordset& list, Recordset& lines, int mode,
                       const QString& originalNumber, const InvoiceHeader& header) {
    if (!isNumeric(header.pointValueText))
        return refused(SaveOutcome::PointValueNotNumeric);
    if (!isNumeric(header.percentText))
        return refused(SaveOutcome::PercentNotNumeric);
    if (customerNameMissing(header))
        return refused(SaveOutcome::NoCustomerName);

    // A number typed is refused before anything else is looked at; the
    // save settles it again with the other workstations' numbers held.
    const QString number = header.text1.value(NumberBox);
    const qint64 ownId = mode == 1 ? list.field(QStringLiteral("ID")).toLongLong() : 0;
    if (number != originalNumber && !header.numberProposed) {
        QString error;
        if (numberTaken(db, number, ownId, &error)) {
            // Unless an earlier try of this save took it: the save tells that.
            qint64 before = 0;
            QString stored;
            if (!keyed(db, mode, header))
                return refused(SaveOutcome::DuplicateNumber);
            if (!savedByKey(db, header.saveKey, &before, &stored))
                return refused(SaveOutcome::EngineError, db.lastError());
            if (before == 0)
                return refused(SaveOutcome::DuplicateNumber);
        }
        if (!error.isEmpty())
            return refused(SaveOutcome::EngineError, error);
    }

    const QString date = header.text1.value(DateBox);
    if (!date.isEmpty() && !readDate(date))
        return refused(SaveOutcome::BadDate);

    const qint64 stoodOn = list.bookmark();
    const int stoodAt = list.position();
    qint64 id = 0;
    QString saved;
    bool savedBefore = false, commitSent = false;
    SaveOutcome outcome = writeInvoice(db, list, lines.database(), mode, originalNumber, header,
                                       &id, &saved, &savedBefore, &commitSent);
    if (outcome == SaveOutcome::EngineError && commitSent && keyed(db, mode, header)) {
        // The COMMIT failed, or its answer was lost with the connection:
        // the server tells which.
        const QString error = db.lastError();
        if (!commitLanded(db, header.saveKey, &id, &saved))
            outcome = SaveOutcome::OutcomeUnknown;
        else if (id != 0)
            outcome = SaveOutcome::Saved;
        db.setError(error);
    }
    if (outcome != SaveOutcome::Saved) {
        // Rolled back; the engine has put the list back as it was.
        const QString error = outcome == SaveOutcome::ChangedMeanwhile
                                  ? conflictText(list.conflict())
                                  : db.lastError();
        if (!list.moveToBookmark(stoodOn))
            list.moveTo(std::min(stoodAt, list.recordCount() - 1));
        return refused(outcome, error);
    }
    // A row this connection did not see itself written (an earlier try, or
    // a COMMIT that landed unanswered) is in the list once it is read again.
    if (!list.moveToBookmark(id) && list.requery())
        list.moveToBookmark(id);
    SaveResult r;
    r.invoiceId = id;
    r.number = saved;
    r.savedBefore = savedBefore;
    return r;
}

} // namespace valmir
