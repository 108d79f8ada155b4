#include "TestSupport.h"

#include "document/Settings.h"
#include "text/Clock.h"
#include "windows/N_data.h"
#include "windows/N_racun.h"
#include "windows/N_word.h"
#include "windows/OpenInWordProcessor.h"

#include <QRadioButton>
#include <QStandardPaths>

#include <sqlite3.h>

using namespace valmir;
using namespace valmir::test;

namespace {

const QString CounterNotNumeric =
    QStringLiteral("Ne bo šlo|Številka računa mora bniti numerična vrednost!");
const QString PointValueNotNumeric =
    QStringLiteral("Šlamparija|Vrednost točke ni podana v numerični obliki!");
const QString VatPercentNotNumeric =
    QStringLiteral("Šlamparija|Stopnja DDV ni podana v numerični obliki!");
const QString NotSaved = QStringLiteral("Napaka v bazi|Nastavitev ni bilo mogoče shraniti:\n");
const QString NotRead = QStringLiteral("Ne bo šlo|Nastavitev ni mogoče prebrati:\n");
const QString CloseQuestion =
    QStringLiteral("Majhna pozornost|Si morda nehote pozabil shraniti spremembe?");
const QString PointValueOutOfRange =
    QStringLiteral("Šlamparija|Vrednost točke mora biti večja od 0 €.");
const QString ValidityOutOfRange =
    QStringLiteral("Šlamparija|Veljavnost računa mora biti od 0 do 365 dni.");
const QString VatPercentOutOfRange =
    QStringLiteral("Šlamparija|Stopnja DDV mora biti od 0 do 100 %.");
// StRacuna VrednostTocke Veljavnost Tolarji GlavaVzporedno StopnjaDDV LetniStevec
const char* const SeedRow = "1 0.75 30 0 1 22 1";

QString rowText() {
    auto rs = Db->openRecordset("SELECT StRacuna, VrednostTocke, Veljavnost, Tolarji, "
                                "GlavaVzporedno, StopnjaDDV, LetniStevec FROM tblNastavitve",
                                RecordsetKind::Snapshot);
    QStringList out;
    for (int c = 0; rs && rs->recordCount() == 1 && c < 7; ++c)
        out << QString::number(rs->value(0, c).toDouble());
    return out.join(u' ');
}

// Typed into N_racun (options: Check1 ticked, Option1(0) chosen, Check2
// turned by the space bar), then "V redu".
struct RacunCase {
    const char *tag, *counter, *pointValue, *validity, *vatPercent;
    bool tolars, sideBySide, yearly;
    int action; // refused by the engine on tblNastavitve (or COMMIT)
    QString message;
    const char* row; // afterwards
    const char* focus = nullptr; // the box the cursor is on after a refusal
};
// clang-format off
const RacunCase RacunCases[] = {
    {"whole numbers", "25", "0,75", "30", "22", true, false, false, 0, {}, "25 0.75 30 1 0 22 0"},
    {"12,7 stores 12, empty validity 0", "12,7", "2,5", "", "9,5", false, true, true, 0, {}, "12 2.5 0 0 1 9.5 1"},
    {"point and words", "7", "1.5", "30 dni", "8.5", false, true, true, 0, {}, "7 1.5 30 0 1 8.5 1"},
    {"fractional validity", "3", "0,75", "7,5", "0", false, true, true, 0, {}, "3 0.75 7.5 0 1 0 1"},
    {"counter not numeric", "abc", "0,75", "30", "x", true, false, true, 0, CounterNotNumeric, SeedRow},
    {"counter empty, first check counts", "", "abc", "30", "x", true, false, true, 0, CounterNotNumeric, SeedRow},
    {"point value before VAT rate", "5", "abc", "30", "x", true, false, true, 0, PointValueNotNumeric, SeedRow},
    {"VAT rate with its unit", "5", "1", "30", "22 %", true, false, true, 0, VatPercentNotNumeric, SeedRow, "Text4"},
    {"point value 0", "5", "0", "30", "22", true, false, true, 0, PointValueOutOfRange, SeedRow, "Text2"},
    {"validity over a year", "5", "1", "366", "22", true, false, true, 0, ValidityOutOfRange, SeedRow, "Text3"},
    {"VAT rate over 100", "5", "1", "30", "250", true, false, true, 0, VatPercentOutOfRange, SeedRow, "Text4"},
    {"the ranges' ends", "5", "0,01", "365", "100", true, false, true, 0, {}, "5 0.01 365 1 0 100 1"},
    {"update refused", "5", "1", "30", "22", true, false, true, SQLITE_UPDATE, NotSaved, SeedRow},
    {"commit refused", "5", "1", "30", "22", true, false, true, SQLITE_TRANSACTION, NotSaved, SeedRow},
};
// clang-format on

// A stored row, as N_racun shows it ("" when missing); "V redu" unchanged
// stores what was there, unless it is out of range.
struct ShownCase {
    const char *tag, *sql, *shown, *row;
    QString message;
};
// clang-format off
const ShownCase ShownCases[] = {
    // A rate never set is today's, which a new invoice would get.
    {"all Null", "UPDATE tblNastavitve SET StRacuna=NULL, VrednostTocke=NULL, Veljavnost=NULL, "
     "Tolarji=NULL, GlavaVzporedno=NULL, StopnjaDDV=NULL, LetniStevec=NULL", "0|0|0|22|0|0|0", "0 0 0 0 0 0 0", PointValueOutOfRange},
    {"fractions read back", "UPDATE tblNastavitve SET StRacuna=12, VrednostTocke=0.075, "
     "Veljavnost=7.5, Tolarji=True, GlavaVzporedno=False, StopnjaDDV=9.5", "12|0,075|7,5|9,5|1|0|1", "12 0.075 7.5 1 0 9.5 1", {}},
    {"missing row is not made", "DELETE FROM tblNastavitve", "1|0|0|22|0|0|0", "", PointValueOutOfRange},
};
// clang-format on

// A settings window by the keyboard: the boxes typed into ("box=text"),
// the key pressed then (Key_unknown: the close box), the keys answering the
// boxes that follow (Key_No: the button "Ne" clicked), the boxes shown
// (title|first word), whether the window stayed open and on which box, and
// a field of tblNastavitve afterwards ("@" is the place of postcode 2000).
struct KeyCase {
    const char *tag, *window;
    QStringList typed;
    Qt::Key key;
    QList<Qt::Key> answers;
    QStringList seen;
    const char* focus; // nullptr: the window closed
    const char *field, *value;
};
const QString Close = QStringLiteral("Majhna pozornost|Si");
const QString BadTax = QStringLiteral("Vprašanje|Davčna");
const QString BadAccount = QStringLiteral("Vprašanje|Transakcijski");
const QString OutOfRange = QStringLiteral("Šlamparija|Vrednost");
const QString BadTaxNumber = QStringLiteral("Text1_7=SI50223055");
const QString BadIban = QStringLiteral("Text1_8=SI56 1910 0000 0123 439");
// clang-format off
const KeyCase KeyCases[] = {
    {"data unchanged, Esc", "N_data", {}, Qt::Key_Escape, {}, {}, nullptr, "Firma", ""},
    {"data changed, Esc, Prekliči", "N_data", {"Text1_0=Geo"}, Qt::Key_Escape, {Qt::Key_Escape}, {Close}, "Text1_0", "Firma", ""},
    {"data changed, Esc, Da", "N_data", {"Text1_0=Geo"}, Qt::Key_Escape, {Qt::Key_Return}, {Close}, nullptr, "Firma", "Geo"},
    {"reminder changed, close box, Prekliči", "N_data", {"Text2=Plati"}, Qt::Key_unknown, {Qt::Key_Escape}, {Close}, "Text2", "BesediloOpomina", ""},
    {"postcode fills the place", "N_data", {"Text1_2=2000"}, Qt::Key_Return, {}, {}, nullptr, "Posta", "@"},
    {"bad tax number, Ne", "N_data", {BadTaxNumber, "Text1_0=Geo"}, Qt::Key_Return, {Qt::Key_Escape}, {BadTax}, "Text1_7", "Firma", ""},
    {"bad tax number, Da", "N_data", {"Text1_0=Geo", BadTaxNumber}, Qt::Key_Return, {Qt::Key_Return}, {BadTax}, nullptr, "Davcna", "SI50223055"},
    {"bad account, Ne", "N_data", {BadIban, "Text1_0=Geo"}, Qt::Key_Return, {Qt::Key_Escape}, {BadAccount}, "Text1_8", "Firma", ""},
    {"both bad, Da, Ne", "N_data", {BadIban, BadTaxNumber}, Qt::Key_Return, {Qt::Key_Return, Qt::Key_No}, {BadTax, BadAccount}, "Text1_8", "Davcna", ""},
    {"both bad on Esc, Da, Da, Da", "N_data", {BadTaxNumber, BadIban}, Qt::Key_Escape, {Qt::Key_Return, Qt::Key_Return, Qt::Key_Return}, {Close, BadTax, BadAccount}, nullptr, "TRR", "SI56 1910 0000 0123 439"},
    {"invoices unchanged, Esc", "N_racun", {}, Qt::Key_Escape, {}, {}, nullptr, "VrednostTocke", "0.75"},
    {"invoices changed, close box, Ne", "N_racun", {"Text3=60"}, Qt::Key_unknown, {Qt::Key_No}, {Close}, nullptr, "Veljavnost", "30"},
    {"out of range, Esc, Da", "N_racun", {"Text2=-5"}, Qt::Key_Escape, {Qt::Key_Return}, {Close, OutOfRange}, "Text2", "VrednostTocke", "0.75"},
    {"word changed, Esc, Da", "N_word", {"Text1=/opt/x"}, Qt::Key_Escape, {Qt::Key_Return}, {Close}, nullptr, "Word", "/opt/x"},
};
// clang-format on

const QString NotFound =
    QStringLiteral("Zoprna reč|Ne najdem urejevalnika besedil! Prosim, preveri njegovo lokacijo.");
const QString CannotOpen =
    QStringLiteral("Zoprna reč|Imam težavo pri odpiranju računa! Mogoče je račun še zmeraj "
                   "odprt! Preveri in poskusi znova.");
const QString WordNotSaved =
    QStringLiteral("Napaka v bazi|Lokacije urejevalnika besedil ni bilo mogoče shraniti:\n");

// The stored location ("@" is the test's folder, null for a Null field) and
// the message shown; after NotFound, N_word shows the location (0 for Null).
const struct {
    const char *tag, *location;
    QString message;
} LaunchCases[] = {
    {"full path with blanks", "@/moj urejevalnik/urejevalnik", {}},
    {"blanks around it", "  @/moj urejevalnik/urejevalnik \t", {}},
    {"bare name on PATH", "urejevalnik", {}},
    {"never stored", nullptr, NotFound},
    {"missing", "@/moj urejevalnik/ga ni", NotFound},
    {"folder", "@/moj urejevalnik", NotFound},
    {"not executable", "@/moj urejevalnik/besedilo", NotFound},
    {"relative path", "moj urejevalnik/urejevalnik", NotFound},
    {"bare name not on PATH", "ni-takega-urejevalnika", NotFound},
    {"does not start", "@/moj urejevalnik/pokvarjen", CannotOpen},
};

} // namespace

