#include "data/Database.h"

#include "data/Recordset.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>

#include <sqlite3.h>

namespace valmir {

namespace {

QString engineMessage(sqlite3* db) {
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
}

// Statements are run with a retry when another connection holds the file
// for a moment.
constexpr int BusyTimeoutMs = 2000;

// Reads one code point of UTF-8 text; a stray byte stands for itself.
char32_t nextCodePoint(const unsigned char*& p, const unsigned char* end) {
    unsigned char b = *p++;
    if (b < 0x80)
        return b;
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    char32_t c = b & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        if (p == end || (*p & 0xC0) != 0x80)
            return b;
        c = (c << 6) | (*p++ & 0x3F);
    }
    return c;
}

// Sort weight of one character. The letters with a caron are letters of
// their own that follow their base letter; other accented letters follow
// their base letter too; case does not count. The code point takes part so
// that only characters that differ in case alone weigh the same.
quint64 collationWeight(char32_t c) {
    if (c < 0x80) {
        if (c >= u'A' && c <= u'Z')
            c += 32;
        return (quint64(c) << 3) << 21 | c;
    }
    c = QChar::toCaseFolded(c);
    quint64 primary;
    switch (c) {
    case U'\u010D':
        primary = (quint64(u'c') << 3) + 4;
        break; // č
    case U'\u0107':
        primary = (quint64(u'c') << 3) + 5;
        break; // ć
    case U'\u0111':
        primary = (quint64(u'd') << 3) + 4;
        break; // đ
    case U'\u0161':
        primary = (quint64(u's') << 3) + 4;
        break; // š
    case U'\u017E':
        primary = (quint64(u'z') << 3) + 4;
        break; // ž
    default: {
        const QString parts = QChar::decomposition(c);
        if (QChar::decompositionTag(c) == QChar::Canonical && !parts.isEmpty() &&
            parts.at(0).unicode() < 0x80)
            primary = (quint64(parts.at(0).toCaseFolded().unicode()) << 3) + 1;
        else
            primary = (quint64(0x80) << 3) + c;
    }
    }
    return primary << 21 | c;
}

int compareText(void*, int lengthA, const void* a, int lengthB, const void* b) {
    auto pa = static_cast<const unsigned char*>(a);
    auto pb = static_cast<const unsigned char*>(b);
    const unsigned char* endA = pa + lengthA;
    const unsigned char* endB = pb + lengthB;
    while (pa != endA && pb != endB) {
        quint64 wa = collationWeight(nextCodePoint(pa, endA));
        quint64 wb = collationWeight(nextCodePoint(pb, endB));
        if (wa != wb)
            return wa < wb ? -1 : 1;
    }
    if (pa == endA)
        return pb == endB ? 0 : -1;
    return 1;
}

// A DELETE without WHERE may empty a table in one step, and the update hook
// would not hear of its rows. Record sets over the table must, so such
// deletes go row by row; only DROP may delete schema rows as it likes.
int authorize(void* self, int action, const char*, const char*, const char*, const char*) {
    auto* allowDrop = static_cast<bool*>(self);
    return (action == SQLITE_DELETE && !*allowDrop) ? SQLITE_IGNORE : SQLITE_OK;
}

bool startsWithWord(const QString& sql, QStringView word) {
    return QStringView(sql).trimmed().startsWith(word, Qt::CaseInsensitive);
}

} // namespace

const char* Database::textCollation() { return "SLOVENIAN"; }

Database::~Database() {
    if (m_db)
        sqlite3_close_v2(m_db);
}

