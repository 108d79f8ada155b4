#pragma once

#include "data/Database.h"
#include "data/KeySet.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <optional>

namespace valmir {

// Told about changes of a record set's rows, so that a list over it can
// follow without running the query again.
class RecordsetObserver {
public:
    virtual ~RecordsetObserver() = default;
    virtual void recordsetReset() = 0;
    virtual void rowInserted(int position) = 0;
    virtual void rowRemoved(int position) = 0;
    virtual void rowChanged(int position) = 0;
    // Rows of the rest of the set were read and added at its end.
    virtual void rowsAppended(int /*first*/, int /*last*/) {}
};

// The rows of a table or a query, with a current row.
//
// Table and dynaset record sets keep only the row ids of their rows (the
// key set) and read the field values of a row when somebody asks for them,
// in blocks, so that a set of a hundred thousand rows opens at once. Writes
// go straight to the table. A snapshot reads all its rows once and cannot
// be written.
//
// A dynaset over one table ordered by one of its fields ("SELECT * FROM t
// [WHERE ...] ORDER BY f [ASC|DESC]") reads its row ids in slices: the
// first slice when it opens, the rest when somebody asks for it
// (readMoreRows(), readAllRows()) or needs it: a row past those read, the
// last row, the end, the count, a bookmark not among those read. Equal
// values of the field come in the order of their row ids, so that each
// slice goes on where the one before ended, by the field's index. Before
// any statement that writes runs on the database, every record set on it
// reads the rest of its rows, so that writes always meet whole sets.
//
// Rows written by any statement on the same database show at once, and a
// rollback is followed as well: afterwards every open record set holds the
// rows as they are in the file again, reads their values afresh, and keeps
// its current row where that row is still there (or stands on the row now
// at its position). Nobody needs to run a record set again after a
// rollback.
//
// Read errors. A value that could not be read is a null QVariant, like a
// Null field; readFailed() tells the two apart. It turns true when reading
// rows fails (a block of field values, the key set, a requery, setIndex,
// a seek, the check that a row still exists) and stays true until a
// requery() or setIndex() reads the rows again or clearReadError() is
// called; lastError() has the engine's text. Whoever writes what it read
// checks readFailed() first, so that nothing is written from a row that
// could not be read. When the rows cannot be read again the set is empty.
class Recordset {
public:
    // Kinds of field by the declared type of their column: DATE, BOOLEAN,
    // or a number (INTEGER, REAL, NUMERIC, DOUBLE, ...).
    enum class FieldType { Other, Date, YesNo, Number };
    enum class EditMode { None, Add, Edit };

    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    RecordsetKind kind() const { return m_kind; }
    QString tableName() const { return m_table; }
    bool updatable() const { return m_kind != RecordsetKind::Snapshot; }

    // Rows and the current row. A position runs from 0 to recordCount()-1;
    // eof() is true past the last row (and on an empty set).
    int recordCount() const;
    // The rows read so far, and whether they are all (see above).
    int rowsRead() const { return m_keys.size(); }
    bool allRowsRead() const { return !m_moreRows; }
    // Reads the next slice of rows; false when the engine failed (then
    // readFailed() is true and no more rows are read).
    bool readMoreRows() const;
    bool readAllRows() const;
    bool eof() const;
    bool bof() const;
    int position() const { return m_keys.position(); }
    void moveFirst();
    void moveNext();
    void movePrevious();
    void moveLast();
    bool moveTo(int position);

    // Fields of the current row by name; Null is a null QVariant. Field
    // names are matched without regard to case.
    QVariant field(const QString& name) const;
    QVariant value(int position, int column) const;
    QVariant value(int position, const QString& name) const;
    const QStringList& fieldNames() const { return m_fieldNames; }
    int fieldIndex(const QString& name) const;
    FieldType fieldType(int column) const { return m_fieldTypes.value(column, FieldType::Other); }

    // Writing: addNew() or edit(), setField() as often as needed, update().
    // After update() the current row is the one that was current before;
    // lastModified() gives the row just written. A number field takes text
    // only where it reads as a number (numberFieldValue()); other text
    // makes update() fail and writes nothing.
    bool addNew();
    // On the server, update() writes only while the row still has the
    // version it had when it was read (or `expectedVersion`, the one a
    // window read it with): a row another workstation changed or deleted
    // since is not overwritten, and conflict() says so.
    bool edit(qint64 expectedVersion = 0);
    void setField(const QString& name, const QVariant& value);
    bool update();
    void cancelUpdate();
    EditMode editMode() const { return m_editMode; }
    // Deletes the current row. The position then stands on the gap: the
    // next moveNext() goes to the row that followed the deleted one. On the
    // server only while the row has the version it was read with (or
    // `expectedVersion`), as update() writes.
    bool deleteCurrent(qint64 expectedVersion = 0);
    // After a delete: stands on the row that followed the deleted one, or
    // on the last row when the deleted one was the last.
    void moveAfterDelete();
    // The row version of the current row as read; 0 on a file, which one
    // workstation uses, and where there is none.
    qint64 rowVersion() const;
    // Why the last write was refused when another workstation had changed
    // or deleted the row since it was read; nothing for other refusals.
    struct Conflict {
        bool deleted = false;
        QString by; // the workstation and the time of the change
    };
    const std::optional<Conflict>& conflict() const { return m_conflict; }
    // edit(), setField(), update() of the row at a position, in one call.
    bool setValueAt(int position, const QString& name, const QVariant& value);