class TestSettings : public FixtureTest {
    Q_OBJECT

    std::unique_ptr<ModalWatcher> m_watcher;

    QTemporaryDir m_dir;
    QString root() const { return m_dir.path(); }
    QString program() const { return root() + QStringLiteral("/moj urejevalnik/urejevalnik"); }
    QString document() const { return root() + QStringLiteral("/moja mapa/račun 1.rtf"); }
    QString args() const { return root() + QStringLiteral("/args.txt"); }
    QString word() const { return Db->scalar("SELECT Word FROM tblNastavitve").toString(); }
    static void write(const QString& path, const QByteArray& text, bool executable) {
        QVERIFY(writeBytes(path, text));
        QVERIFY(!executable ||
                QFile(path).setPermissions(QFile(path).permissions() | QFile::ExeOwner));
    }
    // The arguments the stand-in received: their count, then one a line.
    QString received() const { return QString::fromUtf8(readBytes(args())); }

    void prepare() override { m_watcher = std::make_unique<ModalWatcher>(); }

    // Runs window W modally: `fill` once it is up, then `key` on the
    // focused control (Return confirms, Escape closes; Key_unknown is the
    // close box); a window still open afterwards is put away without its
    // close question, m_focus naming its focused control. True when it
    // stayed open.
    QString m_focus;
    template <typename W>
    bool run(const QString& name, const std::function<void(QWidget*)>& fill,
             Qt::Key key = Qt::Key_Return) {
        bool stayedOpen = false;
        m_focus.clear();
        m_watcher->dialogs[name] = [&](QWidget* dialog) {
            fill(dialog);
            QTimer::singleShot(0, dialog, [&, dialog, key] {
                QWidget* focus = dialog->focusWidget();
                if (key == Qt::Key_unknown)
                    dialog->close();
                else
                    QTest::keyClick(focus ? focus : dialog, key);
                stayedOpen = dialog->isVisible();
                if (stayedOpen) {
                    m_focus = dialog->focusWidget() ? dialog->focusWidget()->objectName() : "";
                    qobject_cast<QDialog*>(dialog)->done(QDialog::Rejected);
                }
            });
        };
        W window(appContext());
        window.exec();
        return stayedOpen;
    }

private Q_SLOTS:
    void cleanup() {
        m_watcher.reset();
        FixtureTest::cleanup();
    }

