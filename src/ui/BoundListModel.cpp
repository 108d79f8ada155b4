#include "ui/BoundListModel.h"

#include "text/TextForms.h"

#include <QDate>
#include <QRegularExpression>

namespace valmir {

BoundListModel::BoundListModel(QObject* parent) : QAbstractTableModel(parent) {
    m_reading.setSingleShot(true);
    m_reading.setInterval(0);
    connect(&m_reading, &QTimer::timeout, this, &BoundListModel::readSlice);
}

BoundListModel::~BoundListModel() {
    if (m_rs)
        m_rs->setObserver(nullptr);
}

void BoundListModel::setRecordSource(const QString& source, const QVariantList& params) {
    m_source = source;
    m_params = params;
}

bool BoundListModel::refresh() {
    m_reading.stop(); // the new rows are read on after they are painted
    m_readingHeld = false;
    beginResetModel();
    if (m_rs)
        m_rs->setObserver(nullptr);
    m_rs.reset();
    m_lastError.clear();
    if (m_db && !m_source.isEmpty()) {
        static const QRegularExpression plainName(QStringLiteral(R"(^\s*\w+\s*$)"));
        RecordsetKind kind =
            plainName.match(m_source).hasMatch() ? RecordsetKind::Table : RecordsetKind::Dynaset;
        m_rs = m_db->openRecordset(m_source, kind, m_params);
        if (!m_rs)
            m_lastError = m_db->lastError();
    } else {
        m_lastError = QStringLiteral("Seznam nima podatkovne zbirke ali vira zapisov.");
    }
    m_fieldOf.clear();
    for (const BoundColumn& c : m_columns)
        m_fieldOf << (m_rs ? m_rs->fieldIndex(c.field) : -1);
    if (m_rs) {
        m_rs->setObserver(this);
        m_rs->moveFirst();
    }
    endResetModel();
    Q_EMIT currentRowReset();
    return m_rs != nullptr;
}

void BoundListModel::setColumns(const QList<BoundColumn>& columns) {
    beginResetModel();
    m_columns = columns;
    m_fieldOf.clear();
    for (const BoundColumn& c : m_columns)
        m_fieldOf << (m_rs ? m_rs->fieldIndex(c.field) : -1);
    endResetModel();
}

void BoundListModel::setCaption(int column, const QString& caption) {
    if (column < 0 || column >= m_columns.size())
        return;
    m_columns[column].caption = caption;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}

QString BoundListModel::caption(int column) const { return m_columns.value(column).caption; }

QString BoundListModel::formatValue(const QVariant& value, const QString& format) {
    if (value.isNull())
        return {};
    if (format == u"Currency") {
        bool ok = false;
        double d = value.toDouble(&ok);
        return ok ? currencyText(d) : value.toString();
    }
    if (format == u"Yes/No") {
        bool yes = value.typeId() == QMetaType::Bool ? value.toBool() : value.toDouble() != 0;
        return yes ? QStringLiteral("Da") : QStringLiteral("Ne");
    }
    if (value.typeId() == QMetaType::QDate)
        return dateText(value.toDate());
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("Da") : QStringLiteral("Ne");
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::LongLong)
        return localeNumberText(value.toDouble());
    return value.toString();
}

int BoundListModel::recordsetRow(int row) const {
    switch (m_pending) {
    case Pending::Remove:
        if (row == m_pendingRow)
            return -1; // the row that is going away is already gone
        return row > m_pendingRow ? row - 1 : row;
    case Pending::Insert:
        return row >= m_pendingRow ? row + 1 : row;
    case Pending::None:
        break;
    }
    return row;
}

QVariant BoundListModel::valueAt(int row, int column) const {
    if (!m_rs || column < 0 || column >= m_fieldOf.size())
        return {};
    int source = recordsetRow(row);
    if (source < 0)
        return {};
    return m_rs->value(source, m_fieldOf.at(column));
}