std::unique_ptr<Database> Database::open(const QString& path, const QString& password,
                                         QString* error, bool createIfMissing) {
    auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        return std::unique_ptr<Database>();
    };
    if (!createIfMissing && !QFileInfo(path).isFile())
        return fail(QStringLiteral("datoteka ne obstaja"));

    std::unique_ptr<Database> db(new Database);
    db->m_path = path;
    int flags = SQLITE_OPEN_READWRITE | (createIfMissing ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &db->m_db, flags, nullptr);
    if (rc != SQLITE_OK)
        return fail(engineMessage(db->m_db));
    sqlite3_busy_timeout(db->m_db, BusyTimeoutMs);
    sqlite3_extended_result_codes(db->m_db, 1);
    sqlite3_create_collation(db->m_db, textCollation(), SQLITE_UTF8, nullptr, compareText);
    sqlite3_set_authorizer(db->m_db, authorize, &db->m_allowDrop);
    sqlite3_update_hook(db->m_db, rowChangedHook, db.get());
    sqlite3_rollback_hook(db->m_db, rolledBackHook, db.get());

    if (!password.isEmpty()) {
        QByteArray key = password.toUtf8();
        if (sqlite3_key(db->m_db, key.constData(), key.size()) != SQLITE_OK)
            return fail(engineMessage(db->m_db));
    }
    // A wrong key or a file that is no database shows only when the first
    // page is read; read it now, before anybody relies on the handle.
    char* msg = nullptr;
    rc = sqlite3_exec(db->m_db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &msg);
    if (rc != SQLITE_OK) {
        // The user reads this one: say it in Slovenian.
        QString text = (rc & 0xff) == SQLITE_NOTADB
                           ? QStringLiteral("datoteka ni podatkovna baza ali je zaklenjena z "
                                            "drugim geslom")
                           : (msg ? QString::fromUtf8(msg) : engineMessage(db->m_db));
        sqlite3_free(msg);
        return fail(text);
    }
    return db;
}

QString Database::translate(const QString& sql) {
    // The program's dialect writes Yes/No constants as the words True and
    // False, which this engine does not know; outside quoted text they
    // become 1 and 0.
    QString out;
    out.reserve(sql.size());
    QChar quote;
    for (int i = 0; i < sql.size();) {
        QChar c = sql.at(i);
        if (!quote.isNull()) {
            out += c;
            if (c == quote)
                quote = QChar();
            ++i;
            continue;
        }
        if (c == u'\'' || c == u'"' || c == u'[') {
            quote = (c == u'[') ? QChar(u']') : c;
            out += c;
            ++i;
            continue;
        }
        if (c.isLetter() || c == u'_') {
            int j = i;
            while (j < sql.size() && (sql.at(j).isLetterOrNumber() || sql.at(j) == u'_'))
                ++j;
            QStringView word = QStringView(sql).mid(i, j - i);
            if (word.compare(u"True", Qt::CaseInsensitive) == 0)
                out += u'1';
            else if (word.compare(u"False", Qt::CaseInsensitive) == 0)
                out += u'0';
            else
                out += word;
            i = j;
            continue;
        }
        if (c.isDigit()) {
            // A number or an identifier that starts with digits (70proc).
            int j = i;
            while (j < sql.size() &&
                   (sql.at(j).isLetterOrNumber() || sql.at(j) == u'_' || sql.at(j) == u'.'))
                ++j;
            out += QStringView(sql).mid(i, j - i);
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

sqlite3_stmt* Database::prepare(const QString& sql) {
    QString text = translate(sql);
    if (!m_failFragment.isEmpty() && text.contains(m_failFragment)) {
        m_lastError = QStringLiteral("Simulirana napaka pri stavku: ") + text;
        return nullptr;
    }
    sqlite3_stmt* stmt = nullptr;
    QByteArray utf8 = text.toUtf8();
    m_allowDrop = startsWithWord(text, u"DROP");
    const int rc = sqlite3_prepare_v2(m_db, utf8.constData(), utf8.size(), &stmt, nullptr);
    m_allowDrop = false;
    if (rc != SQLITE_OK) {
        setEngineError();
        sqlite3_finalize(stmt);
        return nullptr;
    }
    return stmt;
}

QVariant toStorage(const QVariant& value) {
    if (value.isNull() || !value.isValid())
        return QVariant();
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate);
    case QMetaType::QDateTime:
        return value.toDateTime().date().toString(Qt::ISODate);
    default:
        return value;
    }
}

bool Database::bindAll(sqlite3_stmt* stmt, const QVariantList& params) {
    if (sqlite3_bind_parameter_count(stmt) != params.size()) {
        m_lastError = QStringLiteral("Število parametrov se ne ujema s stavkom.");
        return false;
    }
    for (int i = 0; i < params.size(); ++i) {
        QVariant v = toStorage(params.at(i));
        int rc;
        int n = i + 1;
        if (v.isNull()) {
            rc = sqlite3_bind_null(stmt, n);
        } else {
            switch (v.typeId()) {
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::Long:
            case QMetaType::LongLong:
            case QMetaType::Short:
            case QMetaType::ULongLong:
                rc = sqlite3_bind_int64(stmt, n, v.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(stmt, n, v.toDouble());
                break;
            case QMetaType::QByteArray: {
                QByteArray b = v.toByteArray();
                rc = sqlite3_bind_blob(stmt, n, b.constData(), b.size(), SQLITE_TRANSIENT);
                break;
            }
            default: {
                QByteArray s = v.toString().toUtf8();
                rc = sqlite3_bind_text(stmt, n, s.constData(), s.size(), SQLITE_TRANSIENT);
            }
            }
        }
        if (rc != SQLITE_OK) {
            setEngineError();
            return false;
        }
    }
    return true;
}

void Database::setEngineError() { m_lastError = engineMessage(m_db); }

bool Database::execute(const QString& sql, const QVariantList& params) {
    sqlite3_stmt* stmt = prepare(sql);
    if (!stmt)
        return false;
    bool ok = bindAll(stmt, params);
    if (ok) {
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        }
        ok = (rc == SQLITE_DONE);
        if (!ok)
            setEngineError();
    }
    sqlite3_finalize(stmt);
    afterStatement();
    return ok;
}

QVariant Database::scalar(const QString& sql, const QVariantList& params) {
    sqlite3_stmt* stmt = prepare(sql);
    if (!stmt)
        return {};
    QVariant result;
    if (bindAll(stmt, params)) {
        int rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            switch (sqlite3_column_type(stmt, 0)) {
            case SQLITE_INTEGER:
                result = qlonglong(sqlite3_column_int64(stmt, 0));
                break;
            case SQLITE_FLOAT:
                result = sqlite3_column_double(stmt, 0);
                break;
            case SQLITE_TEXT:
                result =
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
                break;
            default:
                break;
            }
        } else if (rc != SQLITE_DONE) {
            setEngineError();
        }
    }
    sqlite3_finalize(stmt);
    afterStatement();
    return result;
}