    // Row ids: a bookmark is the row id of a row of the table. The current
    // row's is 0 on the gap a deleted row leaves, and where there is no
    // current row: the row that stands at a gap is not the one that was
    // current.
    qint64 bookmark() const;
    qint64 bookmarkAt(int position) const;
    // The row version of the row at a position as read (see rowVersion()).
    qint64 rowVersionAt(int position) const;
    // Whether the row with this bookmark is still in the table and, when a
    // version is given, still has it, as the engine has it now. Else false
    // with conflict() saying who changed or deleted it; no conflict when the
    // engine failed (then lastError() has its text). Bookmark 0 is a row
    // deleted.
    bool rowAsRead(qint64 bookmark, qint64 version);
    qint64 lastModified() const { return m_lastModified; }
    bool moveToBookmark(qint64 bookmark);
    int positionOf(qint64 bookmark) const;

    // Table record sets: order by a named index and seek in it.
    // op is "=" or ">="; keys hold one value per column of the index.
    bool setIndex(const QString& indexName);
    QString index() const { return m_indexName; }
    // True with noMatch() false on the row found, true with noMatch() when
    // there is no such row, false (noMatch() true) when the index cannot be
    // searched so or the engine failed (then readFailed() is true, too).
    bool seek(const QString& op, const QVariantList& keys);
    bool noMatch() const { return m_noMatch; }

    // Runs the source again; the current row becomes the first row.
    bool requery();

    // See "Read errors" above.
    bool readFailed() const { return m_readFailed; }
    void clearReadError() { m_readFailed = false; }

    void setObserver(RecordsetObserver* observer) { m_observer = observer; }
    Database& database() const { return m_db; }
    QString lastError() const { return m_db.lastError(); }

private:
    // Whether a write may go ahead: the record set can be written and,
    // when the write needs one, stands on a row; else the error says why.
    bool mayWrite(bool needsRow);
    friend class Database;
    Recordset(Database& db, RecordsetKind kind);
    // Told by the database about rows written by any statement on it.
    bool overTable(const char* table) const;
    enum class RowChange { Added, Updated, Deleted };
    void rowChangedInEngine(RowChange change, qint64 rowid);
    void dropGoneRows(const QSet<qint64>& gone);
    void takeInAddedRows(const QList<qint64>& added);
    void flushEngineChanges();
    void resyncAfterRollback();
    void placeInOrder(qint64 row, bool added);
    bool sortsBefore(qint64 a, qint64 b) const;
    std::optional<bool> rowExists(qint64 row) const;
    bool refuseChanged(qint64 row);
    bool init(const QString& source, const QVariantList& params);
    void loadFieldInfo(const EngineQuery& query);
    bool readKeys(QVector<qint64>* keys);
    bool readSlice(QVector<qint64>* keys, int wanted) const;
    // Reads up to `wanted` more row ids (AllRows: the rest) and appends them.
    bool appendRows(int wanted) const;
    bool readOrdered(QVector<qint64>* keys, const QString& condition, const QVariantList& values,
                     const QString& order, int limit) const;
    bool haveRow(int position) const;
    enum class Reload { Fresh, AfterAdding, AfterRollback };
    bool reload(Reload how);
    bool loadSnapshot();
    bool readFailure() const;
    const QVariantList* rowAt(int position) const;
    void fetchBlock(int position) const;
    QString orderClause() const;
    void notifyReset();

    Database& m_db;
    RecordsetKind m_kind;
    QString m_table;
    QByteArray m_tableUtf8;
    QString m_selectSql; // snapshot query, or the key-set query
    QVariantList m_params;
    QString m_indexName;
    QStringList m_indexColumns;
    QStringList m_fieldNames;
    QString m_columns; // the fields, quoted, for reading rows
    QVector<FieldType> m_fieldTypes;
    QHash<QString, int> m_fieldByName;

    // A field that orders a dynaset and where reading its rows goes on.
    struct SliceOrder {
        QString field; // quoted
        bool descending = false;
        QString where; // the query's own condition, or empty
        bool begun = false;
        QVariant lastValue; // of the last row read; null for Null
        qint64 lastRow = 0;
    };
    mutable std::optional<SliceOrder> m_order;

    // Row ids and the current row; a snapshot's rows have no row ids, so
    // its key set holds their row numbers. Reading the rest of the rows
    // does not change which rows the set has, so it happens in const
    // functions, too.
    mutable KeySet m_keys;
    mutable bool m_moreRows = false;
    mutable int m_sliceRows = 0;                 // of the next slice (readMoreRows)
    QVector<QVariantList> m_rows;                // all rows (snapshot)
    mutable QHash<qint64, QVariantList> m_cache; // rows read so far

    bool m_noMatch = false;
    mutable bool m_readFailed = false;
    qint64 m_lastModified = 0;
    EditMode m_editMode = EditMode::None;
    QVariantMap m_buffer; // field name (as in the table) -> value
    qint64 m_editRow = 0;
    bool m_versioned = false; // rows carry a version (on the server)
    qint64 m_editVersion = 0;
    std::optional<Conflict> m_conflict;
    RecordsetObserver* m_observer = nullptr;
    // Rows written by others during the last statement.
    QList<qint64> m_changedRows;
    QSet<qint64> m_goneRows;
    QList<qint64> m_addedRows;
    bool m_ownWrite = false;
};

// The value a number field takes for a typed text: Null for blank text,
// the number that readNumber() reads ("1.234,50", "30 €", "−5", "7,5"),
// and nothing when the text is no number.
std::optional<QVariant> numberFieldValue(const QString& text);

} // namespace valmir
