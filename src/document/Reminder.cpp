#include "document/Reminder.h"

#include "data/Database.h"
#include "data/Recordset.h"
#include "document/DocumentBlocks.h"
#include "document/Rtf.h"
#include "invoice/InvoiceFields.h"
#include "text/Module1.h"
#include "text/TextForms.h"

namespace valmir {

namespace {

const QString DefaultText = QStringLiteral(
    "Pri pregledu naših evidenc smo ugotovili, da zgoraj navedeni račun do danes še ni "
    "poravnan. Prosimo vas, da dolgovani znesek nakažete v osmih dneh od prejema tega opomina "
    "na naš transakcijski račun, z navedenim sklicem, ali ga plačate s kodo UPN QR.\n"
    "Če ste račun medtem že plačali, vas prosimo, da ta opomin štejete za brezpredmeten.");

// The facts of the invoice, a line each.
void facts(DocumentBlocks& d, const ReminderInput& in) {
    const ReminderInvoice& r = in.invoice;
    auto line = [&](const QString& label, const QString& value) {
        block::Paragraph p;
        p.text = label + value;
        d << p;
    };
    line(QStringLiteral("Račun št.: "), r.number());
    line(QStringLiteral("Datum računa: "), dateText(r.date));
    line(QStringLiteral("Rok plačila: "), dateText(r.due));
    line(QStringLiteral("Dni zamude: "), countText(daysOverdue(r.due, in.today)));
    // What credit notes took back and what was paid are shown, so that the
    // sum asked for adds up.
    if (r.credited != 0 || r.payments != 0)
        line(QStringLiteral("Znesek računa: "), currencyText(r.total));
    if (r.credited != 0)
        line(QStringLiteral("Dobropisano: "), currencyText(r.credited));
    if (r.payments != 0)
        line(QStringLiteral("Plačano: "), currencyText(r.payments));
    block::Paragraph owed;
    owed.text = QStringLiteral("Dolgovani znesek: ") + currencyText(r.owed());
    owed.bold = true;
    owed.linesAfter = 1;
    d << owed;
}

} // namespace

double ReminderInvoice::owed() const { return RoundCents(total - credited - payments); }

bool readReminder(Database& db, qint64 invoiceId, const QDate& today, ReminderInput* out,
                  QString* error) {
    *out = {};
    out->today = today;
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM tblRacun WHERE ID = ?"),
                               RecordsetKind::Snapshot, {invoiceId});
    if (!rs || rs->readFailed()) {
        *error = db.lastError();
        return false;
    }
    if (rs->eof()) {
        *error = ReminderMessages::NotFound;
        return false;
    }
    ReminderInvoice& r = out->invoice;
    for (int i = 0; i < HeaderBoxCount; ++i)
        r.text1 << QString();
    for (const HeaderField& f : HeaderFields)
        r.text1[f.box] = boxText(rs->field(QString::fromUtf16(f.field)), f.form);
    r.date = rs->field(QStringLiteral("Datum")).toDate();
    r.due = rs->field(QStringLiteral("Zapade")).toDate();
    r.paid = rs->field(QStringLiteral("Placan")).toBool();
    r.creditNote = rs->field(QStringLiteral("Dobropis")).toBool();
    r.quote = rs->field(QStringLiteral("Ponudba")).toBool();
    r.total = NumberOrZero(rs->field(QStringLiteral("ZaPlacilo")));
    r.reminders = int(NumberOrZero(rs->field(QStringLiteral("Opominov"))));
    if (rs->readFailed()) {
        *error = db.lastError();
        return false;
    }
    // Credit notes are stored negative.
    QVariant credits;
    if (!db.queryValue(QStringLiteral("SELECT total(ZaPlacilo) FROM tblRacun "
                                      "WHERE IzvirniID = ? AND Dobropis"),
                       {invoiceId}, &credits)) {
        *error = db.lastError();
        return false;
    }
    r.credited = -credits.toDouble();
    QVariant paid;
    if (!db.queryValue(QStringLiteral("SELECT total(Znesek) FROM tblPlacila WHERE RacunID = ?"),
                       {invoiceId}, &paid)) {
        *error = db.lastError();
        return false;
    }
    r.payments = paid.toDouble();
    return readDocumentSettings(db, &out->settings, error);
}

