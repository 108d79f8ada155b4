#include "windows/N_osebje.h"

#include "ui/HeldRow.h"
#include "ui/MessageBox.h"
#include "text/Module1.h"
#include "codelists/Staff.h"
#include "text/Messages.h"
#include "ui/BoundGrid.h"
#include "data/Recordset.h"

#include <QAction>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace valmir {

N_osebje::N_osebje(const AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("N_osebje"));
    setWindowTitle(QStringLiteral("Potencialni sestavljavci računa"));
    setModal(true);
    setSizeGripEnabled(true);

    m_staffGrid = new BoundGrid(this);
    m_staffGrid->setObjectName(QStringLiteral("DBGrid1"));
    // Nothing is typed into the list, so Tab leaves it for the buttons.
    m_staffGrid->setTabKeyNavigation(false);
    BoundListModel* model = m_staffGrid->listModel();
    model->setObjectName(QStringLiteral("Data1"));
    model->setDatabase(m_context.db);
    // The table itself, without an index: the people in the order they
    // were entered.
    model->setRecordSource(QStringLiteral("tblSestavljavci"));
    model->setColumns({{QStringLiteral("Ime in priimek"), QStringLiteral("Ime"), {}}});

    m_addButton = new QPushButton(QStringLiteral("Dodaj"), this);
    m_addButton->setObjectName(QStringLiteral("Command1"));
    m_renameButton = new QPushButton(QStringLiteral("Spremeni"), this);
    m_renameButton->setObjectName(QStringLiteral("Command2"));
    m_deleteButton = new QPushButton(QStringLiteral("Briši"), this);
    m_deleteButton->setObjectName(QStringLiteral("Command3"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_addButton);
    buttons->addWidget(m_renameButton);
    buttons->addWidget(m_deleteButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_staffGrid, 1);
    layout->addLayout(buttons);
    resize(360, 320);

    connect(m_addButton, &QPushButton::clicked, this, &N_osebje::onAdd);
    connect(m_renameButton, &QPushButton::clicked, this, &N_osebje::onRename);
    connect(m_deleteButton, &QPushButton::clicked, this, &N_osebje::onDelete);
    // From the keyboard: Enter on a person renames them, Delete deletes.
    connect(m_staffGrid, &BoundGrid::rowActivated, this, &N_osebje::onRename);
    auto* deleteKey = new QAction(m_staffGrid);
    deleteKey->setShortcut(QKeySequence::Delete);
    deleteKey->setShortcutContext(Qt::WidgetShortcut);
    m_staffGrid->addAction(deleteKey);
    connect(deleteKey, &QAction::triggered, this, &N_osebje::onDelete);

    if (!m_context.db) {
        // Shown once the window is up, so that the box has its parent.
        QTimer::singleShot(0, this, [this] { Msg::critical(this, Messages::NoDatabase); });
        return;
    }
    if (!m_staffGrid->refresh()) {
        const QString error = model->lastError();
        QTimer::singleShot(0, this,
                           [this, error] { reportEngineError(Messages::StaffListNotRead, error); });
    }
}

N_osebje::~N_osebje() = default;

void N_osebje::reportEngineError(const Message& message, const QString& error) {
    Msg::critical(this, message, error);
}

bool N_osebje::currentId(qint64* id) {
    Recordset* rs = m_staffGrid->recordset();
    if (!rs || m_staffGrid->currentRow() < 0)
        return false;
    rs->clearReadError();
    const QVariant value = rs->field(QStringLiteral("ID"));
    if (rs->readFailed() || value.isNull()) {
        reportEngineError(Messages::StaffNotRead, rs->lastError());
        return false;
    }
    *id = value.toLongLong();
    return true;
}

void N_osebje::showRow(qint64 id) {
    Recordset* rs = m_staffGrid->recordset();
    const int row = rs ? rs->positionOf(id) : -1;
    if (row >= 0)
        m_staffGrid->moveToRow(row);
}

void N_osebje::onAdd() {
    if (!m_context.db || !m_staffGrid->recordset())
        return;
    const QString answer =
        Msg::inputText(this, Messages::StaffNamePrompt, Messages::AddStaffTitle);
    const StaffWrite added = addStaff(*m_context.db, answer);
    if (!added.ok)
        reportEngineError(Messages::StaffNotSaved, added.error);
    else if (added.written)
        showRow(added.id);
}

void N_osebje::onRename() {
    qint64 id = 0;
    if (!currentId(&id))
        return;
    // The name as the box offers it: a change another workstation makes
    // while it is typed over is not overwritten.
    const bool again = m_refused.id == id;
    const qint64 version = again ? m_refused.version : m_staffGrid->recordset()->rowVersion();
    const QString answer = Msg::inputText(
        this, Messages::StaffNamePrompt, Messages::RenameStaffTitle,
        again ? m_refused.name : NullTrim(m_staffGrid->recordset()->field(QStringLiteral("Ime"))));
    m_refused = {};
    const StaffWrite renamed = renameStaff(*m_context.db, id, version, answer);
    if (renamed.conflict) {
        Msg::critical(this, renamed.error, Messages::RowChangedMeanwhile.title);
        if (!renamed.conflict->deleted)
            m_refused = {id, renamed.version, staffName(answer)};
    } else if (!renamed.ok)
        reportEngineError(Messages::StaffNotSaved, renamed.error);
    else
        showRow(id);
}

void N_osebje::onDelete() {
    Recordset* rs = m_staffGrid->recordset();
    if (!rs || m_staffGrid->currentRow() < 0 || !HeldRow(*rs).present(this))
        return;
    qint64 id = 0;
    if (!currentId(&id))
        return;
    const int row = m_staffGrid->currentRow();
    const StaffWrite deleted =
        deleteStaff(*m_context.db, id, m_staffGrid->recordset()->rowVersion());
    if (!deleted.ok) {
        // The row stays, and so does the list.
        reportEngineError(Messages::StaffNotDeleted, deleted.error);
        return;
    }
    if (deleted.invoices > 0) {
        Msg::critical(this, Messages::StaffOnInvoices.text.arg(deleted.invoices),
                      Messages::StaffOnInvoices.title);
        return;
    }
    // The person who followed takes the deleted one's place; after the last
    // one, the new last one is current.
    const int count = m_staffGrid->recordset()->recordCount();
    if (count > 0)
        m_staffGrid->moveToRow(std::min(row, count - 1));
}

} // namespace valmir
