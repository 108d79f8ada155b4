#include "app/N_streznik.h"

#include "app/ServerChoice.h"
#include "app/ServerTransfer.h"
#include "data/Database.h"
#include "data/PgConnection.h"
#include "text/Messages.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace valmir {

namespace {

// The busy cursor while the program waits for the server, which may take
// as long as the connection's timeout.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// The bar counts in thousandths: the rows of twenty years do not fit an int.
constexpr int ProgressSteps = 1000;

} // namespace

N_streznik::N_streznik(const AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("N_streznik"));
    setWindowTitle(QStringLiteral("Strežnik"));
    setModal(true);
    setSizeGripEnabled(true);

    auto* frame = new QGroupBox(QStringLiteral("Kje so podatki programa"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    m_fileOption =
        new QRadioButton(QStringLiteral("Podatki v &datoteki na tem računalniku"), frame);
    m_fileOption->setObjectName(QStringLiteral("Option1"));
    m_serverOption =
        new QRadioButton(QStringLiteral("Podatki pisarne na st&režniku PostgreSQL"), frame);
    m_serverOption->setObjectName(QStringLiteral("Option2"));
    m_conninfoLabel = new QLabel(QStringLiteral("&Niz za povezavo:"), frame);
    m_conninfoLabel->setObjectName(QStringLiteral("Label1"));
    m_conninfoEdit = new QLineEdit(frame);
    m_conninfoEdit->setObjectName(QStringLiteral("Text1"));
    m_conninfoEdit->setPlaceholderText(QStringLiteral("host=streznik dbname=valmir"));
    m_conninfoEdit->setMinimumWidth(m_conninfoEdit->fontMetrics().averageCharWidth() * 40);
    m_conninfoLabel->setBuddy(m_conninfoEdit);
    m_testButton = new QPushButton(QStringLiteral("&Preizkusi povezavo"), frame);
    m_testButton->setObjectName(QStringLiteral("Command1"));
    const QString examples = QStringLiteral("Na primer:  host=streznik dbname=valmir   ·   "
                                            "service=valmir   ·   "
                                            "postgresql://geodet@streznik/valmir");
    auto* advice = new QLabel(
        examples +
            QStringLiteral(
                "\n\nGesla program nikoli ne shrani in v niz ga ne vpišite: sodi v datoteko "
                "~/.pgpass "
                "(ali k storitvi v pg_service.conf), ki jo lahko bere le njen lastnik (chmod 600). "
                "Ali je povezava šifrirana (TLS), določa sslmode v nizu, na primer "
                "sslmode=verify-full."),
        frame);
    advice->setObjectName(QStringLiteral("Label2"));
    advice->setWordWrap(true);
    m_moveButton = new QPushButton(QStringLiteral("Pr&enesi podatke na strežnik"), frame);
    m_moveButton->setObjectName(QStringLiteral("Command2"));

    const bool onServer = m_context.db && m_context.db->onServer();
    auto* now = new QLabel(
        onServer ? QStringLiteral("Program zdaj dela s podatki na strežniku, v bazi »%1«.")
                       .arg(m_context.db->path())
                 : QStringLiteral("Program zdaj dela s podatki v datoteki na tem računalniku."),
        this);
    now->setObjectName(QStringLiteral("Label3"));
    now->setWordWrap(true);
    if (onServer)
        m_moveButton->setToolTip(
            QStringLiteral("Prenese se lahko le datoteka, s katero program dela; zdaj dela s "
                           "podatki na strežniku."));

    m_saveButton = new QPushButton(QStringLiteral("&Shrani"), this);
    m_saveButton->setObjectName(QStringLiteral("Command3"));
    m_cancelButton = new QPushButton(QStringLiteral("Prekliči"), this);
    m_cancelButton->setObjectName(QStringLiteral("Command4"));
    // Enter in the string tries it: a save is always a click of its own.
    m_testButton->setDefault(true);

    // The server's controls indented under their choice.
    auto* grid = new QGridLayout(frame);
    const int indent = m_serverOption->sizeHint().height();
    grid->addWidget(m_fileOption, 0, 0, 1, 3);
    grid->addWidget(m_serverOption, 1, 0, 1, 3);
    grid->addWidget(m_conninfoLabel, 2, 1);
    grid->addWidget(m_conninfoEdit, 2, 2);
    grid->addWidget(m_testButton, 2, 3);
    grid->addWidget(advice, 3, 1, 1, 3);
    grid->addWidget(m_moveButton, 4, 1, 1, 2, Qt::AlignLeft);
    grid->setColumnMinimumWidth(0, indent);
    grid->setColumnStretch(2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_saveButton);
    buttons->addWidget(m_cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(now);
    layout->addStretch(1);
    layout->addLayout(buttons);

    const QList<QWidget*> tabOrder{m_fileOption, m_serverOption, m_conninfoEdit, m_testButton,
                                   m_moveButton, m_saveButton,   m_cancelButton};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    const QString remembered = ServerChoice::remembered();
    m_conninfoEdit->setText(remembered);
    (remembered.isEmpty() ? m_fileOption : m_serverOption)->setChecked(true);
    choiceChanged();
    // Wide enough for the examples on one line; the wrapped advice is never
    // squeezed below its height, so the window only grows from here.
    const int width = std::max(sizeHint().width(),
                               advice->fontMetrics().horizontalAdvance(examples) + 6 * indent);
    resize(width,
           layout->hasHeightForWidth() ? layout->totalHeightForWidth(width) : sizeHint().height());
    setMinimumSize(size());

    connect(m_serverOption, &QRadioButton::toggled, this, &N_streznik::choiceChanged);
    connect(m_testButton, &QPushButton::clicked, this, &N_streznik::testConnection);
    connect(m_moveButton, &QPushButton::clicked, this, &N_streznik::moveData);
    connect(m_saveButton, &QPushButton::clicked, this, &N_streznik::save);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

N_streznik::~N_streznik() = default;

void N_streznik::choiceChanged() {
    const bool server = m_serverOption->isChecked();
    for (QWidget* w : QList<QWidget*>{m_conninfoLabel, m_conninfoEdit, m_testButton})
        w->setEnabled(server);
    // Only the file the program works on can be moved.
    m_moveButton->setEnabled(server && m_context.db && !m_context.db->onServer());
    if (server)
        m_conninfoEdit->setFocus();
}

QString N_streznik::usableConninfo() {
    const QString conninfo = m_conninfoEdit->text().trimmed();
    if (const QString refused = ServerChoice::refusal(conninfo); !refused.isEmpty()) {
        Msg::critical(this, refused, ServerMessages::ChoiceTitle);
        m_conninfoEdit->setFocus();
        return {};
    }
    return conninfo;
}

void N_streznik::testConnection() {
    const QString conninfo = usableConninfo();
    if (conninfo.isEmpty())
        return;
    ServerChoice::Probe found;
    {
        BusyCursor busy;
        found = ServerChoice::probe(conninfo);
    }
    bool fine = false;
    const QString text = ServerChoice::told(found, &fine);
    if (fine)
        Msg::information(this, text, ServerMessages::ChoiceTitle);
    else
        Msg::critical(this, text, ServerMessages::ChoiceTitle);
}

void N_streznik::moveData() {
    const QString conninfo = usableConninfo();
    if (conninfo.isEmpty())
        return;
    std::unique_ptr<PgConnection> server;
    QString refused;
    {
        BusyCursor busy;
        QString error;
        server = PgConnection::connect(conninfo, &error);
        refused = server ? ServerTransfer::refusal(*server)
                         : ServerMessages::NotConnected.text.arg(error);
    }
    if (!refused.isEmpty()) {
        Msg::critical(this, refused, ServerMessages::Title);
        return;
    }

    QProgressDialog progress(ServerMessages::MovingTable.arg(QString()), PdfMessages::Cancel, 0,
                             ProgressSteps, this);
    progress.setObjectName(QStringLiteral("MoveProgress"));
    progress.setWindowTitle(ServerMessages::Title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.show();
    const ServerTransfer::Result moved = ServerTransfer::copyToServer(
        *m_context.db, *server, [&progress](const ServerTransfer::Step& step) {
            progress.setLabelText(step.table.isEmpty()
                                      ? ServerMessages::CompletingTables
                                      : ServerMessages::MovingTable.arg(step.table));
            progress.setValue(step.rowsAll > 0 ? int(step.rowsSent * ProgressSteps / step.rowsAll)
                                               : ProgressSteps);
            // The bar and its Cancel button live while the rows go.
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
    progress.close();

    if (moved.cancelled) {
        Msg::information(this, ServerMessages::Cancelled);
        return;
    }
    if (!moved.ok) {
        Msg::critical(this, moved.error, ServerMessages::Title);
        return;
    }
    QStringList rows;
    for (const auto& [table, count] : moved.counts)
        rows << ServerMessages::TableRows.text.arg(table).arg(count);
    Msg::information(this,
                     ServerMessages::Moved.text.arg(
                         ServerMessages::Done.text.arg(server->databaseName()), rows.join(u'\n')),
                     ServerMessages::Moved.title);
}

void N_streznik::save() {
    QString conninfo;
    if (m_serverOption->isChecked() && (conninfo = usableConninfo()).isEmpty())
        return;
    QString error;
    if (!ServerChoice::remember(conninfo, &error)) {
        Msg::critical(this, ServerMessages::ChoiceNotSaved, error);
        return;
    }
    Msg::information(this, ServerMessages::ChoiceSaved);
    accept();
}

} // namespace valmir
