#include "codelists/Customers.h"

#include "data/Collation.h"
#include "data/Database.h"
#include "data/Recordset.h"
#include "data/Schema.h"
#include "text/Module1.h"

namespace valmir {

namespace {

QString column(int f) { return QString::fromUtf16(CustomerColumns[f].field); }

QString columnList(const QString& prefix = QString()) {
    QStringList names;
    for (int f = 0; f < CustomerFieldCount; ++f)
        names << prefix + column(f);
    return names.join(QStringLiteral(", "));
}

// The texts of the search, each whole: control characters cannot be typed
// into a field, and the search's separator (U+0001) must never match.
QString searchText(const QString& typed) {
    QString text;
    for (QChar c : typed.trimmed())
        if (c.unicode() >= 0x20)
            text += c;
    return text;
}

// "%", "_" and the escape character itself stand for themselves.
QString containsPattern(const QString& text) {
    QString pattern = QStringLiteral("%");
    for (QChar c : Collation::fold(text)) {
        if (c == u'%' || c == u'_' || c == u'\\')
            pattern += u'\\';
        pattern += c;
    }
    return pattern + u'%';
}

// Newest first; the never used last, then by name.
const QString ByUse = QStringLiteral(" ORDER BY Uporabljen IS NULL, Uporabljen DESC, Ime, ID");

Customer customerOf(const Recordset& rs) {
    Customer c;
    c.id = rs.field(QStringLiteral("ID")).toLongLong();
    for (int f = 0; f < CustomerFieldCount; ++f)
        c.data[f] = NullTrim(rs.field(column(f)));
    c.used = rs.field(QStringLiteral("Uporabljen")).toDate();
    c.electronicAddress = NullTrim(rs.field(QStringLiteral("ElektronskiNaslov")));
    c.invoiceFormat = NullTrim(rs.field(QStringLiteral("OblikaERacuna")));
    // A record set over the table keeps the version apart; a query's rows
    // (findCustomer's "n.*") bring it on the server as a field.
    c.version = rs.rowVersion();
    if (c.version == 0)
        c.version = rs.field(QStringLiteral("verzija")).toLongLong();
    return c;
}

QVariantList dataValues(const Customer& c) {
    QVariantList values;
    for (const QString& v : c.data)
        values << v;
    return values;
}

QVariant dateValue(const QDate& d) { return d.isValid() ? QVariant(d) : QVariant(); }

} // namespace

bool Customer::isBlank() const {
    return data[CustomerName].isEmpty() && data[CustomerTaxNumber].isEmpty();
}

Customer customerFromBoxes(const QStringList& text1) {
    Customer c;
    for (int f = 0; f < CustomerFieldCount; ++f)
        c.data[f] = text1.value(CustomerColumns[f].box).trimmed();
    return c;
}

CustomerFilter customerFilter(const QString& typed) {
    const QString text = searchText(typed);
    if (text.isEmpty())
        return {};
    QStringList parts;
    for (const char* field : {"Ime", "KontaktnaOseba", "Naslov", "Posta", "Davcna"})
        parts << QStringLiteral("ifnull(%1, '')").arg(QLatin1String(field));
    // The separator as quoted text: the engines name the function that
    // makes a character differently (char, chr).
    const QString separator = QStringLiteral(" || '") + QChar(1) + QStringLiteral("' || ");
    return {QStringLiteral(" WHERE FOLD(%1) LIKE ? ESCAPE '\\' ").arg(parts.join(separator)),
            {containsPattern(text)}};
}

bool customersByName(Database& db, const QString& typed, int limit, QList<Customer>* out) {
    out->clear();
    const QString text = searchText(typed);
    if (text.isEmpty())
        return true;
    auto rs = db.openRecordset(
        QStringLiteral("SELECT * FROM tblNarocnik WHERE FOLD(Ime) LIKE ? ESCAPE '\\'") + ByUse +
            QStringLiteral(" LIMIT ?"),
        RecordsetKind::Snapshot, {containsPattern(text), limit});
    if (!rs)
        return false;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        out->append(customerOf(*rs));
    return !rs->readFailed();
}

bool findCustomer(Database& db, const Customer& customer, std::optional<Customer>* found) {
    found->reset();
    // The invoice's values go through the same key as the stored entries,
    // so that a lookup finds exactly what the upgrade made one entry.
    auto rs = db.openRecordset(
        // The names of h in lower case, as the server keeps an unquoted name.
        QStringLiteral("SELECT n.* FROM tblNarocnik n, (SELECT ? AS ime, ? AS naslov, ? AS pst, "
                       "? AS davcna) h WHERE %1 = %2 ORDER BY n.Uporabljen IS NULL, "
                       "n.Uporabljen DESC, n.ID DESC LIMIT 1")
            .arg(Schema::customerKey(QStringLiteral("n.")),
                 Schema::customerKey(QStringLiteral("h."))),
        RecordsetKind::Snapshot,
        {customer[CustomerName], customer[CustomerStreet], customer[CustomerPostcode],
         customer[CustomerTaxNumber]});
    if (!rs)
        return false;
    rs->moveFirst();
    if (!rs->eof())
        *found = customerOf(*rs);
    return !rs->readFailed();
}

bool addCustomer(Database& db, const Customer& customer, qint64* id) {
    return db.insert(QStringLiteral("INSERT INTO tblNarocnik (%1, Uporabljen, ElektronskiNaslov, "
                                    "OblikaERacuna) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                         .arg(columnList()),
                     dataValues(customer) << dateValue(customer.used) << customer.electronicAddress
                                          << customer.invoiceFormat,
                     id);
}

RowWritten changeCustomer(Database& db, const Customer& customer) {
    QVariantMap fields;
    for (int f = 0; f < CustomerFieldCount; ++f)
        fields.insert(column(f), customer.data[f]);
    fields.insert(QStringLiteral("ElektronskiNaslov"), customer.electronicAddress);
    fields.insert(QStringLiteral("OblikaERacuna"), customer.invoiceFormat);
    return updateRow(db, QStringLiteral("tblNarocnik"), customer.id, customer.version, fields);
}

RowWritten deleteCustomer(Database& db, qint64 id, qint64 version) {
    return deleteRow(db, QStringLiteral("tblNarocnik"), id, version);
}

bool customerDiffers(const Customer& stored, const Customer& invoice) {
    return stored.data != invoice.data;
}

CustomerKept keepCustomerCurrent(Database& db, const Customer& invoice, const QDate& invoiceDate,
                                 const std::function<bool()>& askUpdate) {
    CustomerKept r;
    auto failed = [&r, &db] {
        r.ok = false;
        r.error = db.lastError();
        r.added = r.updated = false;
        return r;
    };
    if (invoice.isBlank())
        return r;
    std::optional<Customer> stored;
    if (!findCustomer(db, invoice, &stored))
        return failed();
    if (!stored) {
        Customer entry = invoice;
        entry.used = invoiceDate;
        if (!addCustomer(db, entry, &r.id))
            return failed();
        r.added = true;
        return r;
    }
    r.id = stored->id;
    // An older invoice saved again does not take the register back to the
    // data it had then.
    const bool registerNewer =
        stored->used.isValid() && invoiceDate.isValid() && stored->used > invoiceDate;
    const bool update = !registerNewer && customerDiffers(*stored, invoice) && askUpdate();
    Transaction tx(db);
    if (!tx.active())
        return failed();
    if (update) {
        Customer entry = invoice;
        entry.id = stored->id;
        entry.version = stored->version;
        entry.electronicAddress = stored->electronicAddress;
        entry.invoiceFormat = stored->invoiceFormat;
        if (!changeCustomer(db, entry).ok)
            return failed();
    }
    if (invoiceDate.isValid() &&
        !db.execute(QStringLiteral("UPDATE tblNarocnik SET Uporabljen = ? WHERE ID = ? AND "
                                   "(Uporabljen IS NULL OR Uporabljen < ?)"),
                    {invoiceDate, stored->id, invoiceDate}))
        return failed();
    if (!tx.commit())
        return failed();
    r.updated = update;
    return r;
}

bool taxNumberValid(const QString& typed) {
    QString digits;
    for (QChar c : typed)
        if (!c.isSpace() && c != u'-')
            digits += c.toUpper();
    if (digits.startsWith(QLatin1String("SI")))
        digits.remove(0, 2);
    else if (digits.isEmpty())
        return true;
    if (digits.size() != 8)
        return false;
    int sum = 0;
    for (int i = 0; i < 8; ++i) {
        if (digits[i] < u'0' || digits[i] > u'9')
            return false;
        if (i < 7)
            sum += (8 - i) * (digits[i].unicode() - u'0');
    }
    // A remainder of 0 would need the check digit 11: no such number is
    // given out.
    const int check = 11 - sum % 11;
    if (check == 11)
        return false;
    return digits[7].unicode() - u'0' == check % 10;
}

} // namespace valmir