    void typedSettings_data() {
        QTest::addColumn<int>("c");
        for (int i = 0; i < int(std::size(RacunCases)); ++i)
            QTest::newRow(RacunCases[i].tag) << i;
    }
    void typedSettings() {
        QFETCH(int, c);
        const RacunCase& t = RacunCases[c];
        if (t.action)
            refuse(*Db, t.action, t.action == SQLITE_TRANSACTION ? "COMMIT" : "tblNastavitve");
        const bool stayedOpen = run<N_racun>("N_racun", [&](QWidget* w) {
            box(w, "Text1")->setText(QString::fromUtf8(t.counter));
            box(w, "Text2")->setText(QString::fromUtf8(t.pointValue));
            box(w, "Text3")->setText(QString::fromUtf8(t.validity));
            box(w, "Text4")->setText(QString::fromUtf8(t.vatPercent));
            w->findChild<QCheckBox*>("Check1")->setChecked(t.tolars);
            w->findChild<QRadioButton*>(t.sideBySide ? "Option1_0" : "Option1_1")->setChecked(true);
            auto* yearly = w->findChild<QCheckBox*>("Check2");
            yearly->setFocus();
            if (yearly->isChecked() != t.yearly)
                QTest::keyClick(yearly, Qt::Key_Space);
        });
        refuseNothing(*Db);
        QCOMPARE(m_watcher->seen.size(), t.message.isEmpty() ? 0 : 1);
        if (!t.message.isEmpty())
            QVERIFY2(m_watcher->seen[0].startsWith(t.message), qPrintable(m_watcher->seen[0]));
        QCOMPARE(stayedOpen, !t.message.isEmpty());
        if (t.focus)
            QCOMPARE(m_focus, QString(t.focus));
        QCOMPARE(rowText(), QString(t.row));
        // A counter set by hand is of this year.
        QCOMPARE(Db->scalar("SELECT LetoStevca FROM tblNastavitve"),
                 t.message.isEmpty() ? QVariant(today().year()) : QVariant());
    }

