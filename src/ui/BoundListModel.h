#pragma once

#include "data/Recordset.h"

#include <QAbstractTableModel>
#include <QList>
#include <QTimer>

#include <functional>
#include <memory>

namespace valmir {

// One column of a bound list: its caption, the field it shows and the
// display format ("", "General Date", "Yes/No" or "Currency").
struct BoundColumn {
    QString caption;
    QString field;
    QString format;
};

// The rows of a record source of one database as a table model. The model
// owns the record set; windows read the current row and write through it.
// Rows are read from the record set only when the view shows them. A record
// set that reads its rows in slices (a long ordered query) shows its first
// slice at once; once a view has painted it, the model reads the rest on the
// event loop, a slice at a time, and adds the rows to the end as they come.
class BoundListModel : public QAbstractTableModel, public RecordsetObserver {
    Q_OBJECT
public:
    explicit BoundListModel(QObject* parent = nullptr);
    ~BoundListModel() override;

    void setDatabase(Database* db) { m_db = db; }
    Database* database() const { return m_db; }
    // A table name opens a table record set, a SELECT a dynaset.
    // Values for the "?" of a SELECT are bound, never written into it.
    void setRecordSource(const QString& source, const QVariantList& params = {});
    QString recordSource() const { return m_source; }
    // Runs the record source again; the current row becomes the first.
    // On failure the list is empty and lastError() tells why.
    bool refresh();
    QString lastError() const { return m_lastError; }
    Recordset* recordset() const { return m_rs.get(); }
    // Reads the rows of the record set not read yet on the event loop, a
    // slice at a time. A view calls it when it has painted, so that its
    // first rows show before the rest is read.
    void readRestLater();
    // Reads no more of the rest until the list is read anew: it is about to
    // be replaced (a filter being typed), and each slice would delay that.
    void holdReading();

    void setColumns(const QList<BoundColumn>& columns);
    const QList<BoundColumn>& columns() const { return m_columns; }
    void setCaption(int column, const QString& caption);
    QString caption(int column) const;

    // Which cells accept typing; none unless set.
    void setEditable(std::function<bool(int row, int column)> editable) {
        m_editable = std::move(editable);
    }

    // The text a cell shows, by the column's format.
    QString displayText(int row, int column) const;
    static QString formatValue(const QVariant& value, const QString& format);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

Q_SIGNALS:
    // The record set's current row was set by the model (after a refresh
    // or a reset); views follow it.
    void currentRowReset();
    // Writing a cell failed; the text is the engine's.
    void writeFailed(const QString& error);
    // A number cell was given text that is no number; nothing was written
    // and the cell keeps its value.
    void valueRefused(const QString& text);
    // Around a row that the record set added or removed: views must not
    // move the record set while the model's rows are being renumbered.
    void rowsChanging();
    void rowsChanged();
    // Reading the rest of the rows failed; the list holds those read
    // before. The text is the engine's.
    void readFailed(const QString& error);

private:
    void recordsetReset() override;
    void rowInserted(int position) override;
    void rowRemoved(int position) override;
    void rowChanged(int position) override;
    void rowsAppended(int first, int last) override;
    void readSlice();
    // While a row is being added or removed the record set has already
    // changed but the model still answers with the old numbering.
    int recordsetRow(int row) const;
    QVariant valueAt(int row, int column) const;

    enum class Pending { None, Insert, Remove };

    Database* m_db = nullptr;
    QString m_source;
    QVariantList m_params;
    std::unique_ptr<Recordset> m_rs;
    QList<BoundColumn> m_columns;
    QList<int> m_fieldOf; // column -> field index of the record set
    std::function<bool(int, int)> m_editable;
    QString m_lastError;
    Pending m_pending = Pending::None;
    int m_pendingRow = -1;
    int m_rowsNotShown = 0; // read, while their insertion is being announced
    QTimer m_reading;
    bool m_readingHeld = false;
};

} // namespace valmir