std::unique_ptr<Recordset> Database::openRecordset(const QString& source, RecordsetKind kind,
                                                   const QVariantList& params) {
    std::unique_ptr<Recordset> rs(new Recordset(*this, kind));
    if (!rs->init(source, params))
        return nullptr;
    return rs;
}

bool Database::beginTransaction() { return execute(QStringLiteral("BEGIN IMMEDIATE")); }
bool Database::commit() { return execute(QStringLiteral("COMMIT")); }
bool Database::rollback() {
    if (!inTransaction())
        return true;
    return execute(QStringLiteral("ROLLBACK"));
}
bool Database::hasTables(const QStringList& names) {
    for (const QString& name : names) {
        QVariant n = scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' "
                                           "AND name=? COLLATE NOCASE"),
                            {name});
        if (n.toLongLong() != 1) {
            if (n.isValid())
                m_lastError = QStringLiteral("manjka tabela %1").arg(name);
            return false;
        }
    }
    return true;
}

void Database::attach(Recordset* rs) { m_recordsets.push_back(rs); }

void Database::detach(Recordset* rs) { std::erase(m_recordsets, rs); }

void Database::rowChangedHook(void* self, int op, const char*, const char* table, qint64 rowid) {
    // Runs in the middle of a statement: only note the row; the record sets
    // follow and tell their lists when the statement is done.
    auto* db = static_cast<Database*>(self);
    const auto change = op == SQLITE_INSERT   ? Recordset::RowChange::Added
                        : op == SQLITE_DELETE ? Recordset::RowChange::Deleted
                                              : Recordset::RowChange::Updated;
    for (Recordset* rs : db->m_recordsets)
        if (rs->overTable(table))
            rs->rowChangedInEngine(change, rowid);
}

void Database::rolledBackHook(void* self) { static_cast<Database*>(self)->m_rolledBack = true; }

void Database::afterStatement() {
    // Copy: an observer may open or close record sets while it is told.
    const std::vector<Recordset*> sets = m_recordsets;
    if (m_rolledBack) {
        // Rows written since the transaction began are gone again, and rows
        // deleted are back: every record set reads its rows afresh.
        m_rolledBack = false;
        for (Recordset* rs : sets)
            if (std::find(m_recordsets.begin(), m_recordsets.end(), rs) != m_recordsets.end())
                rs->resyncAfterRollback();
        return;
    }
    for (Recordset* rs : sets)
        if (std::find(m_recordsets.begin(), m_recordsets.end(), rs) != m_recordsets.end())
            rs->flushEngineChanges();
}

bool Database::inTransaction() const { return m_db && !sqlite3_get_autocommit(m_db); }
int Database::changes() const { return sqlite3_changes(m_db); }

} // namespace valmir
