// The application as Albumon runs it: its name and Qt's own Japanese texts for the standard
// dialogs.
#pragma once

class QApplication;

namespace albumon {

// Names the application "Albumon" and installs Qt's Japanese translation (owned by the
// application). No display name is set: the window system would append it to every title,
// and a message box is titled exactly "エラー".
void PrepareApplication(QApplication& application);

}  // namespace albumon
