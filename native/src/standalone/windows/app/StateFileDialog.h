#pragma once
// The file dialogs of "Save state..." and "Load state...".
#include <windows.h>

#include <filesystem>
#include <optional>

namespace strobe95::standalone::windows_standalone {

enum class StateFileDialogKind { Save, Open };

// Environment variable naming a text file whose first line (UTF-8) stands for the
// user's pick, read at each command, without a dialog being shown; an empty or missing
// file stands for Cancel. The Wine checks drive the commands this way, since the shell's
// modal dialog cannot be driven reliably from a test program there.
inline constexpr const wchar_t* kStateFileChoiceVariable = L"STROBE95_STATE_FILE_CHOICE";

// The file the user picked, or nothing when the dialog was cancelled or cannot be shown.
std::optional<std::filesystem::path> chooseStateFile(HWND owner, StateFileDialogKind kind);

}  // namespace strobe95::standalone::windows_standalone