QString BoundListModel::displayText(int row, int column) const {
    if (column < 0 || column >= m_columns.size())
        return {};
    return formatValue(valueAt(row, column), m_columns.at(column).format);
}

int BoundListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !m_rs)
        return 0;
    int count = m_rs->rowsRead() - m_rowsNotShown;
    if (m_pending == Pending::Remove)
        ++count;
    else if (m_pending == Pending::Insert)
        --count;
    return count;
}

int BoundListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_columns.size();
}

QVariant BoundListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !m_rs)
        return {};
    if (role == Qt::DisplayRole)
        return displayText(index.row(), index.column());
    if (role == Qt::EditRole) {
        QVariant v = valueAt(index.row(), index.column());
        if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::LongLong)
            return localeNumberText(v.toDouble());
        return v.isNull() ? QString() : v.toString();
    }
    if (role == Qt::TextAlignmentRole) {
        QVariant v = valueAt(index.row(), index.column());
        if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::LongLong)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant BoundListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return caption(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags BoundListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && m_editable && m_editable(index.row(), index.column()))
        f |= Qt::ItemIsEditable;
    return f;
}

bool BoundListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || !m_rs || !(flags(index) & Qt::ItemIsEditable))
        return false;
    // A number field takes only what reads as a number: text that does not
    // would be stored as typed and count as 0 where it is priced. Other
    // fields keep the text as typed. Empty text is Null.
    const QString text = value.toString();
    QVariant stored;
    if (m_rs->fieldType(m_fieldOf.value(index.column(), -1)) == Recordset::FieldType::Number) {
        const std::optional<QVariant> number = numberFieldValue(text);
        if (!number) {
            Q_EMIT valueRefused(text);
            return false;
        }
        stored = *number;
    } else if (!text.trimmed().isEmpty()) {
        stored = text;
    }
    const int keep = m_rs->position();
    const bool ok = m_rs->setValueAt(index.row(), m_columns.at(index.column()).field, stored);
    m_rs->moveTo(keep);
    if (!ok)
        Q_EMIT writeFailed(m_rs->lastError());
    return ok;
}

void BoundListModel::recordsetReset() {
    m_readingHeld = false;
    beginResetModel();
    endResetModel();
    Q_EMIT currentRowReset();
}

// Whoever made the record set read them (the timer, a move past the rows
// read, a write), the rows read are announced here.
void BoundListModel::rowsAppended(int first, int last) {
    m_rowsNotShown = last - first + 1;
    beginInsertRows({}, first, last);
    m_rowsNotShown = 0;
    endInsertRows();
}

void BoundListModel::readRestLater() {
    if (m_rs && !m_rs->allRowsRead() && !m_readingHeld && !m_reading.isActive())
        m_reading.start();
}

void BoundListModel::holdReading() {
    m_readingHeld = true;
    m_reading.stop();
}

void BoundListModel::readSlice() {
    if (!m_rs || m_rs->allRowsRead())
        return;
    if (!m_rs->readMoreRows()) {
        Q_EMIT readFailed(m_rs->lastError());
        return;
    }
    readRestLater();
}

void BoundListModel::rowInserted(int position) {
    Q_EMIT rowsChanging();
    m_pending = Pending::Insert;
    m_pendingRow = position;
    beginInsertRows({}, position, position);
    m_pending = Pending::None;
    endInsertRows();
    Q_EMIT rowsChanged();
}

void BoundListModel::rowRemoved(int position) {
    Q_EMIT rowsChanging();
    m_pending = Pending::Remove;
    m_pendingRow = position;
    beginRemoveRows({}, position, position);
    m_pending = Pending::None;
    endRemoveRows();
    Q_EMIT rowsChanged();
}

void BoundListModel::rowChanged(int position) {
    Q_EMIT dataChanged(index(position, 0), index(position, columnCount() - 1));
}

} // namespace valmir
