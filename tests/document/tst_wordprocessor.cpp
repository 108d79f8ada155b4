#include "TestSupport.h"

#include "document/N_word.h"
#include "document/OpenInWordProcessor.h"

using namespace valmir;
using namespace valmir::test;

namespace {

const QString NotFound =
    QStringLiteral("Zoprna reč|Ne najdem urejevalnika besedil! Prosim, preveri njegovo lokacijo.");
const QString CannotOpen =
    QStringLiteral("Zoprna reč|Imam težavo pri odpiranju računa! Mogoče je račun še zmeraj "
                   "odprt! Preveri in poskusi znova.");
const QString NotSaved =
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

class TestWordProcessor : public FixtureTest {
    Q_OBJECT

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

private Q_SLOTS:
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
    void launch_data() {
        QTest::addColumn<int>("c");
        for (int i = 0; i < int(std::size(LaunchCases)); ++i)
            QTest::newRow(LaunchCases[i].tag) << i;
    }
    void launch() {
        QFETCH(int, c);
        const auto& t = LaunchCases[c];
        const QString location = QString::fromUtf8(t.location).replace('@', root());
        QFile::remove(args());
        QVERIFY(Db->execute("UPDATE tblNastavitve SET Word = ?",
                            {t.location ? QVariant(location) : QVariant()}));
        ModalWatcher watcher;
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
    // without a settings row gets one), Esc stores nothing, a refused write
    // is reported and the dialog stays open.
    void dialog_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("before"); // the settings row's Word, "" for no row
        QTest::addColumn<bool>("refused");
        QTest::newRow("Enter, no settings row") << int(Qt::Key_Return) << "" << false;
        QTest::newRow("Esc") << int(Qt::Key_Escape) << "star" << false;
        QTest::newRow("refused") << int(Qt::Key_Return) << "star" << true;
    }
    void dialog() {
        QFETCH(int, key);
        QFETCH(QString, before);
        QFETCH(bool, refused);
        const QString typed = QStringLiteral("  /opt/moj urejevalnik/soffice ");
        QVERIFY(Db->execute(before.isEmpty() ? "DELETE FROM tblNastavitve"
                                             : "UPDATE tblNastavitve SET Word = 'star'"));
        ModalWatcher watcher;
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
        QCOMPARE(watcher.seen.size(), int(refused));
        QVERIFY(!refused || watcher.seen[0].startsWith(NotSaved));
        QCOMPARE(dialog.isVisible(), refused);
        QCOMPARE(word(), key == Qt::Key_Escape || refused ? before : typed);
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblNastavitve").toInt(), 1);
    }
};

QTEST_MAIN(TestWordProcessor)
#include "tst_wordprocessor.moc"
