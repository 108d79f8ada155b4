#include "windows/S_grupe.h"

#include "ui/HandOver.h"
#include "ui/HeldRow.h"
#include "ui/MessageBox.h"
#include "text/Messages.h"
#include "codelists/Services.h"
#include "windows/V_grupe.h"
#include "ui/BoundGrid.h"
#include "data/Database.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace valmir {

namespace {

enum Column { ColNumber, ColName, ColNote };

} // namespace

S_grupe::S_grupe(const AppContext& context, QWidget* parent) : LoadingDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("S_grupe"));
    setWindowTitle(QStringLiteral("Geodetske storitve"));
    setModal(true);
    setSizeGripEnabled(true);

    buildGrid();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buildButtons());
    setTabOrder(m_list, m_addButton);
    setTabOrder(m_addButton, m_changeButton);
    setTabOrder(m_changeButton, m_deleteButton);
    resize(720, 420);

    // The rows are put in the order of their numbers once the window is up.
    m_orderTimer = new QTimer(this);
    m_orderTimer->setObjectName(QStringLiteral("Timer1"));
    m_orderTimer->setInterval(1);
    connect(m_orderTimer, &QTimer::timeout, this, &S_grupe::orderByNumber);

    if (!m_context.db) {
        Msg::critical(this, Messages::NoDatabase);
        return;
    }
    BoundListModel* model = m_list->listModel();
    model->setDatabase(m_context.db);
    // A table record set, so that it can be ordered by the index ID and
    // written through.
    model->setRecordSource(QStringLiteral("tblGeodetskaStoritev"));
    if (!m_list->refresh()) {
        Msg::critical(this, ServiceMessages::ListNotRead, model->lastError());
        return;
    }
    setLoaded(true);
    m_orderTimer->start();
    m_list->setFocus();
}

S_grupe::~S_grupe() = default;

void S_grupe::buildGrid() {
    m_list = new BoundGrid(this);
    m_list->setObjectName(QStringLiteral("DBGrid1"));
    // Nothing is typed into the list, so Tab leaves it for the buttons.
    m_list->setTabKeyNavigation(false);
    m_list->listModel()->setColumns(
        {{QStringLiteral("Zap. št."), QStringLiteral("TS1"), {}},
         {QStringLiteral("Geodetska storitev"), QStringLiteral("GeodetskaStoritev"), {}},
         {QStringLiteral("Opomba"), QStringLiteral("Opomba"), {}}});
    // The name takes the room the window has; number and note keep theirs.
    QHeaderView* header = m_list->horizontalHeader();
    header->setStretchLastSection(false);
    const int charWidth = m_list->fontMetrics().averageCharWidth();
    header->resizeSection(ColNumber, charWidth * 9);
    header->resizeSection(ColNote, charWidth * 28);
    m_list->rememberColumns();
    header->setSectionResizeMode(ColName, QHeaderView::Stretch);
    // Enter or a double-click on a service opens it for a change.
    connect(m_list, &BoundGrid::rowActivated, this, [this](int) { changeService(); });
}

QLayout* S_grupe::buildButtons() {
    m_addButton = new QPushButton(QStringLiteral("Dodaj"), this);
    m_addButton->setObjectName(QStringLiteral("Command1"));
    m_changeButton = new QPushButton(QStringLiteral("Spremeni"), this);
    m_changeButton->setObjectName(QStringLiteral("Command2"));
    m_deleteButton = new QPushButton(QStringLiteral("Briši"), this);
    m_deleteButton->setObjectName(QStringLiteral("Command3"));
    // Enter belongs to the list (it opens the service), not to a button.
    auto* row = new QHBoxLayout;
    for (QPushButton* b : {m_addButton, m_changeButton, m_deleteButton}) {
        b->setAutoDefault(false);
        b->setMinimumWidth(std::max(100, b->sizeHint().width()));
        row->addWidget(b);
    }
    row->addStretch(1);
    connect(m_addButton, &QPushButton::clicked, this, &S_grupe::addService);
    connect(m_changeButton, &QPushButton::clicked, this, &S_grupe::changeService);
    connect(m_deleteButton, &QPushButton::clicked, this, &S_grupe::deleteService);
    return row;
}

void S_grupe::orderByNumber() {
    m_orderTimer->stop();
    Recordset* services = m_list->recordset();
    if (!services || !services->setIndex(QStringLiteral("ID")))
        Msg::critical(this, ServiceMessages::ListNotRead, m_context.db->lastError());
    m_list->syncFromRecordset();
}

void S_grupe::addService() { openEditor(0); }

void S_grupe::changeService() {
    if (m_list->currentRow() < 0)
        return;
    openEditor(1);
}

void S_grupe::openEditor(int mode) {
    Recordset* services = m_list->recordset();
    if (!services)
        return;
    OpenMode = mode;
    V_grupe editor(*m_context.db, *services, this);
    editor.exec();
    // Written or not, the list shows the record set's current row: the
    // service just written, or the one that was current before.
    m_list->syncFromRecordset();
    m_list->setFocus();
}

void S_grupe::deleteService() {
    Recordset* services = m_list->recordset();
    if (!services || m_list->currentRow() < 0 || !HeldRow(*services).present(this))
        return;
    const ServiceResult result = valmir::deleteService(*m_context.db, *services);
    m_list->syncFromRecordset();
    if (result.outcome == ServiceOutcome::HasOperations)
        Msg::critical(this, ServiceMessages::HasOperations);
    else if (result.outcome == ServiceOutcome::Failed)
        Msg::critical(this, ServiceMessages::NotDeleted, result.error);
}

} // namespace valmir
