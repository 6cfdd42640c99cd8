#include "DebugOutput.h"

#include <cstdio>
#include <mutex>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace strobe95::standalone {
namespace {

std::mutex gSinkLock;  // any thread; guards gSink
DebugSink gSink;       // under gSinkLock

void platformOutput(std::string_view text) {
#ifdef _WIN32
  const std::string line(text);
  OutputDebugStringA(line.c_str());
#else
  std::fwrite(text.data(), 1, text.size(), stderr);
#endif
}

}  // namespace

void writeDebugOutput(std::string_view text) {
  std::lock_guard<std::mutex> lock(gSinkLock);
  if (gSink) {
    gSink(text);
  } else {
    platformOutput(text);
  }
}

DebugSink setDebugSink(DebugSink sink) {
  std::lock_guard<std::mutex> lock(gSinkLock);
  std::swap(gSink, sink);
  return sink;
}

std::string formatPluginLogLine(int32_t severity, std::string_view message) {
  static constexpr const char* kPrefixes[] = {
      "PLUGIN: DEBUG: ",   "PLUGIN: INFO: ",  "PLUGIN: WARNING: ",          "PLUGIN: ERROR: ",
      "PLUGIN: FATAL: ", "PLUGIN: HOST MISBEHAVING: ", "PLUGIN: MISBEHAVING: "};
  std::string line;
  if (severity >= 0 && severity < int32_t(std::size(kPrefixes))) line = kPrefixes[severity];
  line.append(message).append("\n");
  return line;
}

}  // namespace strobe95::standalone
