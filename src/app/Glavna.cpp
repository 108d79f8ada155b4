#include "app/Glavna.h"

#include "app/Module1.h"
#include "data/BoundGrid.h"

namespace valmir {

Glavna::Glavna(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Glavna"));
    setWindowTitle(QStringLiteral("VALMIR 2009 - aplikacija za pripravo računa geodetske storitve"));
    m_list = new BoundGrid(this);
    m_list->setObjectName(QStringLiteral("DBGrid1"));
    setCentralWidget(m_list);
}

Glavna::~Glavna() = default;

} // namespace valmir
