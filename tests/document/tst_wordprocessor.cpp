#include "TestSupport.h"

#include "document/N_word.h"
#include "document/OpenInWordProcessor.h"
#include "document/WordProcessor.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

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

// The stored location ("@" is the test's folder, null for a Null field),
// the message shown and, when N_word opened, the text of its box.
struct LaunchCase {
    const char *tag, *location;
    QString message;
    const char* shown;
};
const LaunchCase LaunchCases[] = {
    {"full path with blanks", "@/moj urejevalnik/urejevalnik", {}, nullptr},
    {"blanks around it", "  @/moj urejevalnik/urejevalnik \t", {}, nullptr},
    {"bare name on PATH", "urejevalnik", {}, nullptr},
    {"never stored", nullptr, NotFound, "0"},
    {"missing", "@/moj urejevalnik/ga ni", NotFound, "@/moj urejevalnik/ga ni"},
    {"folder", "@/moj urejevalnik", NotFound, "@/moj urejevalnik"},
    {"not executable", "@/moj urejevalnik/besedilo", NotFound, "@/moj urejevalnik/besedilo"},
    {"relative path", "moj urejevalnik/urejevalnik", NotFound, "moj urejevalnik/urejevalnik"},
    {"bare name not on PATH", "ni-takega-urejevalnika", NotFound, "ni-takega-urejevalnika"},
    {"does not start", "@/moj urejevalnik/pokvarjen", CannotOpen, nullptr},
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
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
        if (executable)
            f.setPermissions(f.permissions() | QFile::ExeOwner);
    }
    // The arguments the stand-in received: their count, then one a line.
    QString received() const {
        QFile f(args());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

private Q_SLOTS:
    // A stand-in word processor that records its arguments, a file that is
    // not executable, and one whose interpreter is missing.
    void initTestCase() {
        QVERIFY(QDir(root()).mkpath("moj urejevalnik"));
        write(program(),
              "#!/bin/sh\n{ echo $#; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '" +
                  args().toUtf8() + ".part' && mv '" + args().toUtf8() + ".part' '" +
                  args().toUtf8() + "'\n",
              true);
        write(root() + "/moj urejevalnik/besedilo", "#!/bin/sh\n", false);
        write(root() + "/moj urejevalnik/pokvarjen", "#!/ni/tolmača\n", true);
        qputenv("PATH", QFile::encodeName(root() + "/moj urejevalnik:") + qgetenv("PATH"));
    }

    // The launch, and when the location is refused, N_word: the location
    // it shows and a good one typed there, with which the next print opens.
    void launch_data() {
        QTest::addColumn<int>("c");
        for (int i = 0; i < int(std::size(LaunchCases)); ++i)
            QTest::newRow(LaunchCases[i].tag) << i;
    }
    void launch() {
        QFETCH(int, c);
        const LaunchCase& t = LaunchCases[c];
        QFile::remove(args());
        const QVariant location =
            t.location ? QVariant(QString::fromUtf8(t.location).replace('@', root())) : QVariant();
        QVERIFY(Db->execute("UPDATE tblNastavitve SET Word = ?", {location}));
        ModalWatcher watcher;
        QString shown = QStringLiteral("(not opened)");
        watcher.dialogs["N_word"] = [&](QWidget* dialog) {
            shown = dialog->findChild<QLineEdit*>("Text1")->text();
            dialog->findChild<QLineEdit*>("Text1")->setText(program());
            dialog->findChild<QPushButton*>("Command1")->click();
        };

        const bool started = OpenInWordProcessor(nullptr, appContext(), document());
        QCOMPARE(watcher.seen.join('/'), t.message);
        QCOMPARE(started, t.message.isEmpty());
        QCOMPARE(shown, t.shown ? QString::fromUtf8(t.shown).replace('@', root())
                                : QStringLiteral("(not opened)"));
        if (t.shown) {
            QCOMPARE(word(), program());
            QVERIFY(OpenInWordProcessor(nullptr, appContext(), document()));
        }
        if (started || t.shown)
            QTRY_COMPARE(received(), "1\n" + document() + "\n");
        else
            QCOMPARE(received(), QString());
    }

    // N_word by the keyboard: Enter stores the text as typed, Esc nothing;
    // a database without a settings row gets one; a refused write is
    // reported and the dialog stays open.
    void dialog_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("noRow");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("message");
        const QString typed = QStringLiteral("  /opt/moj urejevalnik/soffice ");
        QTest::newRow("Enter") << int(Qt::Key_Return) << false << false << typed << QString();
        QTest::newRow("Esc") << int(Qt::Key_Escape) << false << false << "star" << QString();
        QTest::newRow("no settings row") << int(Qt::Key_Return) << true << false << typed
                                         << QString();
        QTest::newRow("refused") << int(Qt::Key_Return) << false << true << "star" << NotSaved;
    }
    void dialog() {
        QFETCH(int, key);
        QFETCH(bool, noRow);
        QFETCH(bool, refused);
        QFETCH(QString, stored);
        QFETCH(QString, message);
        QVERIFY(Db->execute(noRow ? "DELETE FROM tblNastavitve"
                                  : "UPDATE tblNastavitve SET Word = 'star'"));
        ModalWatcher watcher;
        N_word dialog(appContext());
        dialog.show();
        auto* edit = dialog.findChild<QLineEdit*>("Text1");
        QCOMPARE(edit->text(), noRow ? "0" : "star");
        QCOMPARE(dialog.focusWidget(), edit);
        edit->selectAll();
        QTest::keyClicks(edit, "  /opt/moj urejevalnik/soffice ");
        if (refused)
            refuse(*Db, SQLITE_UPDATE, "tblNastavitve");
        QTest::keyClick(edit, Qt::Key(key));
        refuseNothing(*Db);
        QCOMPARE(watcher.seen.join('/').left(message.size()), message);
        QCOMPARE(watcher.seen.size(), message.isEmpty() ? 0 : 1);
        QCOMPARE(dialog.isVisible(), refused);
        QCOMPARE(word(), stored);
        QCOMPARE(Db->scalar("SELECT count(*) FROM tblNastavitve").toInt(), 1);
    }
};

QTEST_MAIN(TestWordProcessor)
#include "tst_wordprocessor.moc"
