// The record set: opening its source, its fields, moving over its rows,
// bookmarks. Reading the key set, the row values, writing, seeking and
// following the engine's changes live in the Recordset*.cpp beside it.

#include "data/RecordsetShared.h"

#include "text/TextForms.h"

#include <QRegularExpression>

namespace valmir {

using namespace recordset;

std::optional<QVariant> numberFieldValue(const QString& text) {
    if (text.trimmed().isEmpty())
        return QVariant();
    if (const std::optional<double> n = readNumber(text))
        return QVariant(*n);
    return std::nullopt;
}

Recordset::Recordset(Database& db, RecordsetKind kind) : m_db(db), m_kind(kind) {
    m_db.attach(this);
}

Recordset::~Recordset() { m_db.detach(this); }

bool Recordset::init(const QString& source, const QVariantList& params) {
    m_params = params;
    static const QRegularExpression tableName(QStringLiteral(R"(^\s*(\w+)\s*$)"));
    static const QRegularExpression selectStar(
        QStringLiteral(R"(^\s*SELECT\s+\*\s+FROM\s+(\w+)\b(.*)$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);

    QString rest;
    if (auto m = tableName.match(source); m.hasMatch()) {
        m_table = m.captured(1);
        m_tableUtf8 = m_table.toUtf8();
    } else if (auto s = selectStar.match(source); s.hasMatch()) {
        m_table = s.captured(1);
        m_tableUtf8 = m_table.toUtf8();
        rest = s.captured(2);
        if (m_kind == RecordsetKind::Table) {
            m_db.setError(QStringLiteral("Tabelarni zapis mora biti nad tabelo."));
            return false;
        }
    } else if (m_kind == RecordsetKind::Snapshot) {
        m_selectSql = source;
        return loadSnapshot();
    } else {
        m_db.setError(QStringLiteral("Zapisa ni mogoče urejati: ") + source);
        return false;
    }

    // Field names and kinds come from the table itself.
    {
        const std::unique_ptr<EngineQuery> fields = m_db.query(
            QStringLiteral("SELECT * FROM ") + quoted(m_table) + QStringLiteral(" LIMIT 0"), {});
        if (!fields)
            return false;
        loadFieldInfo(*fields);
    }
    if (m_kind == RecordsetKind::Snapshot) {
        m_selectSql = QStringLiteral("SELECT ") + m_columns + QStringLiteral(" FROM ") +
                      quoted(m_table) + rest;
        return loadSnapshot();
    }
    m_selectSql = QStringLiteral("SELECT rowid FROM ") + quoted(m_table) + rest;
    // An order by one field of the table can be read in slices.
    static const QRegularExpression orderedBy(
        QStringLiteral(R"(^\s*(?:WHERE\s+(.*?))?\s*ORDER\s+BY\s+(\w+)(?:\s+(ASC|DESC))?\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    if (auto o = orderedBy.match(rest); o.hasMatch() && fieldIndex(o.captured(2)) >= 0) {
        SliceOrder order;
        order.field = quoted(m_fieldNames.at(fieldIndex(o.captured(2))));
        order.descending = o.captured(3).compare(u"DESC", Qt::CaseInsensitive) == 0;
        order.where = o.captured(1).trimmed();
        m_order = order;
    }
    return reload(Reload::Fresh);
}

void Recordset::loadFieldInfo(const EngineQuery& query) {
    m_fieldNames.clear();
    m_fieldTypes.clear();
    m_fieldByName.clear();
    // A key the table has on the server only is no field of the program's.
    const QStringList hidden = m_table.isEmpty() ? QStringList() : m_db.hiddenColumns(m_table);
    m_versioned = hidden.contains(QStringLiteral("verzija"));
    QStringList columns;
    const int n = query.columnCount();
    for (int i = 0; i < n; ++i) {
        const QString name = query.columnName(i);
        if (hidden.contains(name, Qt::CaseInsensitive))
            continue;
        m_fieldByName.insert(name.toLower(), m_fieldNames.size());
        m_fieldNames << name;
        m_fieldTypes << query.columnType(i);
        columns << quoted(name);
    }
    m_columns = columns.join(QStringLiteral(", "));
}

void Recordset::notifyReset() {
    if (m_observer)
        m_observer->recordsetReset();
}

int Recordset::recordCount() const {
    readAllRows();
    return m_keys.size();
}

bool Recordset::eof() const {
    haveRow(m_keys.position());
    return m_keys.eof();
}

bool Recordset::bof() const {
    haveRow(0);
    return m_keys.bof();
}

void Recordset::moveFirst() { m_keys.moveFirst(); }

void Recordset::moveNext() {
    if (!m_keys.onGap())
        haveRow(m_keys.position() + 1);
    m_keys.moveNext();
}

void Recordset::movePrevious() { m_keys.movePrevious(); }

void Recordset::moveLast() {
    readAllRows();
    m_keys.moveLast();
}

bool Recordset::moveTo(int position) {
    haveRow(position);
    return m_keys.moveTo(position);
}

int Recordset::fieldIndex(const QString& name) const {
    return m_fieldByName.value(name.toLower(), -1);
}

qint64 Recordset::bookmark() const { return m_keys.onGap() ? 0 : bookmarkAt(m_keys.position()); }

qint64 Recordset::bookmarkAt(int position) const {
    if (m_kind == RecordsetKind::Snapshot || position < 0 || !haveRow(position))
        return 0;
    return m_keys.at(position);
}

int Recordset::positionOf(qint64 bookmark) const {
    if (m_kind == RecordsetKind::Snapshot)
        return -1;
    const int p = m_keys.positionOf(bookmark);
    if (p >= 0 || allRowsRead())
        return p;
    readAllRows();
    return m_keys.positionOf(bookmark);
}

bool Recordset::moveToBookmark(qint64 bookmark) {
    int p = positionOf(bookmark);
    if (p < 0)
        return false;
    return moveTo(p);
}

} // namespace valmir
