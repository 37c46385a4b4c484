// Process-wide set-up of the web engine behind every HTML view: the page scheme, the Chromium
// flags, the one shared profile and the budget of live background views.
#pragma once

#include <QByteArray>
#include <QString>

class QWebEngineProfile;

namespace view {

/// The scheme our pages are served on, from memory. Nothing else is ever loaded.
inline constexpr char kPageScheme[] = "nkview";

/// Registers the page scheme with the web engine. Must run before the QApplication exists
/// (the engine fixes its schemes when it starts); calling it twice is harmless.
void RegisterSchemes();

/// Adds the Chromium flags the views rely on (one renderer process for all our pages) to
/// QTWEBENGINE_CHROMIUM_FLAGS, keeping whatever the environment already sets there. Must run
/// before the QApplication exists.
void AddChromiumFlags();

/// Everything main() must do before it constructs the QApplication: RegisterSchemes,
/// AddChromiumFlags and the OpenGL context sharing the engine needs.
void PrepareProcess();

/// The off-the-record profile shared by every view: no disk, no network (requests other than
/// our own pages are blocked), page scripts off, a Japanese sans-serif as the standard font.
/// Created on first use, after the QApplication; owned by the application object.
/// Main thread only.
QWebEngineProfile *SharedProfile();

/// How many hidden views keep their rendered document, the most recently visible first.
/// Hidden views beyond that are discarded (their page bytes stay here, the renderer forgets
/// them) and rebuilt when shown again. Negative: never discard. Default 3.
void SetLiveHiddenViews(int count);
int LiveHiddenViews();

} // namespace view
