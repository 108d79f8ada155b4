#include "ui/ColumnMemory.h"

#include "ui/BoundGrid.h"

#include <QHeaderView>
#include <QMenu>
#include <QScopedValueRollback>
#include <QSettings>

namespace valmir {

namespace {

QStringList fieldsOf(const BoundGrid* grid) {
    QStringList fields;
    for (const BoundColumn& c : grid->listModel()->columns())
        fields << c.field;
    return fields;
}

// No column is kept wider than a wide screen.
constexpr int WidestColumn = 4000;

} // namespace

ColumnMemory::ColumnMemory(BoundGrid* grid) : QObject(grid), m_grid(grid) {
    QHeaderView* header = m_grid->horizontalHeader();
    header->setSectionsMovable(true);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QHeaderView::customContextMenuRequested, this, &ColumnMemory::showMenu);
    connect(header, &QHeaderView::sectionMoved, this, &ColumnMemory::keep);
    connect(header, &QHeaderView::sectionResized, this, &ColumnMemory::keep);
}

QString ColumnMemory::key() const {
    return QStringLiteral("stolpci/") + m_grid->window()->objectName() + u'/' +
           m_grid->objectName();
}

void ColumnMemory::restore() {
    QHeaderView* header = m_grid->horizontalHeader();
    m_defaultWidths.clear();
    for (int logical = 0; logical < header->count(); ++logical)
        m_defaultWidths << header->sectionSize(logical);
    m_restored = true;
    const QStringList kept = QSettings().value(key()).toStringList();
    const QStringList fields = fieldsOf(m_grid);
    QScopedValueRollback<bool> arranging(m_arranging, true);
    int place = 0;
    for (const QString& entry : kept) {
        const int logical = fields.indexOf(entry.section(u'=', 0, 0));
        if (logical < 0 || header->visualIndex(logical) < place)
            continue;
        header->moveSection(header->visualIndex(logical), place++);
        bool ok = false;
        const int width = entry.section(u'=', 1).toInt(&ok);
        if (ok && width > 0)
            header->resizeSection(logical, std::min(width, WidestColumn));
    }
}

void ColumnMemory::keep() {
    if (m_arranging || !m_restored)
        return;
    QHeaderView* header = m_grid->horizontalHeader();
    const QStringList fields = fieldsOf(m_grid);
    QStringList kept;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        kept << fields.value(logical) + u'=' + QString::number(header->sectionSize(logical));
    }
    QSettings().setValue(key(), kept);
}

void ColumnMemory::reset() {
    QHeaderView* header = m_grid->horizontalHeader();
    {
        QScopedValueRollback<bool> arranging(m_arranging, true);
        for (int logical = 0; logical < header->count(); ++logical) {
            header->moveSection(header->visualIndex(logical), logical);
            header->resizeSection(logical,
                                  m_defaultWidths.value(logical, header->defaultSectionSize()));
        }
    }
    QSettings().remove(key());
}

void ColumnMemory::showMenu(const QPoint& pos) {
    QMenu menu(m_grid);
    menu.setObjectName(QStringLiteral("menuStolpci"));
    QAction* reset = menu.addAction(QStringLiteral("Privzeti stolpci"));
    reset->setObjectName(QStringLiteral("privzetiStolpci"));
    connect(reset, &QAction::triggered, this, &ColumnMemory::reset);
    menu.exec(m_grid->horizontalHeader()->viewport()->mapToGlobal(pos));
}

} // namespace valmir