    void shownSettings_data() {
        QTest::addColumn<int>("c");
        for (int i = 0; i < int(std::size(ShownCases)); ++i)
            QTest::newRow(ShownCases[i].tag) << i;
    }
    void shownSettings() {
        QFETCH(int, c);
        const ShownCase& t = ShownCases[c];
        if (*t.sql)
            QVERIFY(Db->execute(t.sql));
        QString shown;
        const bool stayedOpen = run<N_racun>("N_racun", [&](QWidget* w) {
            shown =
                QStringList{box(w, "Text1")->text(),
                            box(w, "Text2")->text(),
                            box(w, "Text3")->text(),
                            box(w, "Text4")->text(),
                            QString::number(w->findChild<QCheckBox*>("Check1")->isChecked()),
                            QString::number(w->findChild<QRadioButton*>("Option1_0")->isChecked()),
                            QString::number(w->findChild<QCheckBox*>("Check2")->isChecked())}
                    .join(u'|');
            QVERIFY(w->findChild<QRadioButton*>("Option1_1")->isChecked() !=
                    shown.section(u'|', 5, 5).endsWith('1'));
        });
        QCOMPARE(stayedOpen, !t.message.isEmpty());
        QCOMPARE(shown, QString(t.shown));
        QCOMPARE(rowText(), QString(t.row));
        QVERIFY(Db->scalar("SELECT LetoStevca FROM tblNastavitve").isNull());
        QCOMPARE(m_watcher->seen, t.message.isEmpty() ? QStringList() : QStringList{t.message});
    }

