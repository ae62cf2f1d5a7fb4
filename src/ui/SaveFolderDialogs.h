#pragma once

class QWidget;

// The save folder's questions: the folder chooser and the first-run welcome.
namespace SaveFolderDialogs {

// Asks for a folder; true when one was chosen (and is now the save folder).
bool choose(QWidget* parent = nullptr);
// On first use: the welcome, then the chooser; the default folder when it is cancelled. After it
// the settings always name a folder.
void ensureConfigured(QWidget* parent = nullptr);

} // namespace SaveFolderDialogs
