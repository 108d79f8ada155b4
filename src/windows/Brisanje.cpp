#include "windows/Brisanje.h"

#include "invoice/Purge.h"
#include "text/Messages.h"
#include "text/TextForms.h"
#include "ui/HandOver.h"
#include "ui/MessageBox.h"
#include "windows/Calendar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace valmir {

Brisanje::Brisanje(const AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("Brisanje"));
    setWindowTitle(QStringLiteral("Brisanje starih računov"));
    setModal(true);

    auto* label = new QLabel(QStringLiteral("BRIŠI vse račune, ki so bili izdani pred"), this);
    label->setObjectName(QStringLiteral("Label1"));
    m_date = new QLineEdit(this);
    m_date->setObjectName(QStringLiteral("Text1"));
    m_date->setMaxLength(20);
    // Room for the longest date, "31.12.2009", and a little more.
    m_date->setFixedWidth(m_date->fontMetrics().horizontalAdvance(QStringLiteral("00.00.00000")) +
                          12);
    label->setBuddy(m_date);
    auto* calendar = new QPushButton(QStringLiteral("Koledar"), this);
    calendar->setObjectName(QStringLiteral("Command7"));
    calendar->setAutoDefault(false);
    auto* purgeButton = new QPushButton(QStringLiteral("S težkim srcem ..."), this);
    purgeButton->setObjectName(QStringLiteral("Command1"));
    purgeButton->setAutoDefault(false);

    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(label);
    dateRow->addWidget(m_date);
    dateRow->addWidget(calendar);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(purgeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(dateRow);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
    m_date->setFocus();

    connect(calendar, &QPushButton::clicked, this, &Brisanje::pickDate);
    connect(purgeButton, &QPushButton::clicked, this, &Brisanje::purge);
}

void Brisanje::pickDate() {
    CalendarTarget = 1;
    {
        Calendar calendar(Calendar::targetFor(CalendarTarget, nullptr, m_date), this);
        calendar.exec();
    }
    m_date->setFocus();
}

void Brisanje::purge() {
    const std::optional<QDate> cutOff = readDate(m_date->text());
    if (!cutOff) {
        Msg::critical(this, Messages::BadDate);
        m_date->setFocus();
        return;
    }
    if (!Msg::confirmDestructive(this, Messages::PurgeInvoices))
        return;
    // This one asks whether to give up: Yes stops.
    if (Msg::question(this, Messages::PurgeGiveUp))
        return;
    if (!m_context.db) {
        Msg::critical(this, Messages::NoDatabase);
        return;
    }
    const PurgeResult result = purgeInvoicesBefore(*m_context.db, *cutOff);
    if (!result.ok) {
        Msg::critical(this, Messages::PurgeFailed, result.error);
        return;
    }
    accept();
}

} // namespace valmir