    // N_data: Null fields show empty; what is typed is stored as typed and
    // shown trimmed; Escape stores nothing, not even a missing row.
    void companyData() {
        QVERIFY(Db->execute("DELETE FROM tblNastavitve"));
        const QStringList typed = {" Geo {Plus} d.o.o. ", "Čopova 1\\a", "1000",
                                   "01 234 56 78",        "€ ŽŠĆĐ",      "info@geo.si",
                                   "Ljubljana – Šiška",   "SI50223054",  "SI56 1910 0000 0123 438",
                                   " LJBASI2X "};
        QStringList shown;
        auto type = [&](QWidget* w) {
            for (int i = 0; i < CompanyFieldCount; ++i) {
                shown << box(w, QString("Text1_%1").arg(i))->text();
                box(w, QString("Text1_%1").arg(i))->setText(typed[i]);
            }
        };
        QVERIFY(!run<N_data>("N_data", type, Qt::Key_Escape));
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblNastavitve").toInt(), 0);
        QCOMPARE(shown.join(""), QString());
        QCOMPARE(m_watcher->seen, QStringList{CloseQuestion}); // answered Ne
        m_watcher->seen.clear();
        shown.clear();
        QVERIFY(!run<N_data>("N_data", type));
        QCOMPARE(rowText(), QString("1 0 0 0 0 22 0"));
        for (int i = 0; i < CompanyFieldCount; ++i)
            QCOMPARE(Db->scalar(QString("SELECT %1 FROM tblNastavitve")
                                    .arg(QString::fromUtf16(CompanyFields[i])))
                         .toString(),
                     typed[i]);
        shown.clear();
        QVERIFY(!run<N_data>("N_data", type));
        QCOMPARE(shown[0], QString("Geo {Plus} d.o.o."));
        QCOMPARE(shown[4], typed[4]);
        QVERIFY(m_watcher->seen.isEmpty());
        QString error;
        QVERIFY(ensureSettingsRow(*Db, &error));
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblNastavitve").toInt(), 1);
    }

