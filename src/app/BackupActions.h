#pragma once

#include "app/AppContext.h"

#include <QStringList>

class QWidget;

namespace valmir {

// "Varnostna kopija..." of the data menu: asks for a file and saves a copy
// of the data database there.
void saveBackupCopy(QWidget* parent, const AppContext& context);

// "Obnovi iz varnostne kopije...": asks for a copy, refuses one that cannot
// be put back, asks before replacing and puts it back, keeping the current
// data as a copy first. True when the data were replaced.
bool restoreBackupCopy(QWidget* parent, const AppContext& context);

// The files the running program lives on: the data database, the work
// template beside it and the work database.
QStringList liveFiles(const AppContext& context);

// Every file written where the user says goes through this first: true,
// after telling the user, when path is one of the live files (by another
// name too), so that nothing is written.
bool refuseOwnFile(QWidget* parent, const AppContext& context, const QString& path);

} // namespace valmir
