// Table record sets: ordering by a named index and seeking in it.

#include "data/RecordsetShared.h"

#include "data/Schema.h"

namespace valmir {

using namespace recordset;

bool Recordset::setIndex(const QString& indexName) {
    if (m_kind != RecordsetKind::Table) {
        m_db.setError(QStringLiteral("Indeks je mogoč le na tabeli."));
        return false;
    }
    QStringList cols = Schema::indexColumns(m_table, indexName);
    if (cols.isEmpty()) {
        m_db.setError(QStringLiteral("Indeks ne obstaja: ") + indexName);
        return false;
    }
    m_indexName = indexName;
    m_indexColumns = cols;
    const bool ok = reload(Reload::Fresh);
    if (ok)
        m_readFailed = false;
    notifyReset();
    return ok;
}

bool Recordset::seek(const QString& op, const QVariantList& keys) {
    m_noMatch = true;
    if (m_kind != RecordsetKind::Table || m_indexColumns.isEmpty() || keys.isEmpty() ||
        keys.size() > m_indexColumns.size()) {
        m_db.setError(QStringLiteral("Iskanje potrebuje tabelo z indeksom."));
        return false;
    }
    // Compare the leading columns of the index with the keys: all equal for
    // "=", lexicographically not smaller for ">=".
    QString where;
    QVariantList params;
    const int n = keys.size();
    // One comparison of an index column with its key. Text that is no
    // number comes after every number, as the file orders them; the server
    // would refuse to compare them, so the comparison is made here.
    const auto compare = [&](int i, const char* with) {
        const QVariant& key = keys.at(i);
        const int field = fieldIndex(m_indexColumns.at(i));
        bool number = true;
        if (field >= 0 && m_fieldTypes.at(field) == FieldType::Number &&
            key.typeId() == QMetaType::QString)
            key.toString().toDouble(&number);
        if (!number)
            return QStringLiteral("False");
        params << key;
        return quoted(m_indexColumns.at(i)) + QLatin1String(with) + QStringLiteral(" ?");
    };
    if (op == u"=") {
        QStringList parts;
        for (int i = 0; i < n; ++i)
            parts << compare(i, " =");
        where = parts.join(QStringLiteral(" AND "));
    } else if (op == u">=") {
        QStringList alternatives;
        for (int i = 0; i < n; ++i) {
            QStringList parts;
            for (int j = 0; j < i; ++j)
                parts << compare(j, " =");
            parts << compare(i, i == n - 1 ? " >=" : " >");
            alternatives << u'(' + parts.join(QStringLiteral(" AND ")) + u')';
        }
        where = alternatives.join(QStringLiteral(" OR "));
    } else {
        m_db.setError(QStringLiteral("Neznana primerjava: ") + op);
        return false;
    }
    QVariant id;
    if (!m_db.queryValue(QStringLiteral("SELECT rowid FROM ") + quoted(m_table) +
                             QStringLiteral(" WHERE ") + where + orderClause() +
                             QStringLiteral(" LIMIT 1"),
                         params, &id))
        return readFailure();
    if (id.isNull())
        return true;
    const int p = positionOf(id.toLongLong());
    if (p < 0)
        return true; // added behind this record set's back
    m_noMatch = false;
    moveTo(p);
    return true;
}

} // namespace valmir
