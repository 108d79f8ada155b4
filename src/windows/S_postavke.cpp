#include "windows/S_postavke.h"

#include "codelists/Operations.h"
#include "data/Recordset.h"
#include "invoice/WorkingTable.h"
#include "text/Messages.h"
#include "ui/BoundGrid.h"
#include "ui/HandOver.h"
#include "ui/HeldRow.h"
#include "ui/MessageBox.h"
#include "windows/V_postavke.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace valmir {

namespace {

const QColor LightYellow(255, 255, 192);

struct Column {
    const char16_t* caption;
    const char16_t* field;
    const char16_t* format;
    int chars; // room for the usual values, in average characters
};

constexpr Column OperationColumns[] = {
    {u"Zap", u"TS2", u"", 4},
    {u"Tarifna številka", u"TarifnaStevilka", u"", 10},
    {u"Opravilo", u"GeodetskaStoritev", u"", 36},
    {u"Točke", u"Tocke", u"", 6},
    {u"Aktivna", u"AktivnaPostavka", u"Yes/No", 5},
};

void reportFailure(QWidget* parent, const Message& message, const QString& engineText) {
    Msg::critical(parent, message, engineText);
}

} // namespace

S_postavke::S_postavke(const AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("S_postavke"));
    setWindowTitle(QStringLiteral("Opravila"));
    buildWindow();

    PickConfirmed = false;
    // The picker starts from nothing chosen, whoever opens it next.
    if (!clearPicks(*m_context.db))
        reportFailure(this, OperationMessages::MarksNotCleared, m_context.db->lastError());
    fillServices();
    // With no services the choice stays empty and the buttons do nothing.
    if (m_services->count() > 0)
        showService(0);
    m_services->setFocus();
}

S_postavke::~S_postavke() = default;

void S_postavke::buildWindow() {
    m_serviceLabel = new QLabel(QStringLiteral("Geodetska storitev"), this);
    m_serviceLabel->setObjectName(QStringLiteral("Label1"));
    m_services = new QComboBox(this);
    m_services->setObjectName(QStringLiteral("Combo1"));
    m_services->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    QPalette yellow = m_services->palette();
    yellow.setColor(QPalette::Base, LightYellow);
    yellow.setColor(QPalette::Button, LightYellow);
    m_services->setPalette(yellow);
    m_serviceLabel->setBuddy(m_services);

    m_operations = new BoundGrid(this);
    m_operations->setObjectName(QStringLiteral("DBGrid1"));
    m_operations->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Nothing is typed into the list, so Tab leaves it for the buttons.
    m_operations->setTabKeyNavigation(false);
    QList<BoundColumn> columns;
    for (const Column& c : OperationColumns)
        columns.append({QString::fromUtf16(c.caption), QString::fromUtf16(c.field),
                        QString::fromUtf16(c.format)});
    BoundListModel* model = m_operations->listModel();
    model->setColumns(columns);
    model->setDatabase(m_context.db);
    const int charWidth = m_operations->fontMetrics().averageCharWidth();
    const QFontMetrics header = m_operations->horizontalHeader()->fontMetrics();
    for (int i = 0; i < columns.size(); ++i)
        m_operations->setColumnWidth(i, std::max(header.horizontalAdvance(columns.at(i).caption),
                                                 charWidth * OperationColumns[i].chars) +
                                            18);
    // The text of the operation takes what the window gives in width.
    m_operations->horizontalHeader()->setStretchLastSection(false);
    m_operations->rememberColumns();
    m_operations->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);

    m_addButton = new QPushButton(QStringLiteral("Dodaj"), this);
    m_addButton->setObjectName(QStringLiteral("Command1"));
    m_changeButton = new QPushButton(QStringLiteral("Spremeni"), this);
    m_changeButton->setObjectName(QStringLiteral("Command2"));
    m_deleteButton = new QPushButton(QStringLiteral("Briši"), this);
    m_deleteButton->setObjectName(QStringLiteral("Command3"));
    for (QPushButton* b : {m_addButton, m_changeButton, m_deleteButton}) {
        b->setAutoDefault(false);
        b->setMinimumWidth(std::max(100, b->sizeHint().width()));
    }

    auto* top = new QHBoxLayout;
    top->addWidget(m_serviceLabel);
    top->addWidget(m_services, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_addButton);
    buttons->addWidget(m_changeButton);
    buttons->addWidget(m_deleteButton);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_operations, 1);
    layout->addLayout(buttons);

    setTabOrder(m_services, m_operations);
    setTabOrder(m_operations, m_addButton);
    setTabOrder(m_addButton, m_changeButton);
    setTabOrder(m_changeButton, m_deleteButton);
    setMinimumSize(480, 280);
    resize(760, 460);

    connect(m_services, &QComboBox::currentIndexChanged, this, &S_postavke::showService);
    connect(m_addButton, &QPushButton::clicked, this, &S_postavke::addOperation);
    connect(m_changeButton, &QPushButton::clicked, this, &S_postavke::changeOperation);
    connect(m_deleteButton, &QPushButton::clicked, this, &S_postavke::deleteOperation);
    // From the list: Enter or a double-click changes the row, Insert adds
    // one and Delete deletes it, as the buttons do.
    connect(m_operations, &BoundGrid::rowActivated, this, [this](int) { changeOperation(); });
    const std::pair<QKeySequence, void (S_postavke::*)()> keys[] = {
        {QKeySequence(Qt::Key_Insert), &S_postavke::addOperation},
        {QKeySequence::Delete, &S_postavke::deleteOperation}};
    for (const auto& [key, slot] : keys) {
        auto* action = new QAction(m_operations);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetShortcut);
        m_operations->addAction(action);
        connect(action, &QAction::triggered, this, slot);
    }
}

