#include "TestSupport.h"
#include "data/Recordset.h"
#include "data/Schema.h"

#include <QtTest>

using namespace valmir;

namespace {

// Remembers what a record set told its list.
struct Recorder : RecordsetObserver {
    int resets = 0;
    QList<int> inserted, removed, changed;
    void recordsetReset() override { ++resets; }
    void rowInserted(int p) override { inserted << p; }
    void rowRemoved(int p) override { removed << p; }
    void rowChanged(int p) override { changed << p; }
};

// Adds a line of the working table with its place in the item grid.
void addWorkLine(Recordset& rs, int ts1, int ts2, const QString& text) {
    QVERIFY(rs.addNew());
    rs.setField("TS1", ts1);
    rs.setField("TS2", ts2);
    rs.setField("GeodetskaStoritev", text);
    QVERIFY2(rs.update(), qPrintable(rs.lastError()));
}

QStringList column(Recordset& rs, const QString& name) {
    QStringList out;
    for (int p = 0; p < rs.recordCount(); ++p)
        out << rs.value(p, name).toString();
    return out;
}

std::unique_ptr<Recordset> staff(Database& db, const QStringList& names) {
    db.execute("DELETE FROM tblSestavljavci");
    for (const QString& n : names)
        db.execute("INSERT INTO tblSestavljavci (Ime) VALUES (?)", {n});
    return db.openRecordset("tblSestavljavci", RecordsetKind::Table);
}

} // namespace

class TestEngine : public test::FixtureTest {
    Q_OBJECT

private Q_SLOTS:
    void tableSeekOnSingleColumnIndexes() {
        auto tariff = Db->openRecordset("tblTarife", RecordsetKind::Table);
        QVERIFY(tariff && tariff->setIndex("ID"));
        QVERIFY(tariff->seek("=", {3}));
        QVERIFY(!tariff->noMatch());
        QCOMPARE(tariff->field("ID").toLongLong(), 3);
        QVERIFY(tariff->seek("=", {99999}));
        QVERIFY(tariff->noMatch());

        auto posts = Db->openRecordset("tbPoste", RecordsetKind::Table);
        QVERIFY(posts->setIndex("Stev"));
        QVERIFY(posts->seek(">=", {1001}));
        QVERIFY(!posts->noMatch());
        QVERIFY(posts->field("Stev").toDouble() > 1000);
        posts->movePrevious();
        QCOMPARE(posts->field("Stev").toDouble(), 1000.0);
        QVERIFY(posts->seek(">=", {99999}));
        QVERIFY(posts->noMatch());
    }

    // Place names compare without regard to case, also for Č, Š and Ž, and
    // sort as the Slovenian alphabet: C, Č, D ... S, Š, T ... Z, Ž.
    void textSeekFollowsSlovenianOrder() {
        auto posts = Db->openRecordset("tbPoste", RecordsetKind::Table);
        QVERIFY(posts->setIndex("Posta"));
        QVERIFY(posts->seek("=", {"LJUBLJANA"}));
        QVERIFY(!posts->noMatch());
        QCOMPARE(posts->field("Posta").toString(), QString("Ljubljana"));
        QVERIFY(posts->seek("=", {"šentjur"}));
        QVERIFY(!posts->noMatch());
        QCOMPARE(posts->field("Posta").toString(), QString("Šentjur"));

        QVERIFY(posts->seek(">=", {"č"}));
        QVERIFY(posts->field("Posta").toString().startsWith(u'Č'));
        posts->movePrevious();
        QVERIFY(posts->field("Posta").toString().startsWith(u'C'));
        QVERIFY(posts->seek(">=", {"ž"}));
        QVERIFY(posts->field("Posta").toString().startsWith(u'Ž'));
        posts->movePrevious();
        QVERIFY(posts->field("Posta").toString().startsWith(u'Z'));
        posts->moveLast();
        QVERIFY(posts->field("Posta").toString().startsWith(u'Ž'));

        auto ordered =
            Db->openRecordset("SELECT * FROM tbPoste ORDER BY Posta", RecordsetKind::Snapshot);
        QStringList names = column(*ordered, "Posta");
        const int firstS = names.indexOf(QRegularExpression("^Š.*"));
        QVERIFY(firstS > 0);
        QVERIFY(names.at(firstS - 1).startsWith(u'S'));
        QVERIFY(names.at(firstS + names.filter(QRegularExpression("^Š")).size()).startsWith(u'T'));
    }

