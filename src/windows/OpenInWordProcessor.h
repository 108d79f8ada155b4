#pragma once

#include <QString>

class QWidget;

namespace valmir {

struct AppContext;

// Opens the written document in the word processor stored in the settings
// row, without waiting for it. When the location names no program that
// can be started, says so and opens N_word; when the program does not
// start, says so. True when the program was started.
bool OpenInWordProcessor(QWidget* parent, const AppContext& context, const QString& documentPath);

} // namespace valmir