void S_postavke::fillServices() {
    const QSignalBlocker block(m_services);
    m_services->clear();
    const std::optional<QList<ServiceChoice>> services = readServices(*m_context.db);
    if (!services) {
        reportFailure(this, OperationMessages::ServicesNotRead, m_context.db->lastError());
        return;
    }
    for (const ServiceChoice& s : *services)
        m_services->addItem(s.name, s.ts1);
}

void S_postavke::showService(int index) {
    if (index < 0)
        return;
    if (m_services->currentIndex() != index) {
        const QSignalBlocker block(m_services);
        m_services->setCurrentIndex(index);
    }
    BoundListModel* model = m_operations->listModel();
    model->setRecordSource(operationsSource(), {m_services->itemData(index).toInt()});
    if (!m_operations->refresh())
        reportFailure(this, OperationMessages::OperationsNotRead, model->lastError());
}

bool S_postavke::serviceChosen() {
    if (m_services->currentIndex() < 0 || !m_operations->recordset())
        return false;
    SelectedTS1 = m_services->currentData().toInt();
    return true;
}

bool S_postavke::hasOperations() const { return m_operations->currentRow() >= 0; }

void S_postavke::addOperation() {
    if (!serviceChosen())
        return;
    openDialog(0);
}

void S_postavke::changeOperation() {
    if (!serviceChosen() || !hasOperations())
        return;
    openDialog(1);
}

void S_postavke::openDialog(int mode) {
    OpenMode = mode;
    V_postavke dialog(*m_operations->recordset(), m_services->currentText(), this);
    if (dialog.exec() == QDialog::Accepted)
        m_operations->syncFromRecordset();
    m_operations->setFocus();
}

void S_postavke::deleteOperation() {
    if (!hasOperations())
        return;
    Recordset& list = *m_operations->recordset();
    const HeldRow operation(list);
    if (!operation.present(this))
        return;
    OperationResult result = checkDeletion(list);
    if (result.outcome == OperationOutcome::Done) {
        if (!Msg::confirmDestructive(this, OperationMessages::AskDelete))
            return;
        if (!operation.stillThere(this, list, OperationMessages::NotDeleted)) {
            m_operations->syncFromRecordset();
            return;
        }
        result = valmir::deleteOperation(list);
    }
    m_operations->syncFromRecordset();
    switch (result.outcome) {
    case OperationOutcome::Protected:
        Msg::critical(this, OperationMessages::Protected);
        break;
    case OperationOutcome::Used:
        Msg::critical(this, OperationMessages::UsedOnInvoices);
        break;
    case OperationOutcome::Failed:
        reportFailure(this, OperationMessages::NotDeleted, result.error);
        break;
    default:
        break;
    }
}

} // namespace valmir