    void tableOnTwoColumnIndexKeepsOrderAndCurrentRow() {
        WorkDb->execute("DELETE FROM tblTarifePregled");
        auto rs = WorkDb->openRecordset("tblTarifePregled", RecordsetKind::Table);
        QVERIFY(rs && rs->setIndex("Red"));
        Recorder rec;
        rs->setObserver(&rec);
        addWorkLine(*rs, 3, 1, "c");
        addWorkLine(*rs, 1, 2, "a2");
        addWorkLine(*rs, 91, 1, "x");
        addWorkLine(*rs, 1, 10, "a10");
        addWorkLine(*rs, 1, 1, "a1");
        QCOMPARE(column(*rs, "GeodetskaStoritev"), QStringList({"a1", "a2", "a10", "c", "x"}));
        QCOMPARE(rec.inserted.size(), 5);
        QCOMPARE(rs->value(rec.inserted.last(), "GeodetskaStoritev").toString(), QString("a1"));

        QVERIFY(rs->seek("=", {1, 10}));
        QVERIFY(!rs->noMatch());
        QCOMPARE(rs->field("GeodetskaStoritev").toString(), QString("a10"));
        // Adding a row before the current one keeps the current row.
        addWorkLine(*rs, 0, 5, "z");
        QCOMPARE(rs->field("GeodetskaStoritev").toString(), QString("a10"));
        QVERIFY(rs->moveToBookmark(rs->lastModified()));
        QCOMPARE(rs->position(), 0);

        QVERIFY(rs->seek(">=", {1, 3}));
        QCOMPARE(rs->field("GeodetskaStoritev").toString(), QString("a10"));
        QVERIFY(rs->seek(">=", {2, 0}));
        QCOMPARE(rs->field("GeodetskaStoritev").toString(), QString("c"));
        QVERIFY(rs->seek(">=", {3}));
        QCOMPARE(rs->field("GeodetskaStoritev").toString(), QString("c"));
        QVERIFY(rs->seek("=", {2, 1}));
        QVERIFY(rs->noMatch());
        QVERIFY(rs->seek(">=", {91, 2}));
        QVERIFY(rs->noMatch());

        // Changing a key moves the row to its new place; it stays current.
        QVERIFY(rs->seek("=", {91, 1}));
        QVERIFY(rs->edit());
        rs->setField("TS1", 2);
        QVERIFY(rs->update());
        QCOMPARE(rs->field("GeodetskaStoritev").toString(), QString("x"));
        QCOMPARE(column(*rs, "GeodetskaStoritev"), QStringList({"z", "a1", "a2", "a10", "x", "c"}));

        QVERIFY(rs->setIndex("ID"));
        QVERIFY(!rs->setIndex("Nobeden"));
        rs->setObserver(nullptr);
    }

    void dynasetOverQuery() {
        for (int i = 1; i <= 5; ++i)
            test::addInvoice(*Db, {{"StevilkaRacuna", QString("2009/%1").arg(i, 3, 10, QChar('0'))},
                                   {"Placan", i % 2 == 1},
                                   {"Ime", i == 4 ? "Novak" : "Kos"}});
        auto rs =
            Db->openRecordset("SELECT * FROM tblRacun WHERE Placan ORDER BY StevilkaRacuna DESC",
                              RecordsetKind::Dynaset);
        QVERIFY(rs);
        QCOMPARE(rs->recordCount(), 3);
        QCOMPARE(column(*rs, "StevilkaRacuna"), QStringList({"2009/005", "2009/003", "2009/001"}));
        rs->moveLast();
        QCOMPARE(rs->field("StevilkaRacuna").toString(), QString("2009/001"));
        rs->moveNext();
        QVERIFY(rs->eof());
        QVERIFY(rs->field("StevilkaRacuna").isNull());
        rs->moveFirst();
        QVERIFY(!rs->eof());

        // Writes go to the table; an added row shows at the end.
        QVERIFY(rs->edit());
        rs->setField("Ime", "Zupan");
        QVERIFY(rs->update());
        QCOMPARE(Db->scalar("SELECT Ime FROM tblRacun WHERE StevilkaRacuna='2009/005'").toString(),
                 QString("Zupan"));
        QVERIFY(rs->addNew());
        rs->setField("StevilkaRacuna", "2009/000");
        QVERIFY(rs->update());
        QCOMPARE(rs->recordCount(), 4);
        QCOMPARE(rs->position(), 0);
        QCOMPARE(rs->value(3, "StevilkaRacuna").toString(), QString("2009/000"));
        QCOMPARE(rs->value(3, "ID").toLongLong(), rs->lastModified());
        // Every row, not only the added one, can still be found by bookmark.
        QVERIFY(rs->moveToBookmark(rs->bookmarkAt(1)));
        QCOMPARE(rs->field("StevilkaRacuna").toString(), QString("2009/003"));

        auto byName = Db->openRecordset("SELECT * FROM tblRacun WHERE Ime = ? ORDER BY ID",
                                        RecordsetKind::Dynaset, {"novak"});
        QCOMPARE(byName->recordCount(), 1);
        QVERIFY(!Db->openRecordset("SELECT Ime FROM tblRacun", RecordsetKind::Dynaset));
        QVERIFY(!Db->openRecordset("SELECT * FROM tblRacun", RecordsetKind::Table));
    }

