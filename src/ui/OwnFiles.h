#pragma once

#include "ui/AppContext.h"

#include <QStringList>

class QWidget;

namespace valmir {

// The files the running program lives on: the data database, the work
// template beside it and the work database.
QStringList liveFiles(const AppContext& context);

// Every file written where the user says goes through this first: true,
// after telling the user, when path is one of the live files (by another
// name too), so that nothing is written.
bool refuseOwnFile(QWidget* parent, const AppContext& context, const QString& path);

} // namespace valmir
