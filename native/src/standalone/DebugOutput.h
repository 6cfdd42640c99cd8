#pragma once
// The debug-output line: where the standalone writes what only a developer reads (the
// plugin's log, swallowed errors). The system debugger stream on Windows, standard error
// elsewhere, or a sink installed in its place.
#include <functional>
#include <string>
#include <string_view>

namespace strobe95::standalone {

using DebugSink = std::function<void(std::string_view text)>;

// Any thread. Writes `text` as it is: callers end their lines with "\n".
void writeDebugOutput(std::string_view text);

// Replaces the sink (an empty one restores the platform's); returns the previous one.
DebugSink setDebugSink(DebugSink sink);

// The plugin's log message as one debug-output line, prefixed by its severity.
std::string formatPluginLogLine(int32_t severity, std::string_view message);

}  // namespace strobe95::standalone