    void snapshotIsReadOnly() {
        auto rs = Db->openRecordset("SELECT TS1, count(*) AS n FROM tblTarife GROUP BY TS1 "
                                    "ORDER BY TS1",
                                    RecordsetKind::Snapshot);
        QVERIFY(rs);
        QVERIFY(rs->recordCount() > 1);
        QCOMPARE(rs->field("TS1").toDouble(), 1.0);
        QVERIFY(rs->field("n").toLongLong() > 0);
        QVERIFY(!rs->updatable());
        QVERIFY(!rs->addNew());
        QVERIFY(!rs->edit());
        QVERIFY(!rs->deleteCurrent());
    }

    void deleteThenMoveNextReachesFollowingRow() {
        auto rs = staff(*Db, {"Ana", "Bor", "Cene", "Dane"});
        Recorder rec;
        rs->setObserver(&rec);
        QVERIFY(rs->moveTo(1));
        QVERIFY(rs->deleteCurrent());
        QCOMPARE(rec.removed, QList<int>({1}));
        QVERIFY(rs->field("Ime").isNull());
        QVERIFY(!rs->edit());
        rs->moveNext();
        QCOMPARE(rs->field("Ime").toString(), QString("Cene"));

        // A row added while standing on the gap does not eat the gap.
        QVERIFY(rs->deleteCurrent());
        QVERIFY(rs->addNew());
        rs->setField("Ime", "Eva");
        QVERIFY(rs->update());
        rs->moveNext();
        QCOMPARE(rs->field("Ime").toString(), QString("Dane"));

        // Deleting every row in a walk.
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            QVERIFY(rs->deleteCurrent());
        QCOMPARE(rs->recordCount(), 0);
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblSestavljavci").toInt(), 0);
        rs->setObserver(nullptr);
    }