    void byKeys_data() {
        QTest::addColumn<int>("c");
        for (int i = 0; i < int(std::size(KeyCases)); ++i)
            QTest::newRow(KeyCases[i].tag) << i;
    }
    void byKeys() {
        QFETCH(int, c);
        const KeyCase& t = KeyCases[c];
        for (Qt::Key answer : t.answers) {
            if (answer == Qt::Key_No)
                m_watcher->answers << QMessageBox::No;
            else
                m_watcher->keys << answer;
        }
        const auto type = [&](QWidget* w) {
            for (const QString& typed : t.typed) {
                auto* control = w->findChild<QWidget*>(typed.section(u'=', 0, 0));
                control->setFocus();
                QMetaObject::invokeMethod(control, "selectAll");
                QTest::keyClicks(control, typed.section(u'=', 1));
            }
        };
        const QString name = QString::fromUtf8(t.window);
        const bool stayedOpen = name == "N_data"    ? run<N_data>(name, type, t.key)
                                : name == "N_racun" ? run<N_racun>(name, type, t.key)
                                                    : run<N_word>(name, type, t.key);
        QStringList seen;
        for (const QString& s : m_watcher->seen)
            seen << s.section(u'|', 0, 0) + u'|' + s.section(u'|', 1).section(u' ', 0, 0);
        QCOMPARE(seen, t.seen);
        QCOMPARE(stayedOpen, t.focus != nullptr);
        QCOMPARE(m_focus, QString::fromUtf8(t.focus));
        const QString value =
            QString::fromUtf8(t.value) == "@"
                ? Db->scalar("SELECT Posta FROM tbPoste WHERE Stev=2000").toString()
                : QString::fromUtf8(t.value);
        QVERIFY(!value.isEmpty() || QString(t.field) != "Posta");
        QCOMPARE(Db->scalar(QString("SELECT %1 FROM tblNastavitve").arg(t.field)).toString(),
                 value);
    }

    // An unreadable row closes either window after its message, writing
    // nothing; a refused write keeps N_data open.
    void engineFailures() {
        refuse(*Db, SQLITE_READ, "tblNastavitve");
        N_data data(appContext());
        QCOMPARE(data.exec(), int(QDialog::Rejected));
        N_racun racun(appContext());
        QCOMPARE(racun.exec(), int(QDialog::Rejected));
        QCOMPARE(m_watcher->seen.size(), 2);
        QVERIFY(m_watcher->seen[0].startsWith(NotRead) && m_watcher->seen[1].startsWith(NotRead));
        refuse(*Db, SQLITE_UPDATE, "tblNastavitve");
        QVERIFY(run<N_data>("N_data", [](QWidget* w) { box(w, "Text1_0")->setText("X"); }));
        refuseNothing(*Db);
        QCOMPARE(m_watcher->seen.size(), 3);
        QVERIFY(m_watcher->seen[2].startsWith(NotSaved));
        QCOMPARE(Db->scalar("SELECT Firma FROM tblNastavitve").toString(), QString());
    }

