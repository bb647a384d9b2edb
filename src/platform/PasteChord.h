#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace quillstack {

// The key combination that pastes in the receiving window: Control+V almost everywhere,
// Control+Shift+V in terminal emulators (where Control+V types a literal ^V).
enum class PasteChord { controlV, controlShiftV };

// True when the window class (WM_CLASS class or Wayland app_id, compared without regard to
// case) belongs to a known terminal emulator.
bool isTerminalWindowClass(QStringView windowClass);

// The chord for a window of the given class; Control+V when the class is unknown.
PasteChord pasteChordForWindowClass(const std::optional<QString>& windowClass);

} // namespace quillstack