    void nullsAndTypesRoundTrip() {
        auto rs = Db->openRecordset("tblRacun", RecordsetKind::Table);
        QVERIFY(rs->addNew());
        for (const char* f : {"Ime", "Datum", "Veljavnost", "Sestavljavec", "Placan"})
            rs->setField(f, QVariant());
        QVERIFY(rs->update());
        const qint64 id = rs->lastModified();
        QVERIFY(rs->moveToBookmark(id));
        for (const char* f : {"Ime", "Datum", "Veljavnost", "Sestavljavec", "Placan"})
            QVERIFY2(rs->field(f).isNull(), f);

        QVERIFY(rs->edit());
        rs->setField("Ime", "Čebelar d.o.o.");
        rs->setField("Datum", QDate(2009, 12, 5));
        rs->setField("Veljavnost", 30);
        rs->setField("Sestavljavec", 2.0);
        rs->setField("Placan", true);
        QVERIFY(rs->update());
        QCOMPARE(rs->field("Ime"), QVariant("Čebelar d.o.o."));
        QCOMPARE(rs->field("Datum"), QVariant(QDate(2009, 12, 5)));
        QCOMPARE(rs->field("Veljavnost").typeId(), QMetaType::Double);
        QCOMPARE(rs->field("Veljavnost").toDouble(), 30.0);
        QCOMPARE(rs->field("Sestavljavec"), QVariant(qlonglong(2)));
        QCOMPARE(rs->field("Placan"), QVariant(true));
        // Stored forms that ORDER BY and the purge's comparison rely on.
        QCOMPARE(Db->scalar("SELECT Datum FROM tblRacun WHERE ID=?", {id}).toString(),
                 QString("2009-12-05"));
        QCOMPARE(Db->scalar("SELECT Placan FROM tblRacun WHERE ID=?", {id}).toLongLong(), 1);

        QVERIFY(rs->edit());
        for (const char* f : {"Ime", "Datum", "Veljavnost", "Sestavljavec", "Placan"})
            rs->setField(f, QVariant());
        QVERIFY(rs->update());
        for (const char* f : {"Ime", "Datum", "Veljavnost", "Sestavljavec", "Placan"})
            QVERIFY2(rs->field(f).isNull(), f);
        QVERIFY(Db->scalar("SELECT Datum FROM tblRacun WHERE ID=?", {id}).isNull());

        // A bound text with a quote is a value, not SQL.
        QVERIFY(Db->execute("UPDATE tblRacun SET StevilkaRacuna=? WHERE ID=?", {"2009/'01", id}));
        auto found = Db->openRecordset("SELECT * FROM tblRacun WHERE StevilkaRacuna=?",
                                       RecordsetKind::Snapshot, {"2009/'01"});
        QCOMPARE(found->recordCount(), 1);
        QVERIFY(!Db->execute("UPDATE tblRacun SET Ime=? WHERE ID=?", {"one"}));
    }

    void dialectYesNoAndNull() {
        QVERIFY(Db->execute("UPDATE tblTarife SET Izbrana = True WHERE TS1=1"));
        const int service1 = Db->scalar("SELECT count(*) FROM tblTarife WHERE TS1=1").toInt();
        auto picked = Db->openRecordset("SELECT * FROM tblTarife WHERE Izbrana ORDER BY TS1,TS2",
                                        RecordsetKind::Snapshot);
        QCOMPARE(picked->recordCount(), service1);
        QCOMPARE(picked->field("Izbrana"), QVariant(true));
        QVERIFY(Db->execute("UPDATE tblTarife SET Izbrana = False"));
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblTarife WHERE Izbrana").toInt(), 0);
        auto desc = Db->openRecordset("SELECT * FROM tblTarife WHERE TS1=1  ORDER BY TS2 Desc",
                                      RecordsetKind::Snapshot);
        QCOMPARE(desc->field("TS2").toDouble(), double(service1));
        auto report =
            Db->openRecordset("SELECT * FROM tblTarife WHERE \"70proc\"", RecordsetKind::Snapshot);
        QVERIFY(report->recordCount() > 0);

        auto rs = WorkDb->openRecordset("tblTarifePregled", RecordsetKind::Table);
        addWorkLine(*rs, 1, 1, "a");
        addWorkLine(*rs, 91, 1, "b");
        QVERIFY(WorkDb->execute("UPDATE tblTarifePregled SET Povisek = 20"));
        QVERIFY(WorkDb->execute("UPDATE tblTarifePregled SET Povisek = Null  WHERE TS1<90"));
        QVERIFY(WorkDb->scalar("SELECT Povisek FROM tblTarifePregled WHERE TS1=1").isNull());
        QCOMPARE(WorkDb->scalar("SELECT Povisek FROM tblTarifePregled WHERE TS1=91").toDouble(),
                 20.0);

        // The words in quoted text and quoted names stay as written.
        QCOMPARE(Database::translate("SELECT 'True or False', \"False\" FROM t WHERE a = True "
                                     "AND b=false AND c='it''s True'"),
                 QString("SELECT 'True or False', \"False\" FROM t WHERE a = 1 AND b=0 AND "
                         "c='it''s True'"));
        QVERIFY(Db->execute("UPDATE tblSestavljavci SET Ime = 'True, False'"));
        QCOMPARE(Db->scalar("SELECT Ime FROM tblSestavljavci").toString(), QString("True, False"));
    }

