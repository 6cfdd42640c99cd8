#include "WideText.h"

#include <windows.h>
#include <shellapi.h>

namespace strobe95::standalone::windows_standalone {

std::string toUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int length = int(text.size());
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string out(std::size_t(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), bytes, nullptr, nullptr);
  return out;
}

std::wstring toWide(std::string_view text) {
  if (text.empty()) return {};
  const int length = int(text.size());
  const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
  if (units <= 0) return {};
  std::wstring out(std::size_t(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), length, out.data(), units);
  return out;
}

std::vector<std::string> commandLineArguments() {
  std::vector<std::string> arguments;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(toUtf8(wide[i]));
  LocalFree(wide);
  return arguments;
}

}  // namespace strobe95::standalone::windows_standalone