ReminderRefusal reminderRefusal(const ReminderInvoice& invoice, const QDate& today) {
    if (invoice.quote)
        return ReminderRefusal::Quote;
    if (invoice.creditNote)
        return ReminderRefusal::CreditNote;
    if (invoice.paid)
        return ReminderRefusal::Paid;
    if (invoice.owed() <= 0)
        return ReminderRefusal::NothingOwed;
    if (!invoice.due.isValid())
        return ReminderRefusal::NoDueDate;
    if (invoice.due >= today)
        return ReminderRefusal::NotDue;
    return ReminderRefusal::None;
}

Message reminderRefusalMessage(ReminderRefusal refusal, const ReminderInvoice& invoice) {
    auto numbered = [&invoice](const Message& m) {
        return Message{m.text.arg(invoice.number()), m.title};
    };
    switch (refusal) {
    case ReminderRefusal::CreditNote:
        return ReminderMessages::CreditNote;
    case ReminderRefusal::Paid:
        return numbered(ReminderMessages::Paid);
    case ReminderRefusal::NothingOwed:
        return numbered(ReminderMessages::NothingOwed);
    case ReminderRefusal::NoDueDate:
        return numbered(ReminderMessages::NoDueDate);
    case ReminderRefusal::NotDue:
        return {ReminderMessages::NotDue.text.arg(invoice.number(), dateText(invoice.due)),
                ReminderMessages::NotDue.title};
    case ReminderRefusal::Quote:
        return numbered(QuoteMessages::NoReminder);
    case ReminderRefusal::None:
        break;
    }
    return {};
}

qint64 daysOverdue(const QDate& due, const QDate& today) {
    return due.isValid() && today.isValid() ? std::max<qint64>(0, due.daysTo(today)) : 0;
}

QString defaultReminderText() { return DefaultText; }

QString reminderText(const QString& stored) {
    return stored.trimmed().isEmpty() ? DefaultText : stored.trimmed();
}

QString reminderTitle(int ordinal) {
    return ordinal <= 1 ? QStringLiteral("OPOMIN") : QStringLiteral("%1. OPOMIN").arg(ordinal);
}

QString reminderMark(const QDate& last, int count) {
    if (!last.isValid())
        return {};
    return count <= 1 ? dateText(last)
                      : QStringLiteral("%1. opomin %2").arg(count).arg(dateText(last));
}

UpnQrInput reminderQrInput(const ReminderInput& in) {
    DocumentInput document;
    document.header.text1 = in.invoice.text1;
    document.settings = in.settings;
    UpnQrInput order = upnQrInput(document, in.invoice.owed());
    order.purpose = QStringLiteral("Opomin za račun ") + in.invoice.number().trimmed();
    return order;
}

QString reminderBlocks(const ReminderInput& in, DocumentBlocks* out) {
    DocumentBlocks& d = *out;
    d = {};
    d.title = QStringLiteral("Opomin ") + in.invoice.number().trimmed();
    d.author = in.settings.firm;
    addressBlocks(d, in.invoice.text1, in.settings);
    block::Paragraph title;
    title.text = reminderTitle(in.invoice.reminders + 1);
    title.size = 28;
    title.bold = true;
    block::Paragraph date;
    date.text = QStringLiteral("Datum: ") + dateText(in.today);
    date.linesAfter = 1;
    d << title << date;
    facts(d, in);
    block::Paragraph letter;
    letter.text = reminderText(in.settings.reminderText);
    letter.linesAfter = 1;
    d << letter << block::BaseFont{16};
    if (!in.settings.bottomText.isEmpty()) {
        block::Paragraph bottom;
        bottom.text = in.settings.bottomText;
        bottom.plain = true;
        d << bottom;
    }
    return upnQrBlocks(d, reminderQrInput(in));
}

QString writeReminderDocument(RtfDocument& doc, const ReminderInput& in) {
    DocumentBlocks blocks;
    const QString warning = reminderBlocks(in, &blocks);
    doc.WriteProlog();
    writeRtfBlocks(doc, blocks);
    return warning;
}

bool recordReminder(Database& db, qint64 invoiceId, const QDate& today) {
    return db.execute(QStringLiteral("UPDATE tblRacun SET Opomin = ?, "
                                     "Opominov = ifnull(Opominov, 0) + 1 WHERE ID = ?"),
                      {today, invoiceId});
}

} // namespace valmir