    void transactionsRollBack() {
        const auto count = [] {
            return Db->scalar("SELECT count(*) FROM tblSestavljavci").toInt();
        };
        const int before = count();
        {
            Transaction tx(*Db);
            QVERIFY(tx.active());
            QVERIFY(Db->execute("INSERT INTO tblSestavljavci (Ime) VALUES ('X')"));
            QCOMPARE(count(), before + 1);
        }
        QCOMPARE(count(), before);
        QVERIFY(!Db->inTransaction());

        Db->setFailingStatementForTest("tblNastavitve");
        {
            Transaction tx(*Db);
            QVERIFY(Db->execute("INSERT INTO tblSestavljavci (Ime) VALUES ('Y')"));
            QVERIFY(!Db->execute("UPDATE tblNastavitve SET StRacuna = StRacuna + 1"));
            QVERIFY(!Db->lastError().isEmpty());
        }
        Db->setFailingStatementForTest(QString());
        QCOMPARE(count(), before);
        QCOMPARE(Db->scalar("SELECT StRacuna FROM tblNastavitve").toDouble(), 1.0);
        // A commit that fails leaves no transaction open behind it.
        Db->setFailingStatementForTest("COMMIT");
        {
            Transaction tx(*Db);
            QVERIFY(Db->execute("INSERT INTO tblSestavljavci (Ime) VALUES ('W')"));
            QVERIFY(!tx.commit());
            QVERIFY(!Db->lastError().isEmpty());
            QVERIFY(!Db->inTransaction());
        }
        Db->setFailingStatementForTest(QString());
        QCOMPARE(count(), before);
        {
            Transaction tx(*Db);
            QVERIFY(Db->execute("INSERT INTO tblSestavljavci (Ime) VALUES ('Z')"));
            QVERIFY(tx.commit());
        }
        QCOMPARE(count(), before + 1);
        QVERIFY(!Db->inTransaction());
    }

    // Record sets follow a rollback: rows added in it are gone, rows deleted
    // in it are back, and edited values show as they were.
    void recordsetsFollowRollback() {
        auto rs = staff(*Db, {"Ana", "Bor"});
        Recorder rec;
        rs->setObserver(&rec);
        rs->moveLast();
        {
            Transaction tx(*Db);
            QVERIFY(rs->addNew());
            rs->setField("Ime", "Cene");
            QVERIFY(rs->update());
            rs->moveFirst();
            QVERIFY(rs->edit());
            rs->setField("Ime", "Anja");
            QVERIFY(rs->update());
            QCOMPARE(rs->field("Ime").toString(), QString("Anja"));
            QVERIFY(rs->moveTo(1));
            QVERIFY(rs->deleteCurrent());
            QCOMPARE(rs->recordCount(), 2);
        }
        QVERIFY(rec.resets > 0);
        QCOMPARE(rs->recordCount(), 2);
        QCOMPARE(column(*rs, "Ime"), QStringList({"Ana", "Bor"}));
        rs->setObserver(nullptr);
    }

    // Rows written by a statement or another record set show at once, not
    // from an old copy, and the list is told.
    void changesElsewhereAreSeen() {
        auto rs = staff(*Db, {"Ana", "Bor", "Cene"});
        auto other =
            Db->openRecordset("SELECT * FROM tblSestavljavci ORDER BY Ime", RecordsetKind::Dynaset);
        Recorder rec;
        rs->setObserver(&rec);
        QCOMPARE(column(*rs, "Ime"), QStringList({"Ana", "Bor", "Cene"}));
        QVERIFY(Db->execute("UPDATE tblSestavljavci SET Ime='Bojan' WHERE Ime='Bor'"));
        QCOMPARE(rs->value(1, "Ime").toString(), QString("Bojan"));
        QCOMPARE(rec.changed, QList<int>({1}));

        QVERIFY(other->moveTo(2));
        QVERIFY(other->edit());
        other->setField("Ime", "Cvetka");
        QVERIFY(other->update());
        QCOMPARE(rs->value(2, "Ime").toString(), QString("Cvetka"));

        // Editing a row that was deleted meanwhile is refused.
        QVERIFY(rs->moveTo(0));
        QVERIFY(rs->edit());
        QVERIFY(Db->execute("DELETE FROM tblSestavljavci"));
        rs->setField("Ime", "Ana Marija");
        QVERIFY(!rs->update());
        QVERIFY(!rs->lastError().isEmpty());
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblSestavljavci").toInt(), 0);
        rs->cancelUpdate();
        QVERIFY(rs->value(1, "Ime").isNull());
        QVERIFY(!rs->edit());
        rs->setObserver(nullptr);
    }