    // The documents folder: none stored is "VALMIR" in the documents folder
    // (the box's hint); a typed one is stored without blanks around it.
    void documentFolderSetting() {
        QString hint, shown;
        run<N_racun>("N_racun", [&](QWidget* w) {
            hint = box(w, "Text5")->placeholderText();
            box(w, "Text5")->setText(" /srv/Računi 2026 ");
        });
        QCOMPARE(hint,
                 QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/VALMIR");
        run<N_racun>("N_racun", [&](QWidget* w) { shown = box(w, "Text5")->text(); });
        QCOMPARE(shown, QString("/srv/Računi 2026"));
        QVERIFY(m_watcher->seen.isEmpty());
    }

    // A stand-in word processor that records its arguments (first PATH),
    // a file that is not executable, and one whose interpreter is missing.
    void initTestCase() {
        QVERIFY(QDir(root()).mkpath("moj urejevalnik"));
        const QByteArray out = "'" + args().toUtf8() + "'";
        write(program(),
              "#!/bin/sh\n{ echo $#; printf '%s\\n' \"$@\"; } > " + out + ".part && mv " + out +
                  ".part " + out + "\n",
              true);
        write(root() + "/moj urejevalnik/besedilo", "#!/bin/sh\n", false);
        write(root() + "/moj urejevalnik/pokvarjen", "#!/ni/tolmača\n", true);
        qputenv("PATH", QFile::encodeName(root() + "/moj urejevalnik:") + qgetenv("PATH"));
    }

    // The launch; after a refused location, N_word gets a good one, with
    // which the next print opens the document.
    void wordProcessorLaunch_data() {
        QTest::addColumn<int>("c");
        for (int i = 0; i < int(std::size(LaunchCases)); ++i)
            QTest::newRow(LaunchCases[i].tag) << i;
    }
    void wordProcessorLaunch() {
        QFETCH(int, c);
        const auto& t = LaunchCases[c];
        const QString location = QString::fromUtf8(t.location).replace('@', root());
        QFile::remove(args());
        QVERIFY(Db->execute("UPDATE tblNastavitve SET Word = ?",
                            {t.location ? QVariant(location) : QVariant()}));
        ModalWatcher& watcher = *m_watcher;
        QString shown;
        watcher.dialogs["N_word"] = [&](QWidget* dialog) {
            shown = dialog->findChild<QLineEdit*>("Text1")->text();
            dialog->findChild<QLineEdit*>("Text1")->setText(program());
            dialog->findChild<QPushButton*>("Command1")->click();
        };
        const bool started = OpenInWordProcessor(nullptr, appContext(), document());
        QCOMPARE(watcher.seen.join('/'), t.message);
        QCOMPARE(started, t.message.isEmpty());
        const bool refused = t.message == NotFound;
        QCOMPARE(shown, refused ? (t.location ? location : "0") : QString());
        if (refused) {
            QCOMPARE(word(), program());
            QVERIFY(OpenInWordProcessor(nullptr, appContext(), document()));
        }
        if (started || refused)
            QTRY_COMPARE(received(), "1\n" + document() + "\n");
        else
            QCOMPARE(received(), QString());
    }

    // N_word by the keyboard: Enter stores the text as typed (a database
    // without a settings row gets one), Esc and "Ne" store nothing, a refused write
    // is reported and the dialog stays open.
    void wordProcessorDialog_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("before"); // the settings row's Word, "" for no row
        QTest::addColumn<bool>("refused");
        QTest::newRow("Enter, no settings row") << int(Qt::Key_Return) << "" << false;
        QTest::newRow("Esc") << int(Qt::Key_Escape) << "star" << false;
        QTest::newRow("refused") << int(Qt::Key_Return) << "star" << true;
    }
    void wordProcessorDialog() {
        QFETCH(int, key);
        QFETCH(QString, before);
        QFETCH(bool, refused);
        const QString typed = QStringLiteral("  /opt/moj urejevalnik/soffice ");
        QVERIFY(Db->execute(before.isEmpty() ? "DELETE FROM tblNastavitve"
                                             : "UPDATE tblNastavitve SET Word = 'star'"));
        ModalWatcher& watcher = *m_watcher;
        N_word dialog(appContext());
        dialog.show();
        auto* edit = dialog.findChild<QLineEdit*>("Text1");
        QCOMPARE(edit->text(), before.isEmpty() ? "0" : before);
        QCOMPARE(dialog.focusWidget(), edit);
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        if (refused)
            refuse(*Db, SQLITE_UPDATE, "tblNastavitve");
        QTest::keyClick(edit, Qt::Key(key));
        refuseNothing(*Db);
        // Esc after typing asks first; unanswered, the question is "Ne".
        QCOMPARE(watcher.seen.size(), int(refused) + int(key == Qt::Key_Escape));
        QVERIFY(!refused || watcher.seen[0].startsWith(WordNotSaved));
        QCOMPARE(dialog.isVisible(), refused);
        QCOMPARE(word(), key == Qt::Key_Escape || refused ? before : typed);
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblNastavitve").toInt(), 1);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
