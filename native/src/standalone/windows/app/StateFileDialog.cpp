#include "StateFileDialog.h"

#include <shobjidl.h>

#include <fstream>
#include <string>

#include "WideText.h"

namespace strobe95::standalone::windows_standalone {
namespace {

template <typename T>
struct Released {
  T* object = nullptr;
  ~Released() {
    if (object) object->Release();
  }
};

// Nothing: no choice file is named, show the dialog. An empty path: cancelled.
std::optional<std::filesystem::path> presetChoice() {
  const DWORD length = GetEnvironmentVariableW(kStateFileChoiceVariable, nullptr, 0);
  if (length == 0) return std::nullopt;
  std::wstring variable(length, L'\0');
  variable.resize(GetEnvironmentVariableW(kStateFileChoiceVariable, variable.data(), length));
  std::ifstream in{std::filesystem::path(variable)};
  std::string line;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return std::filesystem::path(toWide(line));
}

}  // namespace

std::optional<std::filesystem::path> chooseStateFile(HWND owner, StateFileDialogKind kind) {
  if (auto preset = presetChoice()) {
    if (preset->empty()) return std::nullopt;
    return preset;
  }
  Released<IFileDialog> dialog;
  const CLSID& type = kind == StateFileDialogKind::Save ? CLSID_FileSaveDialog : CLSID_FileOpenDialog;
  const IID& wanted = kind == StateFileDialogKind::Save ? IID_IFileSaveDialog : IID_IFileOpenDialog;
  if (FAILED(CoCreateInstance(type, nullptr, CLSCTX_INPROC_SERVER, wanted, reinterpret_cast<void**>(&dialog.object)))) {
    return std::nullopt;
  }
  const COMDLG_FILTERSPEC filter{L"clapstate", L"*.clapstate"};
  dialog.object->SetFileTypes(1, &filter);
  dialog.object->SetDefaultExtension(L"clapstate");
  if (FAILED(dialog.object->Show(owner))) return std::nullopt;  // cancelled
  Released<IShellItem> item;
  if (FAILED(dialog.object->GetResult(&item.object))) return std::nullopt;
  PWSTR path = nullptr;
  if (FAILED(item.object->GetDisplayName(SIGDN_FILESYSPATH, &path)) || !path) return std::nullopt;
  std::filesystem::path picked(path);
  CoTaskMemFree(path);
  return picked;
}

}  // namespace strobe95::standalone::windows_standalone