    // A table record set shows the rows of its table as statements change
    // them; a dynaset drops deleted rows but keeps to the rows of its query.
    void keySetsFollowStatements() {
        WorkDb->execute("DELETE FROM tblTarifePregled");
        auto rs = WorkDb->openRecordset("tblTarifePregled", RecordsetKind::Table);
        QVERIFY(rs->setIndex("Red"));
        for (int ts2 : {1, 2, 3})
            addWorkLine(*rs, 5, ts2, QString("e%1").arg(ts2));
        auto dyn = WorkDb->openRecordset("SELECT * FROM tblTarifePregled WHERE TS1=5 ORDER BY TS2",
                                         RecordsetKind::Dynaset);
        Recorder rec;
        rs->setObserver(&rec);

        QVERIFY(WorkDb->execute("INSERT INTO tblTarifePregled (TS1, TS2, GeodetskaStoritev) "
                                "VALUES (1, 1, 'a'), (5, 2, 'e2b')"));
        QCOMPARE(column(*rs, "GeodetskaStoritev"), QStringList({"a", "e1", "e2", "e2b", "e3"}));
        QCOMPARE(rec.inserted.size(), 2);
        QVERIFY(rs->seek("=", {1, 1}));
        QVERIFY(!rs->noMatch());
        QCOMPARE(dyn->recordCount(), 3);

        QVERIFY(rs->seek("=", {5, 2}));
        QVERIFY(WorkDb->execute("DELETE FROM tblTarifePregled WHERE GeodetskaStoritev='e2b'"));
        QCOMPARE(rec.removed, QList<int>({3}));
        QCOMPARE(rs->field("GeodetskaStoritev").toString(), QString("e2"));
        QVERIFY(WorkDb->execute("DELETE FROM tblTarifePregled WHERE TS1=5 AND TS2=2"));
        QCOMPARE(rs->recordCount(), 3);
        QCOMPARE(rec.removed, QList<int>({3, 2}));
        QVERIFY(rs->field("GeodetskaStoritev").isNull());
        rs->moveNext();
        QCOMPARE(rs->field("GeodetskaStoritev").toString(), QString("e3"));
        QCOMPARE(column(*dyn, "GeodetskaStoritev"), QStringList({"e1", "e3"}));

        // Emptying the whole table in one statement, too.
        const int resets = rec.resets;
        QVERIFY(WorkDb->execute("DELETE FROM tblTarifePregled"));
        QCOMPARE(rec.resets, resets + 1);
        QCOMPARE(rs->recordCount(), 0);
        QVERIFY(rs->eof());
        QCOMPARE(dyn->recordCount(), 0);
        rs->setObserver(nullptr);
    }

    // A dynaset of many rows opens on its row ids alone: the statement that
    // reads whole rows is not needed before a row is looked at.
    void largeDynasetOpensByRowIds() {
        {
            Transaction tx(*Db);
            for (int i = 0; i < 100000; ++i)
                Db->execute("INSERT INTO tblRacun (StevilkaRacuna, Ime) VALUES (?, ?)",
                            {QString("%1/%2").arg(1990 + i / 5000).arg(i % 5000, 4, 10, QChar('0')),
                             QString("Kupec %1").arg(i)});
            QVERIFY(tx.commit());
        }
        Db->setFailingStatementForTest("SELECT rowid, *");
        auto rs = Db->openRecordset("SELECT * FROM tblRacun ORDER BY StevilkaRacuna DESC",
                                    RecordsetKind::Dynaset);
        QVERIFY(rs);
        QCOMPARE(rs->recordCount(), 100000);
        QVERIFY(rs->field("Ime").isNull());
        Db->setFailingStatementForTest(QString());
        QCOMPARE(rs->field("StevilkaRacuna").toString(), QString("2009/4999"));
        rs->moveLast();
        QCOMPARE(rs->field("StevilkaRacuna").toString(), QString("1990/0000"));

        // A row added to a table record set in row-id order lands at its end.
        auto table = Db->openRecordset("tblRacun", RecordsetKind::Table);
        table->moveTo(500);
        const qint64 current = table->bookmark();
        QVERIFY(table->addNew());
        table->setField("Ime", "Zadnji");
        QVERIFY(table->update());
        QCOMPARE(table->bookmark(), current);
        QCOMPARE(table->positionOf(table->lastModified()), 100000);
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
